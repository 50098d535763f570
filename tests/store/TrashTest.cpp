#include "store/Trash.h"

#include "store/PageIdentity.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"
#include "support/FakeClock.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTimeZone>

#include <sys/stat.h>

using namespace orvelan;
using namespace orvelan::test;

namespace {

QByteArray withId(QByteArray stored, PageId id) {
    setPageId(stored, id);
    return stored;
}

Trash loaded(const TempBook& book) {
    Trash trash(book.folder());
    QString error;
    EXPECT_TRUE(trash.load(error)) << error.toStdString();
    return trash;
}

const PageId Ann = PageId::derivedFrom("ann");

// Delete puts the page into the trash before blanking it, and restore puts it back whole, with
// its identity, into the first blank page of its tab.
TEST(Trash, ADeletedPageIsKeptAndRestoredByteForByte) {
    TempBook book;
    FakeClock clock;
    const QByteArray ann = withId(TempBook::named("Ann Archer"), Ann);
    book.writeTab(1, {TempBook::named("Al"), ann});
    QString error;
    ASSERT_EQ(deletePageToTrash(book.folder(), clock, 1, 2, TrashReason::Deleted, error), 0);
    ASSERT_EQ(deletePageToTrash(book.folder(), clock, 1, 2, TrashReason::Deleted, error), 0)
        << "a blank page adds nothing";
    EXPECT_TRUE(book.page(1, 2).isBlank());
    Trash trash = loaded(book);
    ASSERT_EQ(trash.entries().size(), 1);
    const TrashEntry entry = trash.entries()[0];
    EXPECT_EQ(entry.name, QStringLiteral("Ann Archer"));
    EXPECT_EQ(entry.why, QStringLiteral("Deleted"));
    EXPECT_EQ(entry.from, QStringLiteral("tab A, page 2"));
    EXPECT_EQ(entry.id, Ann);
    EXPECT_EQ(entry.deletedAt, clock.now().toUTC());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(trash.path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the trash holds pages: private";

    book.writeTab(1, {blankRecord(), TempBook::named("Al"), blankRecord()});
    RestoredPage restored;
    ASSERT_TRUE(restoreFromTrash(book.folder(), clock, entry.number, {}, restored, error))
        << error.toStdString();
    EXPECT_EQ(restored.tab, 1);
    EXPECT_EQ(restored.page, 1) << "the first blank page of its tab";
    EXPECT_EQ(book.tabBytes(1).left(RecordSize), ann) << "byte for byte, identity and all";
    EXPECT_TRUE(loaded(book).entries().isEmpty());
    EXPECT_FALSE(restoreFromTrash(book.folder(), clock, entry.number, {}, restored, error));
    EXPECT_EQ(error, QStringLiteral("The trash holds no entry 1."));
}

TEST(Trash, ARestoredPageGivesUpAnIdentityAnotherPageTookAndACardWaitsToGoBack) {
    TempBook book;
    FakeClock clock;
    Trash trash(book.folder());
    TrashEntry page;
    page.name = QStringLiteral("Ann Archer");
    page.deletedAt = clock.now();
    page.record = withId(TempBook::named("Ann Archer"), Ann);
    page.id = Ann;
    page.card = "BEGIN:VCARD\r\nFN:Ann Archer\r\nPHOTO:abc\r\nEND:VCARD\r\n";
    const int pageNumber = trash.add(page);
    TrashEntry cardOnly;
    cardOnly.name = QStringLiteral("Bob Card");
    cardOnly.deletedAt = clock.now();
    cardOnly.card = "BEGIN:VCARD\r\nFN:Bob Card\r\nEND:VCARD\r\n";
    const int cardNumber = trash.add(cardOnly);
    ASSERT_EQ(trash.save(), 0);
    book.writeTab(1, {withId(TempBook::named("Ann Copy"), Ann)});

    const CardToPage mapping = [](const QByteArray& card) {
        PageTexts texts;
        texts[0] = QString::fromUtf8(card.mid(card.indexOf("FN:") + 3).split('\r').first());
        return texts;
    };
    RestoredPage restored;
    QString error;
    ASSERT_TRUE(restoreFromTrash(book.folder(), clock, pageNumber, mapping, restored, error));
    const PageId annId = pageIdOf(book.tabBytes(1).mid(RecordSize));
    EXPECT_NE(annId, Ann) << "the copy keeps the identity";
    EXPECT_FALSE(annId.isNull()) << "an identity to find its card by";
    ASSERT_TRUE(restoreFromTrash(book.folder(), clock, cardNumber, mapping, restored, error));
    EXPECT_EQ(restored.tab, 2);
    EXPECT_EQ(book.page(2, 1).text(Field::Name), QStringLiteral("Bob Card"));
    const PageId bobId = pageIdOf(book.tabBytes(2).left(RecordSize));

    const Trash after = loaded(book);
    EXPECT_TRUE(after.entries().isEmpty());
    EXPECT_EQ(after.cardToSendBack(annId), page.card);
    EXPECT_EQ(after.cardToSendBack(bobId), cardOnly.card);
}

TEST(Trash, EntriesOlderThanThirtyDaysGoAtTheNextStart) {
    TempBook book;
    const QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    Trash trash(book.folder());
    for (const int days : {31, 30, 29, 0}) {
        TrashEntry entry;
        entry.name = QStringLiteral("%1 days").arg(days);
        entry.deletedAt = now.addDays(-days).addSecs(days == 30 ? 60 : 0);
        entry.record = TempBook::named("x");
        trash.add(entry);
    }
    ASSERT_EQ(trash.save(), 0);
    EXPECT_EQ(removeExpiredTrash(book.folder(), now), 1);
    QStringList names;
    for (const TrashEntry& entry : loaded(book).newestFirst())
        names << entry.name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("0 days"), QStringLiteral("29 days"),
                                  QStringLiteral("30 days")}));
}

TEST(Trash, ADamagedTrashIsLeftAloneAndNothingIsDeleted) {
    TempBook book;
    FakeClock clock;
    book.writeTab(1, {TempBook::named("Ann")});
    const QString path = Trash(book.folder()).path();
    for (const QByteArray& damaged :
         {QByteArray("{\"format\": \"orvelan-trash\", \"version\": 1, \"entries\": [{}]}"),
          QByteArray("not json"), QByteArray("{\"format\": \"other\", \"version\": 1}")}) {
        writeBytes(path, damaged);
        QString error;
        EXPECT_NE(deletePageToTrash(book.folder(), clock, 1, 1, TrashReason::Deleted, error), 0);
        EXPECT_TRUE(error.contains(QStringLiteral("is damaged"))) << error.toStdString();
        EXPECT_EQ(book.page(1, 1).text(Field::Name), QStringLiteral("Ann"));
        EXPECT_EQ(removeExpiredTrash(book.folder(), clock.now()), 0);
        EXPECT_EQ(readBytes(path), damaged) << "left as it is";
    }
}

} // namespace
