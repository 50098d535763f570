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

#include <QFile>

namespace orvelan {

QString serialDevicePath(int port, const QString& configPath) {
    QFile config(configPath);
    if (config.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QByteArray key = "COM" + QByteArray::number(port);
        while (!config.atEnd()) {
            const QByteArray line = config.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const qsizetype equals = line.indexOf('=');
            if (equals < 0 || line.left(equals).trimmed().toUpper() != key)
                continue;
            const QString path = QString::fromUtf8(line.mid(equals + 1).trimmed());
            if (!path.isEmpty())
                return path;
        }
    }
    return QStringLiteral("/dev/ttyS") + QString::number(port - 1);
}

} // namespace orvelan
