#include "telephony/qt/QtSerialPort.h"

namespace orvelan {

namespace {

struct PortSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads a settings text such as "9600,N,8,1"; throws 8009 for one it cannot read.
PortSettings parseSettings(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        throw SerialFailure{8009};
    PortSettings settings;
    bool ok = false;
    settings.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || settings.baud <= 0)
        throw SerialFailure{8007};
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == u"N")
        settings.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        settings.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        settings.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        settings.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        settings.parity = QSerialPort::SpaceParity;
    else
        throw SerialFailure{8009};
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        throw SerialFailure{8008};
    settings.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        settings.stopBits = QSerialPort::TwoStop;
    else
        throw SerialFailure{8009};
    return settings;
}

} // namespace

QtSerialPort::QtSerialPort(QString configPath) : m_configPath(std::move(configPath)) {}

int QtSerialPort::failureCode(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError: // also a device locked by another program
        return SerialError::InvalidPortNumber;
    case QSerialPort::OpenError:
        return SerialError::PortAlreadyOpen;
    case QSerialPort::NotOpenError:
        return SerialError::DeviceNotOpen;
    case QSerialPort::UnsupportedOperationError:
        return 8015;
    case QSerialPort::WriteError:
        return 8019;
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
        return 8020;
    default:
        return 8017;
    }
}

QString QtSerialPort::devicePath() const {
    return serialDevicePath(m_portNumber, m_configPath);
}

void QtSerialPort::setPortNumber(int port) {
    if (m_port.isOpen())
        throw SerialFailure{8000};
    if (port < 1 || port > 16)
        throw SerialFailure{SerialError::InvalidPortNumber};
    m_portNumber = port;
}

void QtSerialPort::setSettings(const QString& settings) {
    parseSettings(settings);
    m_settings = settings;
    if (m_port.isOpen())
        applySettings();
}

void QtSerialPort::applySettings() {
    const PortSettings settings = parseSettings(m_settings);
    if (!m_port.setBaudRate(settings.baud) || !m_port.setParity(settings.parity) ||
        !m_port.setDataBits(settings.dataBits) || !m_port.setStopBits(settings.stopBits) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl))
        throw SerialFailure{8015};
}

void QtSerialPort::open() {
    if (m_port.isOpen())
        throw SerialFailure{SerialError::PortAlreadyOpen};
    m_port.setPortName(devicePath());
    if (!m_port.open(QIODevice::ReadWrite)) {
        const int code = failureCode(m_port.error());
        m_port.clearError();
        throw SerialFailure{code};
    }
    try {
        applySettings();
    } catch (const SerialFailure&) {
        m_port.close();
        throw;
    }
}

void QtSerialPort::close() {
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::isOpen() const {
    return m_port.isOpen();
}

void QtSerialPort::requireOpen() const {
    if (!m_port.isOpen())
        throw SerialFailure{SerialError::PortNotOpen};
}

int QtSerialPort::waitingCount() {
    requireOpen();
    // Takes in what the device holds now, so the count is current without an event loop turn.
    m_port.waitForReadyRead(0);
    const QSerialPort::SerialPortError error = m_port.error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
        m_port.clearError();
        throw SerialFailure{failureCode(error)};
    }
    m_port.clearError();
    return static_cast<int>(std::min<qint64>(m_port.bytesAvailable(), 0x7fffffff));
}

void QtSerialPort::clearInput() {
    requireOpen();
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void QtSerialPort::write(const QByteArray& bytes) {
    requireOpen();
    if (m_port.write(bytes) != bytes.size())
        throw SerialFailure{failureCode(m_port.error())};
    // Hands the bytes to the device now; a modem command is short.
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(1000))
            throw SerialFailure{failureCode(m_port.error())};
    }
}

QByteArray QtSerialPort::readInput() {
    requireOpen();
    return m_port.readAll();
}

} // namespace orvelan
