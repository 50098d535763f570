// The book under faults: stale locks, cut-short first runs, full disks, planted links, private
// files and the temporaries of interrupted writes.
#include "store/AtomicFile.h"
#include "store/BookLock.h"
#include "store/BookMaintenance.h"
#include "store/PageStore.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"
#include "store/Settings.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

void dated(const QString& path, qint64 secondsFromNow) {
    const time_t when = ::time(nullptr) + secondsFromNow;
    const utimbuf times{when, when};
    ::utime(QFile::encodeName(path).constData(), &times);
}

} // namespace

// What a crash, a copy or a hand left at the lock's name, made by `plant` in the book folder.
struct LeftLock {
    const char* what;
    std::function<void(const QString& lock, const QString& elsewhere)> plant;
};

class BookLockTakeover : public testing::TestWithParam<LeftLock> {};

static QByteArray endedProcessLock() {
    QProcess ended;
    ended.start(u"true"_s, {});
    ended.waitForFinished();
    return QByteArray::number(ended.processId()) + "\norvelan\n\n";
}

// Nothing but a lock held by a running process counts: the rest is taken over at once,
// whatever its date, kind or content, and what a link points to is left alone.
TEST_P(BookLockTakeover, ALockNoRunningProcessHoldsIsTakenOver) {
    TempBook book;
    const QString lock = book.folder().lockPath();
    const QString elsewhere = book.root() + u"/elsewhere"_s;
    writeBytes(elsewhere, "12\norvelan\n\n");
    GetParam().plant(lock, elsewhere);
    BookLock taking(book.folder());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(taking.take(0ms), BookLock::Result::Taken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(readBytes(elsewhere), QByteArray("12\norvelan\n\n"));
    const QFileInfo now(lock);
    EXPECT_TRUE(now.isFile() && !now.isSymLink()) << "the lock is ours now";
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, BookLockTakeover,
    testing::Values(
        LeftLock{"empty, old",
                 [](const QString& lock, auto) {
                     writeBytes(lock, {});
                     dated(lock, -7200);
                 }},
        LeftLock{"empty, just written", [](const QString& lock, auto) { writeBytes(lock, {}); }},
        LeftLock{"empty, dated a day ahead",
                 [](const QString& lock, auto) {
                     writeBytes(lock, {});
                     dated(lock, 86400);
                 }},
        LeftLock{"garbage",
                 [](const QString& lock, auto) { writeBytes(lock, "\x01\x02garbage\n"); }},
        LeftLock{"an ended process",
                 [](const QString& lock, auto) { writeBytes(lock, endedProcessLock()); }},
        LeftLock{"a running process that does not hold it, dated ahead",
                 [](const QString& lock, auto) {
                     writeBytes(lock, QByteArray::number(::getpid()) + "\norvelan\n" +
                                          QSysInfo::machineHostName().toUtf8() + '\n');
                     dated(lock, 86400);
                 }},
        LeftLock{"an empty folder", [](const QString& lock, auto) { QDir().mkpath(lock); }},
        LeftLock{"a folder with a file",
                 [](const QString& lock, auto) {
                     QDir().mkpath(lock);
                     writeBytes(lock + u"/kept"_s, "kept");
                 }},
        LeftLock{
            "a link to a file elsewhere",
            [](const QString& lock, const QString& elsewhere) { QFile::link(elsewhere, lock); }},
        LeftLock{
            "a link to nowhere",
            [](const QString& lock, auto) { QFile::link(u"/nonexistent/orvelan.lock"_s, lock); }},
        LeftLock{"a pipe", [](const QString& lock,
                              auto) { ::mkfifo(QFile::encodeName(lock).constData(), 0600); }}),
    [](const testing::TestParamInfo<LeftLock>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(BookLockFolder, AFolderWithContentsAtTheLockIsMovedAsideWhole) {
    TempBook book;
    const QString lock = book.folder().lockPath();
    QDir().mkpath(lock);
    writeBytes(lock + u"/kept"_s, "kept");
    BookLock taking(book.folder());
    ASSERT_EQ(taking.take(0ms), BookLock::Result::Taken);
    const QStringList aside = QDir(book.root()).entryList({u"orvelan.lock.moved-*"_s}, QDir::Dirs);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readBytes(book.root() + u'/' + aside[0] + u"/kept"_s), "kept");
}

TEST(BookLockHolders, TellsTheWindowFromACommandAndWaitsOnlyForACommand) {
    TempBook book;
    {
        const WindowLockHolder window(book.folder().lockPath());
        ASSERT_TRUE(window.held());
        BookLock taking(book.folder());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(taking.take(5s), BookLock::Result::HeldByWindow);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "the window is not waited for";
    }
    QLockFile command(book.folder().lockPath());
    ASSERT_TRUE(command.tryLock(0));
    BookLock taking(book.folder());
    EXPECT_EQ(taking.take(200ms), BookLock::Result::HeldByCommand);
    command.unlock();
    EXPECT_EQ(taking.take(200ms), BookLock::Result::Taken);
    EXPECT_TRUE(taking.isTaken());
}

TEST(FirstRun, ACutShortFirstRunIsCompletedWithoutTouchingWhatExists) {
    TempBook book(false);
    ASSERT_TRUE(QDir().mkpath(book.folder().dataBookDir()));
    book.writeTab(1, {TempBook::named("Ann"), TempBook::named("Al")});
    book.writeTab(2, {});
    MaintenanceReport report;
    EXPECT_EQ(completeBook(book.folder(), report), 24);
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(book.pageCount(1), 2) << "an existing tab is never touched";
    EXPECT_EQ(book.pageCount(2), 0) << "an existing empty tab stays empty";
    for (int tab : {0, 3, 25})
        EXPECT_EQ(book.tabBytes(tab), blankRecord()) << tab;
    EXPECT_EQ(completeBook(book.folder(), report), 0) << "a whole book is left alone";
}

TEST(Backups, AnOldBackupIsReplacedOnlyByAWholeNewOne) {
    TempBook book;
    for (int tab = 1; tab <= 25; ++tab)
        book.writeTab(tab, {TempBook::named("Old"), blankRecord()});
    ASSERT_TRUE(removeBlankPages(book.folder(), [](const QString&, double) {}).ok());
    const QString backup = book.folder().reserveDir() + u"/Orvel05.raf"_s;
    const QByteArray oldBackup = readBytes(backup);
    ASSERT_EQ(oldBackup.size(), 2 * RecordSize);

    // The tabs have grown; the disk takes no file of their new size.
    QList<QByteArray> grown;
    for (int i = 0; i < 4; ++i)
        grown << TempBook::named("New") << blankRecord();
    for (int tab = 1; tab <= 25; ++tab)
        book.writeTab(tab, grown);
    MaintenanceReport report;
    {
        const FileSizeLimit limit(3 * RecordSize);
        report = removeBlankPages(book.folder(), [](const QString&, double) {});
    }
    EXPECT_FALSE(report.ok());
    EXPECT_TRUE(report.failures.first().contains(u"The disk is full."_s));
    for (int tab = 1; tab <= 25; ++tab) {
        EXPECT_EQ(readBytes(book.folder().reserveDir() + u'/' + tabFileName(tab)), oldBackup)
            << "backup of tab " << tab;
        EXPECT_EQ(book.pageCount(tab), 8) << "a tab without its new backup is not compacted";
    }
    EXPECT_TRUE(temporariesIn(book.folder().reserveDir()).isEmpty());
}

TEST(PrivateBook, NewFilesArePrivateAndRewrittenFilesKeepTheirMode) {
    TempBook book(false);
    MaintenanceReport report;
    ASSERT_TRUE(completeBook(book.folder(), report) == 26);
    EXPECT_EQ(modeOf(book.folder().dataBookDir()), 0700);
    EXPECT_EQ(modeOf(book.folder().tabFilePath(7)), 0600);
    ASSERT_EQ(SettingsFile(book.folder().settingsPath()).write(Settings()), 0);
    EXPECT_EQ(modeOf(book.folder().settingsPath()), 0600) << "it holds the master password";

    // A tab the user opened up (or closed further) keeps its mode through compaction.
    book.writeTab(3, {blankRecord(), TempBook::named("Cy")});
    ::chmod(QFile::encodeName(book.folder().tabFilePath(3)).constData(), 0640);
    ASSERT_TRUE(removeBlankPages(book.folder(), [](const QString&, double) {}).ok());
    EXPECT_EQ(book.pageCount(3), 1);
    EXPECT_EQ(modeOf(book.folder().tabFilePath(3)), 0640);
    EXPECT_EQ(modeOf(book.folder().reserveDir()), 0700);
    EXPECT_EQ(modeOf(book.folder().reserveDir() + u"/Orvel03.raf"_s), 0600);
}

TEST(PlantedLinks, WritersReplaceOrRefuseALinkButNeverWriteThroughIt) {
    TempBook book;
    const QString outside = book.root() + u"/outside.txt"_s;
    writeBytes(outside, "keep me");
    const QString planted = book.folder().tabTempFilePath(4);
    ASSERT_TRUE(QFile::link(outside, planted));
    EXPECT_NE(TabFile(planted).appendPages(blankRecord()), 0);
    EXPECT_NE(TabFile(planted).writePage(1, blankRecord()), 0);
    ASSERT_EQ(replaceFileAtomically(planted, blankRecord()), 0);
    EXPECT_FALSE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(readBytes(outside), "keep me");
}

TEST(Temporaries, InterruptedWritesLeaveOnlyRecognisedFilesThatTheNextStartRemoves) {
    TempBook book;
    // Named temporaries of a crashed write carry the pattern and are removed; others stay.
    const QByteArray crashed = temporaryNameFor(QFile::encodeName(book.folder().tabFilePath(2)));
    writeBytes(QFile::decodeName(crashed), "partial");
    writeBytes(book.folder().settingsPath() + u".orvelan-tmp-ab12CD"_s, "partial");
    writeBytes(book.folder().dataBookDir() + u"/notes.txt"_s, "mine");
    EXPECT_TRUE(isTemporaryFileName(QFileInfo(QFile::decodeName(crashed)).fileName()));
    EXPECT_EQ(removeLeftoverTemporaries(book.folder()), 2);
    EXPECT_TRUE(QFile::exists(book.folder().dataBookDir() + u"/notes.txt"_s));
}

// A kill between two of the file's pages leaves part of the last record of a write that makes
// a tab longer. The next start cuts off only that part: past the last whole record the write
// wrote from where it started, in a file it made longer.
TEST(Temporaries, TheNextStartCutsOffThePartRecordOfAWriteAKillCut) {
    struct Row {
        qint64 size;
        QByteArray note; // where the write started, the old length, the record size
        qint64 kept;
    } const rows[] = {
        {2 * 1690 + 700, "1690 1690 1690", 2 * 1690},
        {4 * 1730 + 9, "1730 1730 1730", 4 * 1730}, // sealed records
        // Written from the last whole page, over a part record that was there before.
        {3 * 1690 + 1690 + 800, "5070 5170 1690", 4 * 1690},
        {3 * 1690, "1690 1690 1690", 3 * 1690},   // the write went through whole
        {3 * 1690 + 100, "5070 5170 1690", 5170}, // not made longer: the part stays for check
        {1690 + 700, "x 1690 1690", 1690 + 700},  // a note it cannot read
    };
    for (const Row& row : rows) {
        TempBook book;
        const QString tab = book.folder().tabFilePath(3);
        writeBytes(tab, QByteArray(row.size, 'r'));
        writeBytes(tab + u".appending"_s, row.note);
        removeLeftoverTemporaries(book.folder());
        EXPECT_EQ(QFileInfo(tab).size(), row.kept) << row.note.constData() << " " << row.size;
        EXPECT_FALSE(QFile::exists(tab + u".appending"_s));
    }
    // A write that ends leaves no note.
    TempBook book;
    const QString tab = book.folder().tabFilePath(4);
    ASSERT_EQ(TabFile(tab).appendPages(blankRecord() + blankRecord()), 0);
    EXPECT_FALSE(QFile::exists(tab + u".appending"_s));
}

// Another program cuts a tab file short while a whole-book read has it mapped: the read ends
// with an error instead of the program, and the next read sees the file as it is. Neither that
// nor a visitor that runs out of memory keeps the file open or mapped.
TEST(CutWhileRead, AScanOfAFileCutShortEndsWithAnError) {
    TempBook book;
    book.writeTab(1, QList<QByteArray>(20, TempBook::named("Ann")));
    const TabFile file = book.folder().tabFile(1);
    const auto held = [&] {
        return std::pair(QDir(u"/proc/self/fd"_s).entryList(QDir::AllEntries | QDir::System).size(),
                         readBytes(u"/proc/self/maps"_s).count(QFile::encodeName(file.path())));
    };
    const auto before = held();
    EXPECT_THROW(file.scan([](qint64, QByteArrayView) -> bool { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_EQ(held(), before);
    qint64 visited = 0;
    const int error = file.scan([&](qint64 page, QByteArrayView record) {
        EXPECT_EQ(record, TempBook::named("Ann")); // read, as every scan reads its records
        ++visited;
        if (page == 1)
            ::truncate(QFile::encodeName(book.folder().tabFilePath(1)).constData(), 0);
        return true;
    });
    EXPECT_NE(error, 0);
    EXPECT_EQ(visited, 1);
    EXPECT_EQ(held(), before);
    EXPECT_EQ(file.scan([](qint64, QByteArrayView) { return true; }), 0);
}

TEST(WriteFailures, AFullDiskIsReportedAsAWriteFailureAndLeavesNoPartRecord) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    SystemClock clock;
    PageStore store(book.folder(), clock);
    PageTexts view;
    view[0] = u"Abe"_s;
    PageStore::NewPage outcome;
    {
        const FileSizeLimit limit(RecordSize + 100);
        outcome = store.saveNewPage(view);
    }
    ASSERT_FALSE(outcome.result.ok);
    EXPECT_EQ(book.tabBytes(1).size(), RecordSize) << "no part record";
    const QString text = messagesFor(outcome.result.failure).first.text;
    EXPECT_TRUE(text.contains(u"Can't Write"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"The disk is full."_s)) << text.toStdString();

    // A folder where a tab file should be is said to be one, for reads and for writes.
    QFile::remove(book.folder().tabFilePath(2));
    ASSERT_TRUE(QDir().mkdir(book.folder().tabFilePath(2)));
    EXPECT_EQ(TabFile(book.folder().tabFilePath(2)).readPage(1).error,
              RuntimeError::PathFileAccessError);
    EXPECT_FALSE(TabFile(book.folder().tabFilePath(2)).pageCount().has_value());
    EXPECT_EQ(writeErrorMessage(TabFile(book.folder().tabFilePath(2)).writePage(1, blankRecord())),
              QStringLiteral("Could not write the file. A folder or a link stands where the file "
                             "should be."));
}
