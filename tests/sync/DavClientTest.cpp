// The CardDAV client against a real Radicale server on 127.0.0.1.
#include "RadicaleServer.h"

#include "sync/DavClient.h"
#include "sync/net/QtHttpTransport.h"

#include <gtest/gtest.h>

using namespace orvelan;

namespace {

QByteArray card(const QByteArray& uid, const QByteArray& name) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nEND:VCARD\r\n";
}

class DavClientTest : public orvelan::test::RadicaleSuite {
protected:
    void SetUp() override {
        RadicaleSuite::SetUp();
        server->addUser(QStringLiteral("ann"), QStringLiteral("secret"));
    }

    // A fresh address book of `ann` for each test.
    QUrl makeBook(DavClient& client, const QString& name) {
        QList<DavClient::AddressBook> books;
        QUrl home;
        DavError error;
        EXPECT_TRUE(client.discover(server->baseUrl(), books, home, error))
            << error.message.toStdString();
        QUrl created;
        EXPECT_TRUE(client.createAddressBook(home, name, created, error))
            << error.message.toStdString();
        return created;
    }

    QtHttpTransport transport{{QStringLiteral("ann"), QStringLiteral("secret"), {}, 10000}};
    DavClient client{transport};
};

TEST_F(DavClientTest, FindsTheUsersAddressBooksFromTheServerAddressAndFromTheirOwnUrl) {
    const QUrl book = makeBook(client, QStringLiteral("Friends"));
    QList<DavClient::AddressBook> books;
    QUrl home;
    DavError error;
    ASSERT_TRUE(client.discover(server->baseUrl(), books, home, error));
    ASSERT_FALSE(books.isEmpty());
    bool named = false;
    for (const DavClient::AddressBook& found : std::as_const(books))
        named = named || (found.name == QStringLiteral("Friends") && found.url == book);
    EXPECT_TRUE(named);

    ASSERT_TRUE(client.discover(book, books, home, error)) << "the address book's own URL";
    ASSERT_EQ(books.size(), 1);
    EXPECT_EQ(books.first().url, book);

    QUrl principal = server->baseUrl();
    principal.setPath(QStringLiteral("/ann/"));
    ASSERT_TRUE(client.discover(principal, books, home, error)) << "the user's principal";
    EXPECT_FALSE(books.isEmpty());
}

TEST_F(DavClientTest, WritesUnderPreconditionsListsChangesAndFetchesInBatches) {
    const QUrl book = makeBook(client, QStringLiteral("work"));
    const QString path = book.path();
    DavClient::Write outcome;
    QByteArray etag;
    DavError error;
    ASSERT_TRUE(client.putCard(book, path + QStringLiteral("a.vcf"), card("a", "Ann Arbor"), {},
                               outcome, etag, error))
        << error.message.toStdString();
    EXPECT_EQ(outcome, DavClient::Write::Done);
    EXPECT_FALSE(etag.isEmpty());
    const QByteArray first = etag;

    // A second create of the same card, and a write over an old version, are refused.
    ASSERT_TRUE(client.putCard(book, path + QStringLiteral("a.vcf"), card("a", "Ann B"), {},
                               outcome, etag, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed);
    ASSERT_TRUE(client.putCard(book, path + QStringLiteral("a.vcf"), card("a", "Ann C"), "\"old\"",
                               outcome, etag, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed);

    DavClient::Listing listing;
    bool unsupported = false;
    ASSERT_TRUE(client.syncChanges(book, {}, listing, unsupported, error));
    ASSERT_EQ(listing.etags.size(), 1);
    EXPECT_EQ(listing.etags.value(path + QStringLiteral("a.vcf")), first);
    const QString token = listing.syncToken;
    EXPECT_FALSE(token.isEmpty());

    // Nothing changed: the report lists nothing.
    ASSERT_TRUE(client.syncChanges(book, token, listing, unsupported, error));
    EXPECT_TRUE(listing.etags.isEmpty());
    EXPECT_TRUE(listing.removed.isEmpty());

    ASSERT_TRUE(client.putCard(book, path + QStringLiteral("b c.vcf"), card("bc", "Bea"), {},
                               outcome, etag, error));
    ASSERT_TRUE(
        client.deleteCard(book, path + QStringLiteral("a.vcf"), "\"stale\"", outcome, error));
    EXPECT_EQ(outcome, DavClient::Write::PreconditionFailed) << "a card changed meanwhile stays";
    ASSERT_TRUE(client.deleteCard(book, path + QStringLiteral("a.vcf"), first, outcome, error));
    EXPECT_EQ(outcome, DavClient::Write::Done);

    ASSERT_TRUE(client.syncChanges(book, token, listing, unsupported, error));
    EXPECT_EQ(listing.etags.keys(), QStringList{path + QStringLiteral("b c.vcf")});
    EXPECT_EQ(listing.removed, QStringList{path + QStringLiteral("a.vcf")});

    ASSERT_TRUE(client.listCards(book, listing, error));
    EXPECT_EQ(listing.etags.keys(), QStringList{path + QStringLiteral("b c.vcf")});

    QList<DavClient::Card> cards;
    ASSERT_TRUE(client.fetchCards(
        book, {path + QStringLiteral("b c.vcf"), path + QStringLiteral("a.vcf")}, cards, error));
    ASSERT_EQ(cards.size(), 2);
    for (const DavClient::Card& fetched : std::as_const(cards)) {
        if (fetched.href.endsWith(QStringLiteral("b c.vcf")))
            EXPECT_TRUE(fetched.data.contains("FN:Bea"));
        else
            EXPECT_TRUE(fetched.data.isEmpty()) << "a card that is gone comes back empty";
    }
}

} // namespace
