// The HTTP side against a scripted server on 127.0.0.1: redirects, time-outs, a connection cut
// in the middle of an answer, and the messages for refusals (Digest logins: DigestServerTest).
#include "sync/DavClient.h"
#include "sync/net/QtHttpTransport.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

// Answers each request with what `answer` returns for its head (request line and headers);
// an empty answer leaves the connection open without a word, "CUT" closes it half way.
class ScriptedServer {
public:
    std::function<QByteArray(const QByteArray& head)> answer;
    QList<QByteArray> heads;

    ScriptedServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { serve(socket); });
            }
        });
    }
    QUrl url(const QString& path = u"/"_s) const {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }

private:
    void serve(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        qsizetype length = 0;
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < end + 4 + length)
            return;
        buffer.remove(0, end + 4 + length);
        heads.append(head);
        const QByteArray reply = answer(head);
        if (reply == "CUT") {
            socket->write("HTTP/1.1 207 Multi-Status\r\nContent-Length: 500\r\n\r\n<d:multi");
            socket->flush();
            socket->disconnectFromHost();
        } else if (!reply.isEmpty()) {
            socket->write(reply);
        }
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

QByteArray reply(int status, const QByteArray& headers = {}, const QByteArray& body = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray AddressBookAnswer =
    "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
    "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:response><d:href>/book/</d:href><d:propstat>"
    "<d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype></d:prop>"
    "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response></d:multistatus>";

bool discover(HttpTransport& transport, const QUrl& url, DavError& error) {
    DavClient client(transport);
    QList<DavClient::AddressBook> books;
    QUrl home;
    return client.discover(url, books, home, error);
}

TEST(HttpTransport, FollowsRedirectsOnTheSameServerOnly) {
    ScriptedServer server;
    ScriptedServer otherPort; // the same host: the credentials must not go there either
    otherPort.answer = [](const QByteArray&) {
        return reply(207, "Content-Type: application/xml\r\n", AddressBookAnswer);
    };
    QUrl otherScheme = server.url(u"/book/"_s);
    otherScheme.setScheme(u"https"_s);
    server.answer = [&](const QByteArray& head) {
        if (head.startsWith("PROPFIND /old/ "))
            return reply(301, "Location: " + server.url(u"/book/"_s).toEncoded() + "\r\n");
        if (head.startsWith("PROPFIND /away/ "))
            return reply(302, "Location: http://elsewhere.example/book/\r\n");
        if (head.startsWith("PROPFIND /port/ "))
            return reply(307, "Location: " + otherPort.url(u"/book/"_s).toEncoded() + "\r\n");
        if (head.startsWith("PROPFIND /scheme/ "))
            return reply(308, "Location: " + otherScheme.toEncoded() + "\r\n");
        return reply(207, "Content-Type: application/xml\r\n", AddressBookAnswer);
    };
    QtHttpTransport transport({u"ann"_s, u"pw"_s, {}, 5000});
    DavClient client(transport);
    QList<DavClient::AddressBook> books;
    QUrl home;
    DavError error;
    ASSERT_TRUE(client.discover(server.url(u"/old/"_s), books, home, error));
    ASSERT_EQ(books.size(), 1);
    EXPECT_EQ(books.first().url.path(), u"/book/"_s) << "the method is kept";
    EXPECT_TRUE(server.heads.last().startsWith("PROPFIND /book/ "));

    for (const char* path : {"/away/", "/port/", "/scheme/"}) {
        EXPECT_FALSE(client.discover(server.url(QString::fromLatin1(path)), books, home, error))
            << path;
        EXPECT_TRUE(error.message.contains(u"which is not followed"_s))
            << error.message.toStdString();
    }
    EXPECT_TRUE(otherPort.heads.isEmpty()) << "nothing went to another port";
}

TEST(HttpTransport, ATimeOutACutConnectionAndRefusalsGiveClearMessages) {
    ScriptedServer server;
    QByteArray next;
    server.answer = [&next](const QByteArray&) { return next; };
    QtHttpTransport transport({u"ann"_s, u"pw"_s, {}, 1000});
    DavError error;

    next = {}; // no answer at all
    EXPECT_FALSE(discover(transport, server.url(u"/book/"_s), error));
    EXPECT_EQ(error.status, 0);
    EXPECT_TRUE(error.message.contains(u"no answer within 1 seconds"_s))
        << error.message.toStdString();

    next = "CUT";
    EXPECT_FALSE(discover(transport, server.url(u"/book/"_s), error));
    EXPECT_TRUE(error.message.startsWith(u"Cannot reach the server 127.0.0.1"_s))
        << error.message.toStdString();

    DavClient client(transport);
    DavClient::Write outcome;
    QByteArray etag;
    const struct {
        int status;
        const char* says;
    } refusals[] = {{403, "403 Forbidden"}, {507, "no room left"}, {500, "answered 500"}};
    for (const auto& refusal : refusals) {
        next = reply(refusal.status);
        EXPECT_FALSE(client.putCard(server.url(u"/book/"_s), u"/book/a.vcf"_s, "BEGIN:VCARD", {},
                                    outcome, etag, error));
        EXPECT_EQ(error.status, refusal.status);
        EXPECT_TRUE(error.message.contains(QLatin1StringView(refusal.says)))
            << error.message.toStdString();
    }
}

} // namespace
