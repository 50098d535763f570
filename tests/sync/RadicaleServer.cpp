#include "RadicaleServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include <unistd.h>

namespace orvelan::test {

quint16 freePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

bool waitUntilListening(QProcess& process, quint16 port, int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200))
            return true;
        process.waitForFinished(50); // notices a server that gave up
    }
    return false;
}

namespace {

// Asks a server to end, and ends it when it does not within five seconds.
void stopServerProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool writeText(const QString& path, const QByteArray& text, QIODevice::OpenMode mode) {
    QFile file(path);
    return file.open(mode) && file.write(text) == text.size();
}

} // namespace

namespace {

// Radicale flushes every card it writes to disk; in memory the tests do not wait for that.
QString scratchTemplate() {
    const QString shm = QStringLiteral("/dev/shm");
    return QFileInfo(shm).isWritable() ? shm + QStringLiteral("/orvelan-radicale-XXXXXX")
                                       : QString();
}

} // namespace

RadicaleServer::RadicaleServer(Options options)
    : m_options(options),
      m_dir(scratchTemplate().isEmpty() ? QTemporaryDir() : QTemporaryDir(scratchTemplate())) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    writeText(m_dir.filePath(QStringLiteral("users")), {}, QIODevice::WriteOnly);
}

RadicaleServer::~RadicaleServer() {
    stop();
}

void RadicaleServer::addUser(const QString& user, const QString& password) {
    writeText(m_dir.filePath(QStringLiteral("users")), (user + u':' + password + u'\n').toUtf8(),
              QIODevice::Append);
}

QUrl RadicaleServer::baseUrl() const {
    QUrl url;
    url.setScheme(m_options.tls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    url.setPath(QStringLiteral("/"));
    return url;
}

double RadicaleServer::cpuSeconds() const {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
    if (!running() || !stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields after the command name: utime and stime are the 12th and 13th.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

bool RadicaleServer::makeCertificate() {
    if (QFile::exists(certificatePath()))
        return true;
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                   QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")),
                   QStringLiteral("-out"), certificatePath()});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl could not make a certificate: ") +
                  QString::fromUtf8(openssl.readAll());
        return false;
    }
    return true;
}

bool RadicaleServer::writeConfig() {
    QByteArray config = "[server]\nhosts = 127.0.0.1:" + QByteArray::number(m_port) + "\n";
    if (m_options.tls) {
        config += "ssl = True\ncertificate = " + certificatePath().toUtf8() +
                  "\nkey = " + m_dir.filePath(QStringLiteral("key.pem")).toUtf8() + "\n";
    }
    config += "[auth]\ntype = htpasswd\nhtpasswd_filename = " +
              m_dir.filePath(QStringLiteral("users")).toUtf8() +
              "\nhtpasswd_encryption = plain\ndelay = 0\n"
              "[rights]\ntype = owner_only\n"
              "[storage]\nfilesystem_folder = " +
              m_dir.filePath(QStringLiteral("collections")).toUtf8() +
              "\n[web]\ntype = none\n[logging]\nlevel = warning\n";
    return writeText(m_dir.filePath(QStringLiteral("config")), config, QIODevice::WriteOnly);
}

bool RadicaleServer::start() {
    if (running())
        return true;
    if (m_options.tls && !makeCertificate())
        return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A restarted server keeps its address, as a real one does.
        if (m_port == 0 || attempt > 0)
            m_port = freePort();
        if (!writeConfig()) {
            m_error = QStringLiteral("cannot write the Radicale configuration");
            return false;
        }
        m_process.start(QStringLiteral("radicale"),
                        {QStringLiteral("--config"), m_dir.filePath(QStringLiteral("config"))});
        if (!m_process.waitForStarted(10000)) {
            m_error = QStringLiteral("radicale does not start: ") + m_process.errorString();
            return false;
        }
        if (waitUntilListening(m_process, m_port, 15000))
            return true;
        m_error =
            QStringLiteral("radicale did not come up: ") + QString::fromUtf8(m_process.readAll());
        stop();
    }
    return false;
}

void RadicaleServer::stop() {
    stopServerProcess(m_process);
}

XandikosServer::XandikosServer()
    : m_dir(scratchTemplate().isEmpty() ? QTemporaryDir() : QTemporaryDir(scratchTemplate())) {
    // Xandikos logs every request: into a file, so that no pipe fills up and stops it.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("log")));
}

XandikosServer::~XandikosServer() {
    stop();
}

QUrl XandikosServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

bool XandikosServer::start() {
    if (running())
        return true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_port == 0 || attempt > 0)
            m_port = freePort();
        m_process.start(QStringLiteral("xandikos"),
                        {QStringLiteral("--directory"), m_dir.filePath(QStringLiteral("data")),
                         QStringLiteral("--autocreate"), QStringLiteral("--listen-address"),
                         QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                         QString::number(m_port)});
        if (!m_process.waitForStarted(10000)) {
            m_error = QStringLiteral("xandikos does not start: ") + m_process.errorString();
            return false;
        }
        if (waitUntilListening(m_process, m_port, 20000))
            return true;
        QFile log(m_dir.filePath(QStringLiteral("log")));
        m_error = QStringLiteral("xandikos did not come up: ") +
                  (log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString());
        stop();
    }
    return false;
}

void XandikosServer::stop() {
    stopServerProcess(m_process);
}

} // namespace orvelan::test
