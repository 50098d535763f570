#include "store/BookMaintenance.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace orvelan;
using orvelan::test::TempBook;

namespace {

QList<QByteArray> names(const TempBook& book, int tab) {
    QList<QByteArray> result;
    for (qint64 page = 1; page <= book.pageCount(tab); ++page)
        result << book.page(tab, page)[Field::Name];
    return result;
}

QByteArray blankWith(const QByteArray& notes) {
    return TempBook::record({{Field::Notes, notes}});
}

} // namespace

// The first run and a data reset both leave one blank page per tab.
TEST(BookMaintenance, FirstRunAndResetLeaveOneBlankPagePerTab) {
    TempBook book(false);
    MaintenanceReport report;
    ASSERT_TRUE(createBookIfMissing(book.folder(), report));
    EXPECT_TRUE(report.ok());
    book.writeTab(1, {TempBook::named("Ann")});
    EXPECT_FALSE(createBookIfMissing(book.folder(), report)) << "an existing book is left alone";
    EXPECT_EQ(book.page(1, 1)[Field::Name], "Ann");
    book.writeTab(0, {TempBook::named("1st"), TempBook::named("2nd")});
    EXPECT_TRUE(resetData(book.folder()).ok());
    for (int tab = 0; tab < 26; ++tab)
        EXPECT_EQ(book.tabBytes(tab), blankRecord()) << tab;
}

TEST(BookMaintenance, RemovingBlankPagesKeepsNamedPagesInOrder) {
    TempBook book;
    const QByteArray ann = TempBook::named("Ann");
    const QByteArray amy = TempBook::named("Amy");
    book.writeTab(1, {ann, blankRecord(), amy, blankRecord()});
    book.writeTab(2, {blankRecord(), TempBook::named("Bo"), blankRecord()});
    book.writeTab(3, {blankWith("first"), blankWith("second"), blankWith("last")});
    book.writeTab(4, {blankRecord()});
    book.writeTab(5, {});
    book.writeTab(0, {blankRecord(), TempBook::named("3M"), blankRecord()});
    const QByteArray tab1Before = book.tabBytes(1);

    QStringList statuses;
    const MaintenanceReport report =
        removeBlankPages(book.folder(), [&](const QString& status, double) { statuses << status; });
    EXPECT_TRUE(report.ok()) << report.failures.join(u'\n').toStdString();
    EXPECT_EQ(report.pagesRemoved, 2 + 2 + 2);

    EXPECT_EQ(book.tabBytes(1), ann + amy) << "records are moved byte for byte";
    EXPECT_EQ(names(book, 2), QList<QByteArray>{"Bo"});
    ASSERT_EQ(book.pageCount(3), 1);
    EXPECT_EQ(book.page(3, 1)[Field::Notes], "last") << "an all-blank tab keeps its last page";
    EXPECT_EQ(book.tabBytes(4), blankRecord());
    EXPECT_EQ(book.pageCount(5), 0);
    EXPECT_EQ(book.pageCount(0), 3) << "tab 0 is never compacted";

    QFile backup(book.folder().reserveDir() + QStringLiteral("/Orvel01.raf"));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), tab1Before);
    EXPECT_FALSE(QFile::exists(book.folder().reserveDir() + QStringLiteral("/OrvelC0.rfx")));
    EXPECT_FALSE(QFile::exists(book.folder().tabTempFilePath(1))) << "no work file is left";

    EXPECT_EQ(statuses.first(), QStringLiteral("Backing up..."));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Processing TAB: I J ")));
    EXPECT_EQ(statuses.last(), QStringLiteral("Removing Temporary Files"));
}

TEST(BookMaintenance, APartRecordAtTheEndIsNeverReadAsAPage) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann"), blankRecord(), QByteArray("tail")});
    EXPECT_EQ(compactedRecords(book.tabBytes(1)), TempBook::named("Ann"));
    book.writeTab(2, {TempBook::named("Bo"), QByteArray("tail")});
    const QByteArray before = book.tabBytes(2);
    removeBlankPages(book.folder(), [](const QString&, double) {});
    EXPECT_EQ(book.tabBytes(2), before) << "a tab without blank pages is left as it was";
    book.writeTab(3, {blankRecord(), TempBook::named("Cy"), QByteArray("tail")});
    removeBlankPages(book.folder(), [](const QString&, double) {});
    EXPECT_EQ(book.tabBytes(3), TempBook::named("Cy") + "tail") << "the part record stays";
}
