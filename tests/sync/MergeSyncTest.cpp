// Merging duplicates in a synced book, against a real Radicale server: the kept page goes out as
// one updated card, the others' cards are deleted through the sync's own rules and kept in the
// trash (photo and all), and a restored page goes back as a new card.
#include "RadicaleServer.h"

#include "store/Trash.h"
#include "support/FakeClock.h"
#include "support/ToolHarness.h"
#include "sync/net/QtHttpTransport.h"
#include "sync/net/SyncSession.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;

namespace {

const QString Password = QStringLiteral("s3cret");
const QByteArray Photo = "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==";

class MergeSync : public RadicaleSuite {
protected:
    void SetUp() override {
        RadicaleSuite::SetUp();
        if (IsSkipped())
            return;
        server->addUser(QStringLiteral("merger"), Password);
        account.url = server->baseUrl().toString();
        account.user = QStringLiteral("merger");
    }
    SyncReport sync() {
        const SyncOutcome outcome =
            runSync(book.folder(), clock, {account, Password, false, 10000});
        EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
        account = outcome.account;
        return outcome.report;
    }
    ToolRun tool(const QStringList& args) {
        const ToolRun run = runCommand(book.folder(), args, true);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run;
    }
    QHash<QString, QByteArray> serverCards() {
        QtHttpTransport http({account.user, Password, {}, 10000});
        DavClient client(http);
        DavClient::Listing listing;
        QList<DavClient::Card> cards;
        DavError error;
        const QUrl url(account.addressBookUrl);
        EXPECT_TRUE(client.listCards(url, listing, error) &&
                    client.fetchCards(url, listing.etags.keys(), cards, error))
            << error.message.toStdString();
        QHash<QString, QByteArray> byHref;
        for (const DavClient::Card& card : std::as_const(cards))
            byHref.insert(card.href, card.data);
        return byHref;
    }

    TempBook book;
    FakeClock clock;
    SyncAccount account;
};

TEST_F(MergeSync, OneCardUpdatedTwoDeletedAllThreeInTheTrashAndARestoredPageComesBackAsANewCard) {
    tool({QStringLiteral("add"), QStringLiteral("Name=Ivanov, Ivan"),
          QStringLiteral("Phone1=+7 495 123-45-67")});
    tool({QStringLiteral("add"), QStringLiteral("Name=IVAN IVANOV"),
          QStringLiteral("Email=ivan@example.com")});
    sync();
    // The phone holds the same person in Cyrillic, with a photo.
    {
        QtHttpTransport http({account.user, Password, {}, 10000});
        DavClient client(http);
        DavClient::Write written;
        QByteArray etag;
        DavError error;
        ASSERT_TRUE(
            client.putCard(QUrl(account.addressBookUrl),
                           QUrl(account.addressBookUrl).path() + QStringLiteral("phone-ivan.vcf"),
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-ivan\r\nFN:Иванов "
                           "Иван\r\nN:Иванов;Иван;;;\r\nTEL;TYPE=CELL:8 (495) 123 45 67\r\n" +
                               Photo + "\r\nEND:VCARD\r\n",
                           {}, written, etag, error))
            << error.message.toStdString();
    }
    EXPECT_EQ(sync().received, 1);
    ASSERT_EQ(serverCards().size(), 3);

    const QJsonArray groups =
        tool({QStringLiteral("duplicates")}).json()[QStringLiteral("groups")].toArray();
    ASSERT_EQ(groups.size(), 1);
    QStringList merge{QStringLiteral("merge")};
    for (const QJsonValue& page : groups[0][QStringLiteral("pages")].toArray())
        merge << QString::number(page[QStringLiteral("tab")].toInt())
              << QString::number(page[QStringLiteral("page")].toInt());
    ASSERT_EQ(merge.size(), 7);
    tool(merge);

    const SyncReport merged = sync();
    EXPECT_EQ(merged.sent, 1) << "one updated card";
    EXPECT_EQ(merged.deletedThere, 2);
    const QHash<QString, QByteArray> left = serverCards();
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left.begin().value().contains("ivan@example.com")) << left.begin()->data();

    Trash trash(book.folder());
    QString error;
    ASSERT_TRUE(trash.load(error)) << error.toStdString();
    ASSERT_EQ(trash.entries().size(), 3);
    int withCard = 0;
    int phoneEntry = 0;
    for (const TrashEntry& entry : trash.entries()) {
        withCard += entry.card.isEmpty() ? 0 : 1;
        if (entry.card.contains("/9j/4AAQSkZJRgABAQ=="))
            phoneEntry = entry.number;
    }
    EXPECT_EQ(withCard, 2) << "the two deleted cards, as the server had them";
    ASSERT_NE(phoneEntry, 0) << "the phone's card keeps its photo in the trash";

    tool({QStringLiteral("trash"), QStringLiteral("restore"), QString::number(phoneEntry)});
    EXPECT_EQ(sync().sent, 1);
    const QHash<QString, QByteArray> after = serverCards();
    ASSERT_EQ(after.size(), 2);
    EXPECT_FALSE(
        after.contains(QUrl(account.addressBookUrl).path() + QStringLiteral("phone-ivan.vcf")))
        << "a new card";
    int photos = 0;
    for (const QByteArray& card : after)
        photos += card.contains("/9j/4AAQSkZJRgABAQ==") ? 1 : 0;
    EXPECT_EQ(photos, 1);
}

} // namespace
