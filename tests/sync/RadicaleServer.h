#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace orvelan::test {

// A TCP port on 127.0.0.1 that nothing listens on now (0 when none could be found).
quint16 freePort();
// Waits until `process` listens on `port` of 127.0.0.1; false when it ended or the time ran out.
bool waitUntilListening(QProcess& process, quint16 port, int milliseconds);

// Debian's Radicale on 127.0.0.1 at a free port, with htpasswd users in a temporary folder.
// Started by the tests that need a real CardDAV server and stopped with them.
class RadicaleServer {
public:
    struct Options {
        bool tls = false; // HTTPS with a self-signed certificate (certificatePath())
    };
    RadicaleServer() : RadicaleServer(Options{}) {}
    explicit RadicaleServer(Options options);
    ~RadicaleServer();

    // False (with the reason in error()) when Radicale is missing or does not come up.
    bool start();
    // Stops the server; its data stays for a later start().
    void stop();
    bool running() const { return m_process.state() == QProcess::Running; }

    // Adds a user (plain htpasswd entry; Radicale rereads the file on each login).
    void addUser(const QString& user, const QString& password);

    QUrl baseUrl() const;
    // Processor time the server has used so far, in seconds (0 where /proc is missing).
    double cpuSeconds() const;
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString error() const { return m_error; }

private:
    bool writeConfig();
    bool makeCertificate();

    Options m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// A test suite whose tests share one Radicale server, started before the first test and stopped
// after the last; every test is skipped (with the reason) when it cannot start.
class RadicaleSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new RadicaleServer();
        started = server->start();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!started)
            GTEST_SKIP() << "Radicale is not available: " << server->error().toStdString();
    }
    static inline RadicaleServer* server = nullptr;
    static inline bool started = false;
};

} // namespace orvelan::test
