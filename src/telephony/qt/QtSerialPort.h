#pragma once

#include "telephony/SerialPort.h"

#include <QSerialPort>

namespace orvelan {

// The serial port on a device of this computer. "COM n" maps to a device path through the book
// folder's configuration file (see serialDevicePath); failures of the device map onto the serial
// error numbers.
class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(QString configPath);

    void setPortNumber(int port) override;
    void setSettings(const QString& settings) override;
    void open() override;
    void close() override;
    bool isOpen() const override;
    int waitingCount() override;
    void clearInput() override;
    void write(const QByteArray& bytes) override;
    QByteArray readInput() override;

    QString devicePath() const;
    static int failureCode(QSerialPort::SerialPortError error);

private:
    void requireOpen() const;
    void applySettings();

    QString m_configPath;
    QSerialPort m_port;
    int m_portNumber = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
};

} // namespace orvelan
