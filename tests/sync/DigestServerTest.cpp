// The WebDAV requests of a sync behind a Digest login on a real server: lighttpd with WebDAV and
// an htdigest password file, started on 127.0.0.1 by the test and stopped after it.
#include "RadicaleServer.h"

#include "support/TempBook.h"
#include "sync/DavClient.h"
#include "sync/net/QtHttpTransport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

const QString DigestUser = u"dana"_s;
const QString DigestPassword = u"digest-s3cret"_s;
const QByteArray Realm = "contacts";

// lighttpd serving a WebDAV folder, every request behind Digest authentication.
class DigestWebDavServer {
public:
    DigestWebDavServer() { QDir(m_dir.path()).mkpath(u"root/dav"_s); }
    ~DigestWebDavServer() { test::stopServerProcess(m_process); }

    // False (with the reason) when lighttpd is missing or does not come up.
    bool start(QString& why) {
        const QString program =
            QStandardPaths::findExecutable(u"lighttpd"_s, {u"/usr/sbin"_s, u"/sbin"_s});
        if (program.isEmpty()) {
            why = u"lighttpd is not installed"_s;
            return false;
        }
        const QByteArray hash = QCryptographicHash::hash(DigestUser.toUtf8() + ':' + Realm + ':' +
                                                             DigestPassword.toUtf8(),
                                                         QCryptographicHash::Md5)
                                    .toHex();
        write(u"users"_s, DigestUser.toUtf8() + ':' + Realm + ':' + hash + '\n');
        const QByteArray dir = m_dir.path().toUtf8();
        const auto configure = [&] {
            write(u"lighttpd.conf"_s,
                  "server.document-root = \"" + dir +
                      "/root\"\nserver.port = " + QByteArray::number(m_port) +
                      "\nserver.bind = \"127.0.0.1\"\nserver.errorlog = \"" + dir +
                      "/error.log\"\n"
                      "server.modules = (\"mod_auth\", \"mod_authn_file\", \"mod_webdav\")\n"
                      "auth.backend = \"htdigest\"\nauth.backend.htdigest.userfile = \"" +
                      dir + "/users\"\nauth.require = (\"/\" => (\"method\" => \"digest\", " +
                      "\"realm\" => \"" + Realm + "\", \"require\" => \"valid-user\"))\n" +
                      "webdav.activate = \"enable\"\nwebdav.is-readonly = \"disable\"\n");
            return true;
        };
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        return test::startServerProcess(
            m_process, m_port, program,
            [&] {
                return QStringList{u"-D"_s, u"-f"_s, m_dir.filePath(u"lighttpd.conf"_s)};
            },
            10000, why, configure);
    }

    QUrl folderUrl() const { return QUrl(u"http://127.0.0.1:%1/dav/"_s.arg(m_port)); }

private:
    void write(const QString& name, const QByteArray& text) const {
        test::writeBytes(m_dir.filePath(name), text);
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
    const QString href = folder.path() + u"ann.vcf"_s;
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

    QtHttpTransport wrong({DigestUser, u"not it"_s, {}, 10000});
    DavClient refused(wrong);
    EXPECT_FALSE(refused.listCards(folder, listing, error));
    EXPECT_TRUE(error.message.contains(u"did not accept the user name and password"_s))
        << error.message.toStdString();
}
