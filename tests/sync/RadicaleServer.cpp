#include "RadicaleServer.h"
#include "support/TempBook.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvelan::test {

// A TCP port on 127.0.0.1 that nothing listens on now (0 when none could be found).
static quint16 freePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

// Waits until `process` listens on `port` of 127.0.0.1; false when it ended or the time ran out.
static bool waitUntilListening(QProcess& process, quint16 port, int milliseconds) {
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

void stopServerProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool startServerProcess(QProcess& process, quint16& port, const QString& program,
                        const std::function<QStringList()>& arguments, int milliseconds,
                        QString& error, const std::function<bool()>& prepare) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A restarted server keeps its address, as a real one does.
        if (port == 0 || attempt > 0)
            port = freePort();
        if (prepare && !prepare())
            return false;
        process.start(program, arguments());
        if (!process.waitForStarted(10000)) {
            error = program + u" does not start: "_s + process.errorString();
            return false;
        }
        if (waitUntilListening(process, port, milliseconds))
            return true;
        error = program + u" did not come up: "_s + QString::fromUtf8(process.readAll());
        stopServerProcess(process);
    }
    return false;
}

namespace {

bool writeText(const QString& path, const QByteArray& text, QIODevice::OpenMode mode) {
    QFile file(path);
    return file.open(mode) && file.write(text) == text.size();
}

// Radicale flushes every card it writes to disk; in memory the tests do not wait for that.
QString scratchTemplate() {
    const QString shm = u"/dev/shm"_s;
    return QFileInfo(shm).isWritable() ? shm + u"/orvelan-radicale-XXXXXX"_s : QString();
}

} // namespace

RadicaleServer::RadicaleServer(Options options)
    : m_options(options),
      m_dir(scratchTemplate().isEmpty() ? QTemporaryDir() : QTemporaryDir(scratchTemplate())) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    writeText(m_dir.filePath(u"users"_s), {}, QIODevice::WriteOnly);
}

RadicaleServer::~RadicaleServer() {
    stop();
}

void RadicaleServer::addUser(const QString& user, const QString& password) {
    writeText(m_dir.filePath(u"users"_s), (user + u':' + password + u'\n').toUtf8(),
              QIODevice::Append);
}

QUrl RadicaleServer::baseUrl() const {
    QUrl url;
    url.setScheme(m_options.tls ? u"https"_s : u"http"_s);
    url.setHost(u"127.0.0.1"_s);
    url.setPort(m_port);
    url.setPath(u"/"_s);
    return url;
}

double RadicaleServer::cpuSeconds() const {
    QFile stat(u"/proc/%1/stat"_s.arg(m_process.processId()));
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
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                                 u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                                 u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s,
                                 m_dir.filePath(u"key.pem"_s), u"-out"_s, certificatePath()});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        m_error =
            u"openssl could not make a certificate: "_s + QString::fromUtf8(openssl.readAll());
        return false;
    }
    return true;
}

bool RadicaleServer::writeConfig() {
    QByteArray config = "[server]\nhosts = 127.0.0.1:" + QByteArray::number(m_port) + "\n";
    if (m_options.tls) {
        config += "ssl = True\ncertificate = " + certificatePath().toUtf8() +
                  "\nkey = " + m_dir.filePath(u"key.pem"_s).toUtf8() + "\n";
    }
    config +=
        "[auth]\ntype = htpasswd\nhtpasswd_filename = " + m_dir.filePath(u"users"_s).toUtf8() +
        "\nhtpasswd_encryption = plain\ndelay = 0\n"
        "[rights]\ntype = owner_only\n"
        "[storage]\nfilesystem_folder = " +
        m_dir.filePath(u"collections"_s).toUtf8() +
        "\n[web]\ntype = none\n[logging]\nlevel = warning\n";
    return writeText(m_dir.filePath(u"config"_s), config, QIODevice::WriteOnly);
}

bool RadicaleServer::start() {
    if (running())
        return true;
    if (m_options.tls && !makeCertificate())
        return false;
    return startServerProcess(
        m_process, m_port, u"radicale"_s,
        [this] {
            return QStringList{u"--config"_s, m_dir.filePath(u"config"_s)};
        },
        15000, m_error,
        [this] {
            if (!writeConfig())
                m_error = u"cannot write the Radicale configuration"_s;
            return m_error.isEmpty();
        });
}

void RadicaleServer::stop() {
    stopServerProcess(m_process);
}

XandikosServer::XandikosServer()
    : m_dir(scratchTemplate().isEmpty() ? QTemporaryDir() : QTemporaryDir(scratchTemplate())) {
    // Xandikos logs every request: into a file, so that no pipe fills up and stops it.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(u"log"_s));
}

XandikosServer::~XandikosServer() {
    stop();
}

QUrl XandikosServer::baseUrl() const {
    return QUrl(u"http://127.0.0.1:%1/"_s.arg(m_port));
}

bool XandikosServer::start() {
    if (running())
        return true;
    const auto arguments = [this] {
        return QStringList{u"--directory"_s,       m_dir.filePath(u"data"_s),
                           u"--autocreate"_s,      u"--listen-address"_s,
                           u"127.0.0.1"_s,         u"--port"_s,
                           QString::number(m_port)};
    };
    if (startServerProcess(m_process, m_port, u"xandikos"_s, arguments, 20000, m_error))
        return true;
    m_error += QString::fromUtf8(readBytes(m_dir.filePath(u"log"_s))); // what it said
    return false;
}

void XandikosServer::stop() {
    stopServerProcess(m_process);
}

} // namespace orvelan::test
