#include "telephony/SerialPort.h"

namespace orvelan {

QString serialErrorText(int code) {
    switch (code) {
    case 8000:
        return QStringLiteral("Operation not valid while the port is opened");
    case 8001:
        return QStringLiteral("Timeout value must be greater than zero");
    case 8002:
        return QStringLiteral("Invalid Port or Wrong Port : It may already be in Use");
    case 8003:
        return QStringLiteral("Property available only at run time");
    case 8004:
        return QStringLiteral("Property is read only at runtime");
    case 8005:
        return QStringLiteral("Port already open (Try Again)");
    case 8006:
        return QStringLiteral("The comms device identifier is invalid or unsupported");
    case 8007:
        return QStringLiteral("The Device's baud rate is unsupported");
    case 8008:
        return QStringLiteral("The specified byte size is invalid");
    case 8009:
        return QStringLiteral("Can't make head nor tail of these Parameters");
    case 8010:
        return QStringLiteral("The hardware is (locked by another device)");
    case 8011:
        return QStringLiteral("The function cannot allocate the queue buffer!");
    case 8012:
        return QStringLiteral("The device is not open !! ");
    case 8013:
        return QStringLiteral("The device is already open !!");
    case 8014:
        return QStringLiteral("Could not enable COMMS Notification");
    case 8015:
        return QStringLiteral("Could not set comm state");
    case 8016:
        return QStringLiteral("Could not set comm event mask");
    case 8018:
        return QStringLiteral("Dial Process interrupted on port [ Closed ]");
    case 8019:
        return QStringLiteral("Device busy - I don't think it's right either");
    case 8020:
        return QStringLiteral("Error reading COMM device'");
    default:
        return QStringLiteral("Can't make head nor tail of port Parameters");
    }
}

} // namespace orvelan

#include "store/LocalConfig.h"

namespace orvelan {

QString serialDevicePath(int port, const QString& configPath) {
    const QString path = LocalConfig(configPath).value(QStringLiteral("COM%1").arg(port));
    return path.isEmpty() ? QStringLiteral("/dev/ttyS") + QString::number(port - 1) : path;
}

} // namespace orvelan
