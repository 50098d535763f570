#include "store/PageStore.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "support/FakeClock.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

PageTexts named(const QString& name) {
    PageTexts texts;
    texts[0] = name;
    return texts;
}

struct StoreFixture : ::testing::Test {
    TempBook book;
    FakeClock clock;
    PageStore store{book.folder(), clock};

    void selectTab(int tab) {
        store.setCurrentTab(tab);
        store.selectTabFile();
    }
};

} // namespace

TEST_F(StoreFixture, PageCountIgnoresPartRecordsAndMissingFiles) {
    book.writeTab(3, {TempBook::named("Cara"), TempBook::named("Carl")});
    selectTab(3);
    EXPECT_EQ(store.pageCount(), 2);

    writeBytes(book.folder().tabFilePath(3), book.tabBytes(3) + "x");
    store.selectTabFile();
    EXPECT_EQ(store.pageCount(), 2) << "3381 bytes are 2 pages";

    book.writeTab(4, {});
    selectTab(4);
    EXPECT_EQ(store.pageCount(), 0);
    QFile::remove(book.folder().tabFilePath(5));
    selectTab(5);
    EXPECT_EQ(store.pageCount(), 0) << "a missing file counts no pages";
}

TEST_F(StoreFixture, GetPageLoadsTrimmedTextsAndTracksChanges) {
    book.writeTab(1, {TempBook::record({{Field::Name, "Abbott"},
                                        {Field::Notes, "one\r\ntwo"},
                                        {Field::DateModified, "01/02/03"},
                                        {Field::TimeModified, "04:05"}})});
    selectTab(1);
    PageTexts view;
    ASSERT_TRUE(store.getPage(1, view));
    EXPECT_EQ(view[0], u"Abbott");
    EXPECT_EQ(view[NotesViewIndex], u"one\ntwo");
    EXPECT_EQ(store.dateModified(), u"01/02/03");
    EXPECT_EQ(store.timeModified(), u"04:05");
    EXPECT_FALSE(store.testPageChanged(view));

    view[3] = u"x"_s;
    EXPECT_TRUE(store.testPageChanged(view));
    view[3].clear();
    EXPECT_FALSE(store.testPageChanged(view)) << "typing and deleting again is no change";
    view[0] += u' ';
    EXPECT_TRUE(store.testPageChanged(view)) << "a trailing space counts as a change";

    ASSERT_TRUE(store.putPage(view));
    EXPECT_FALSE(store.testPageChanged(view));
    EXPECT_EQ(book.page(1, 1)[Field::Name], "Abbott");

    // A page beyond the end shows an empty view.
    ASSERT_TRUE(store.getPage(7, view));
    EXPECT_EQ(view, PageTexts{});
}

TEST_F(StoreFixture, PutPageStampsDateTimeAndPageNumber) {
    selectTab(2);
    store.setCurrentPage(1);
    clock.set(QDateTime(QDate(2026, 1, 9), QTime(7, 3)));
    ASSERT_TRUE(store.putPage(named(u"Bea"_s)));
    const QByteArray first = book.tabBytes(2);
    PageRecord page = book.page(2, 1);
    EXPECT_EQ(page[Field::PageNo], "1");
    EXPECT_EQ(page[Field::DateModified], "09/01/26");
    EXPECT_EQ(page[Field::TimeModified], "07:03");

    clock.advance(60);
    ASSERT_TRUE(store.putPage(named(u"Bea"_s)));
    const QByteArray second = book.tabBytes(2);
    const FieldSpec& time = specOf(Field::TimeModified);
    EXPECT_NE(first.mid(time.offset, time.width), second.mid(time.offset, time.width));
    EXPECT_EQ(first.left(time.offset), second.left(time.offset)) << "only the time differs";
    EXPECT_EQ(first.mid(time.offset + time.width), second.mid(time.offset + time.width));
}

TEST_F(StoreFixture, SaveNewPageTakesTheFirstBlankPageElseAppends) {
    book.writeTab(6, {TempBook::named("Fay"), blankRecord(), TempBook::named("Finn"), blankRecord(),
                      TempBook::named("Flo")});
    PageTexts view = named(u"  fiona"_s);
    PageStore::NewPage entered = store.saveNewPage(view);
    ASSERT_TRUE(entered.result);
    EXPECT_EQ(store.currentTab(), 6);
    EXPECT_EQ(entered.page, 2);
    EXPECT_EQ(entered.title, u"ORVELAN Address Book");
    EXPECT_EQ(entered.text, u" New page for the Name: [ fiona ] Entered.    ");
    EXPECT_EQ(view[0], u"fiona");

    book.writeTab(7, {TempBook::named("Gus")});
    view = named(u"Gail"_s);
    PageStore::NewPage created = store.saveNewPage(view);
    ASSERT_TRUE(created.result);
    EXPECT_EQ(created.page, 2);
    EXPECT_EQ(created.title, u"ORVELAN New Page");
    EXPECT_EQ(created.text, u" New page for the Name: [ Gail ] Created.     ");
    EXPECT_EQ(store.pageCount(), 2);

    book.writeTab(8, {});
    view = named(u"Hal"_s);
    ASSERT_TRUE(store.saveNewPage(view).result);
    EXPECT_EQ(book.tabBytes(8).size(), RecordSize) << "an empty tab gets page 1";

    // keep-current-tab files the page under the current tab whatever its name says.
    selectTab(1);
    store.keepCurrentTab = true;
    view = named(u"Zed"_s);
    ASSERT_TRUE(store.saveNewPage(view).result);
    EXPECT_EQ(store.currentTab(), 1);
}

TEST(RuntimeErrors, OperatingSystemFailuresMapOntoRuntimeNumbers) {
    TempBook book;
    const QString inBook = book.folder().tabFilePath(1);
    EXPECT_EQ(runtimeErrorFromErrno(EACCES, inBook), RuntimeError::PermissionDenied);
    EXPECT_EQ(runtimeErrorFromErrno(EROFS, inBook), RuntimeError::PermissionDenied);
    EXPECT_EQ(runtimeErrorFromErrno(ENOSPC, inBook), RuntimeError::DiskFull);
    EXPECT_EQ(runtimeErrorFromErrno(EIO, inBook), RuntimeError::DeviceIoError);

    const StoreFailureMessages messages = messagesFor(
        {StoreFailure::Operation::GetPage, RuntimeError::PermissionDenied, u"Orvel01.raf"_s});
    EXPECT_EQ(messages.first.text,
              u"File Read/Write Error: Windows is Reporting: Permission Denied   ");
    EXPECT_EQ(messages.first.title, u"ORVELAN Error: Orvel01.raf #2070");
}

TEST(StoreMessages, ReadAndWriteFailureTexts) {
    StoreFailure failure{StoreFailure::Operation::GetPage, 53, u"OrvelC0.rfx"_s};
    StoreFailureMessages messages = messagesFor(failure);
    EXPECT_EQ(messages.first.icon, PromptIcon::Critical);

    failure.error = 5;
    messages = messagesFor(failure);
    EXPECT_FALSE(messages.continuable);
    EXPECT_EQ(messages.first.text, u"Unexpected Error: Can't GETPAGE() :  205-6558  ");

    failure = {StoreFailure::Operation::PutPage, 61, u"Orvel01.raf"_s};
    messages = messagesFor(failure);
    EXPECT_EQ(messages.first.title, u"ORVELAN Error: 0661:2011");
    // A failed write says it could not write, and why; never that it could not read.
    EXPECT_EQ(messages.first.text, u"ERROR: Can't Write File(s): Orvel01.raf  The disk is full.");
    failure.operation = StoreFailure::Operation::SaveNewPage;
    failure.error = 75;
    EXPECT_EQ(messagesFor(failure).first.text,
              u"ERROR: Can't Write File(s): Orvel01.raf  A folder or a link stands where the "
              u"file should be.");
}

TEST(TabFileErrors, MissingFileAndFolderMapToTheirNumbers) {
    TempBook book;
    QFile::remove(book.folder().tabFilePath(2));
    EXPECT_EQ(TabFile(book.folder().tabFilePath(2)).readPage(1).error, RuntimeError::FileNotFound);
    EXPECT_EQ(TabFile(book.root() + u"/Nowhere/Orvel01.raf"_s).readPage(1).error,
              RuntimeError::PathNotFound);
    EXPECT_EQ(TabFile(book.root() + u"/Nowhere/Orvel01.raf"_s).writePage(1, blankRecord()),
              RuntimeError::PathNotFound);
}

// A record is written inside the file or just behind its end, never further: a gap would read
// back as a page of zero bytes.
TEST(TabFileErrors, NoRecordIsWrittenBeyondTheEndPlusOne) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ada")});
    const QByteArray before = book.tabBytes(1);
    const TabFile file(book.folder().tabFilePath(1));
    EXPECT_EQ(file.writePage(3, TempBook::named("Amy")), RuntimeError::BadRecordNumber);
    EXPECT_EQ(book.tabBytes(1), before);
    EXPECT_EQ(file.writePage(2, TempBook::named("Amy")), 0);
    EXPECT_EQ(book.pageCount(1), 2);
    QFile::remove(book.folder().tabFilePath(2));
    EXPECT_EQ(TabFile(book.folder().tabFilePath(2)).writePage(2, blankRecord()),
              RuntimeError::BadRecordNumber);
    EXPECT_FALSE(QFile::exists(book.folder().tabFilePath(2)));
}

// A full disk while a page is appended: the write fails with "disk full" and the file keeps its
// old length, so every page readable before stays readable.
TEST(TabFileErrors, FullDiskLeavesTheFileAsItWas) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ada"), TempBook::named("Abe")});
    const QByteArray before = book.tabBytes(1);
    {
        const test::FileSizeLimit full(before.size() + 100); // part of one more record only
        EXPECT_EQ(TabFile(book.folder().tabFilePath(1)).writePage(3, TempBook::named("Amy")),
                  RuntimeError::DiskFull);
    }
    EXPECT_EQ(book.tabBytes(1), before);
}
