// The WebDAV requests of a sync behind a Digest login on a real server: lighttpd with WebDAV and
// an htdigest password file, started on 127.0.0.1 by the test and stopped after it.
#include "RadicaleServer.h"

#include "sync/DavClient.h"
#include "sync/net/QtHttpTransport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace orvelan;

namespace {

const QString DigestUser = QStringLiteral("dana");
const QString DigestPassword = QStringLiteral("digest-s3cret");
const QByteArray Realm = "contacts";

// lighttpd serving a WebDAV folder, every request behind Digest authentication.
class DigestWebDavServer {
public:
    DigestWebDavServer() {
        QDir(m_dir.path()).mkpath(QStringLiteral("root/dav"));
        m_port = test::freePort();
    }
    ~DigestWebDavServer() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    // False (with the reason) when lighttpd is missing or does not come up.
    bool start(QString& why) {
        const QString program = QStandardPaths::findExecutable(
            QStringLiteral("lighttpd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        if (program.isEmpty()) {
            why = QStringLiteral("lighttpd is not installed");
            return false;
        }
        const QByteArray hash = QCryptographicHash::hash(DigestUser.toUtf8() + ':' + Realm + ':' +
                                                             DigestPassword.toUtf8(),
                                                         QCryptographicHash::Md5)
                                    .toHex();
        write(QStringLiteral("users"), DigestUser.toUtf8() + ':' + Realm + ':' + hash + '\n');
        const QByteArray dir = m_dir.path().toUtf8();
        write(QStringLiteral("lighttpd.conf"),
              "server.document-root = \"" + dir +
                  "/root\"\n"
                  "server.port = " +
                  QByteArray::number(m_port) +
                  "\n"
                  "server.bind = \"127.0.0.1\"\n"
                  "server.errorlog = \"" +
                  dir +
                  "/error.log\"\n"
                  "server.modules = (\"mod_auth\", \"mod_authn_file\", \"mod_webdav\")\n"
                  "auth.backend = \"htdigest\"\n"
                  "auth.backend.htdigest.userfile = \"" +
                  dir +
                  "/users\"\n"
                  "auth.require = (\"/\" => (\"method\" => \"digest\", \"realm\" => \"" +
                  Realm +
                  "\", \"require\" => \"valid-user\"))\n"
                  "webdav.activate = \"enable\"\n"
                  "webdav.is-readonly = \"disable\"\n");
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {QStringLiteral("-D"), QStringLiteral("-f"),
                                  m_dir.filePath(QStringLiteral("lighttpd.conf"))});
        if (!m_process.waitForStarted(5000)) {
            why = QStringLiteral("lighttpd does not start: ") + m_process.errorString();
            return false;
        }
        if (test::waitUntilListening(m_process, m_port, 10000))
            return true;
        why = QStringLiteral("lighttpd did not come up: ") + QString::fromUtf8(m_process.readAll());
        return false;
    }

    QUrl folderUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/dav/").arg(m_port)); }

private:
    void write(const QString& name, const QByteArray& text) const {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QProcess m_process;
};

const QByteArray Card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann\r\nFN:Ann Digest\r\nEND:VCARD\r\n";

} // namespace

TEST(DigestServer, WritesListsAndDeletesCardsUnderTheirPreconditionsBehindADigestLogin) {
    DigestWebDavServer server;
    QString why;
    if (!server.start(why))
        GTEST_SKIP() << why.toStdString();
    QtHttpTransport transport({DigestUser, DigestPassword, {}, 10000});
    DavClient client(transport);
    const QUrl folder = server.folderUrl();
    const QString href = folder.path() + QStringLiteral("ann.vcf");
    DavClient::Write outcome;
    QByteArray etag;
    DavError error;

    ASSERT_TRUE(client.putCard(folder, href, Card, {}, outcome, etag, error))
        << error.message.toStdString();
    EXPECT_EQ(outcome, DavClient::Write::Done);
    ASSERT_TRUE(client.putCard(folder, href, Card, {}, outcome, etag, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed) << "a new card never replaces one";

    DavClient::Listing listing;
    ASSERT_TRUE(client.listCards(folder, listing, error)) << error.message.toStdString();
    ASSERT_EQ(listing.etags.keys(), QStringList{href});
    const QByteArray current = listing.etags.value(href);
    ASSERT_TRUE(client.putCard(folder, href, Card, "\"stale\"", outcome, etag, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed);
    ASSERT_TRUE(client.deleteCard(folder, href, "\"stale\"", outcome, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed);
    ASSERT_TRUE(client.putCard(folder, href, Card + "NOTE:x\r\n", current, outcome, etag, error));
    EXPECT_EQ(outcome, DavClient::Write::Done);

    ASSERT_TRUE(client.listCards(folder, listing, error));
    ASSERT_TRUE(client.deleteCard(folder, href, listing.etags.value(href), outcome, error))
        << error.message.toStdString();
    EXPECT_EQ(outcome, DavClient::Write::Done);
    ASSERT_TRUE(client.listCards(folder, listing, error));
    EXPECT_TRUE(listing.etags.isEmpty());

    QtHttpTransport wrong({DigestUser, QStringLiteral("not it"), {}, 10000});
    DavClient refused(wrong);
    EXPECT_FALSE(refused.listCards(folder, listing, error));
    EXPECT_TRUE(error.message.contains(QStringLiteral("did not accept the user name and password")))
        << error.message.toStdString();
}
