#pragma once

#include <QByteArray>
#include <QString>

namespace orvelan {

// A failure of the serial port, with its error number (8000 .. 8020).
struct SerialFailure {
    int code;
};

namespace SerialError {
inline constexpr int InvalidPortNumber = 8002;
inline constexpr int PortAlreadyOpen = 8005;
inline constexpr int DeviceNotOpen = 8012;
inline constexpr int PortNotOpen = 8018;
} // namespace SerialError

// The text for a serial error number.
QString serialErrorText(int code);

// The serial communications port used for modem dialing: port number, settings text, open and
// close, the count of received characters waiting, output and input. Operations that fail throw
// SerialFailure; reading the waiting count or the input of a closed port fails with 8018.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual void setPortNumber(int port) = 0;              // 1 = "COM 1"
    virtual void setSettings(const QString& settings) = 0; // "9600,N,8,1"
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual int waitingCount() = 0;
    virtual void clearInput() = 0; // sets the waiting count to 0
    virtual void write(const QByteArray& bytes) = 0;
    virtual QByteArray readInput() = 0; // takes the waiting characters
};

} // namespace orvelan

namespace orvelan {

// The device path of "COM n". The book folder's orvelan.conf may name it on a line of its own:
//     COM1=/dev/ttyUSB0
// (the key without regard to case, blanks around "=" allowed, blank lines and lines starting with
// "#" skipped, the first line naming the port counts). Without one the path is /dev/ttyS<n-1>.
QString serialDevicePath(int port, const QString& configPath);

} // namespace orvelan
