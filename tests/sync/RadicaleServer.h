#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>

namespace orvelan::test {

// Starts `program` listening on `port` (a free one when it is 0, and on each further try of three)
// after `prepare`; false with the reason in `error` when it does not come up.
bool startServerProcess(QProcess& process, quint16& port, const QString& program,
                        const std::function<QStringList()>& arguments, int milliseconds,
                        QString& error, const std::function<bool()>& prepare = {});
// Asks a server to end, and ends it when it does not within five seconds.
void stopServerProcess(QProcess& process);

// A real CardDAV server on 127.0.0.1 at a free port with its data in a temporary folder,
// started by the tests that need it and stopped with them.
class DavTestServer {
public:
    virtual ~DavTestServer() = default;
    // False (with the reason in error()) when the server is missing or does not come up.
    virtual bool start() = 0;
    // Stops the server; its data stays for a later start().
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // Adds a user; a server without logins takes anyone.
    virtual void addUser(const QString& user, const QString& password) = 0;
    virtual bool hasLogins() const = 0;
    virtual QUrl baseUrl() const = 0;
    virtual QString error() const = 0;
};

// Debian's Radicale with htpasswd users.
class RadicaleServer final : public DavTestServer {
public:
    struct Options {
        bool tls = false; // HTTPS with a self-signed certificate (certificatePath())
    };
    RadicaleServer() : RadicaleServer(Options{}) {}
    explicit RadicaleServer(Options options);
    ~RadicaleServer();

    bool start() override;
    void stop() override;
    bool running() const override { return m_process.state() == QProcess::Running; }

    // A plain htpasswd entry; Radicale rereads the file on each login.
    void addUser(const QString& user, const QString& password) override;
    bool hasLogins() const override { return true; }

    QUrl baseUrl() const override;
    // Processor time the server has used so far, in seconds (0 where /proc is missing).
    double cpuSeconds() const;
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString error() const override { return m_error; }

private:
    bool writeConfig();
    bool makeCertificate();

    Options m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// Debian's Xandikos, which has no logins (anyone may read and write) and answers for one
// principal, /user/, whose address books live under /user/contacts/.
class XandikosServer final : public DavTestServer {
public:
    XandikosServer();
    ~XandikosServer() override;
    bool start() override;
    void stop() override;
    bool running() const override { return m_process.state() == QProcess::Running; }
    void addUser(const QString&, const QString&) override {}
    bool hasLogins() const override { return false; }
    QUrl baseUrl() const override;
    QString error() const override { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace orvelan::test
