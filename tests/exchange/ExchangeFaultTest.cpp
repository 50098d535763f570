// Import and export under faults: a full disk part way, an unreadable tab, a planted link.
#include "ExchangeTestData.h"
#include "exchange/Export.h"
#include "exchange/ImportAgainstBook.h"
#include "exchange/ImportStaging.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/eab/EabContainer.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"
#include "support/FakeClock.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

// A staging of `count` names under tab 1 (A), then of `more` records ("name" or
// "name,e-mail"), listed.
QList<ListedRecord> stageNames(const TempBook& book, int count,
                               const QList<QByteArray>& more = {}) {
    ImportStaging staging(book.folder());
    staging.reset();
    for (int i = 0; i < count + more.size(); ++i) {
        const QList<QByteArray> values =
            (i < count ? "Anna " + QByteArray::number(i) : more[i - count]).split(',');
        ImportRecord record;
        record[VName] = values[0];
        record[VEmail] = values.value(1);
        staging.stage(record, Now);
    }
    staging.flush();
    return staging.list();
}

struct FullDiskRow {
    const char* what;
    ImportDuplicates choice;
    QList<QByteArray> more; // records staged after "Anna 0" .. "Anna 22"
    const char* lines;      // the summary's lines after "Records read" and "Imported 3 ..."
};

class ImportOnAFullDisk : public testing::TestWithParam<FullDiskRow> {};

} // namespace

// Tab A holds 10 pages and has room for 3 more and part of a fourth: "Anna 0" .. "Anna 2" are
// filed. A record met against one of those is counted as it was; one met against a record that
// could not be written was not imported either.
TEST_P(ImportOnAFullDisk, CountsExactlyThePagesWrittenAndLeavesNoPartRecord) {
    const FullDiskRow& t = GetParam();
    TempBook book;
    book.writeTab(1, QList<QByteArray>(10, TempBook::named("Abe")));
    const QList<ListedRecord> listed = stageNames(book, 23, t.more);
    ImportSummary summary;
    ImportOutcome outcome;
    {
        const FileSizeLimit limit(13 * RecordSize + 1374);
        outcome = importAgainstBook(book.folder(), FakeClock(), listed, t.choice, summary);
    }
    summary.recordImport(outcome.perTab, outcome.written, outcome.failures);
    EXPECT_EQ(summary.lines().mid(2).join(u'\n').toStdString(), t.lines) << t.what;
    EXPECT_EQ(book.tabBytes(1).size(), 13 * RecordSize) << "the part record is undone";
    EXPECT_EQ(book.page(1, 13)[Field::Name], "Anna 2");
    EXPECT_EQ(importFailureText(outcome),
              u"%1 record(s) could not be imported; 3 were. Could not "
              u"write the file. The disk is full."_s.arg(outcome.failures));
}

INSTANTIATE_TEST_SUITE_P(
    Records, ImportOnAFullDisk,
    testing::Values(
        FullDiskRow{"names alone", ImportDuplicates::Skip, {}, "Could not be written: 20"},
        FullDiskRow{"again, a page filed and one not; look-alikes",
                    ImportDuplicates::Skip,
                    {"Anna 1", "Anna 20", "ANNA 21,anna@example.com", "ANNA 0,anna@example.com"},
                    "Already in the book, not imported again: 1 - Anna 1\n"
                    "Could not be written: 23"},
        FullDiskRow{"merged into a record filed and one not",
                    ImportDuplicates::Merge,
                    {"ANNA 5,anna@example.com", "ANNA 2,anna@example.com"},
                    "Merged into a page in the book: 1 - ANNA 2\nCould not be written: 21"}));

TEST(ImportStagingLinks, APlantedLinkNeverLeadsAStagingWriteOutOfTheBook) {
    TempBook book;
    const QString outside = book.root() + u"/victim.txt"_s;
    {
        QFile file(outside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    for (int tab = 0; tab < TabCount; ++tab)
        ASSERT_TRUE(QFile::link(outside, book.folder().tabTempFilePath(tab)));
    const QList<ListedRecord> listed = stageNames(book, 3);
    EXPECT_EQ(listed.size(), 3);
    EXPECT_EQ(fileBytes(outside), "precious");
    EXPECT_FALSE(QFileInfo(book.folder().tabTempFilePath(1)).isSymLink());
}

TEST(ExportOfAnUnreadableTab, FailsWithItsNameAndWritesNothing) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    book.writeTab(7, {TempBook::named("Gus")});
    QFile::remove(book.folder().tabFilePath(5));
    ASSERT_TRUE(QDir().mkdir(book.folder().tabFilePath(5))); // a folder in its place
    const QString out = book.root() + u"/out.csv"_s;
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::Eab, ExportFormat::VCard30, ExportFormat::VCard40}) {
        SCOPED_TRACE(int(format));
        const ExportResult whole = exportBookToFile(out, format, book.folder(), {});
        EXPECT_FALSE(whole.ok());
        EXPECT_TRUE(whole.problem.contains(u"Orvel05.raf"_s)) << whole.problem.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    QList<int> unread;
    EXPECT_EQ(findPages(book.folder(), {}, {}, &unread).size(), 2);
    EXPECT_EQ(unread, QList<int>{5});
    // A listed page whose tab cannot be read fails the listed export too; one no longer there
    // is left out.
    const QList<ListedRecord> listed = {{5, 1, {}}, {7, 1, {}}};
    EXPECT_FALSE(exportToFile(out, ExportFormat::Csv, book.folder(), listed).isEmpty());
    EXPECT_EQ(exportToFile(out, ExportFormat::VCard40, book.folder(), {{7, 1, {}}, {7, 9, {}}}),
              QString());
    EXPECT_EQ(fileBytes(out).count("BEGIN:VCARD"), 1);
}

TEST(StreamedExport, WholeBookAndListedExportsWriteTheSameFiles) {
    TempBook book;
    book.writeTab(2, {TempBook::named("Bea"), blankRecord(), TempBook::named("Bob")});
    book.writeTab(25, {TempBook::named("Zoe")});
    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::Eab}) {
        QByteArray streamed;
        const auto writer = exportWriter(format, [&](QByteArrayView bytes) {
            streamed += bytes;
            return true;
        });
        const ExportResult result = exportBook(book.folder(), {}, *writer);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.pages, 3);
        const QList<ListedRecord> listed = findPages(book.folder(), {});
        EXPECT_EQ(streamed, format == ExportFormat::Eab ? buildEabExport(book.folder(), listed)
                                                        : buildCsvExport(book.folder(), listed));
    }
    // A new export file is private to the user.
    const QString out = book.root() + u"/out.eab"_s;
    ASSERT_TRUE(exportBookToFile(out, ExportFormat::Eab, book.folder(), {}).ok());
    EXPECT_EQ(modeOf(out), 0600);
    // An export that finds nothing leaves an existing file as it was.
    EXPECT_EQ(exportBookToFile(out, ExportFormat::Csv, book.folder(), u"nobody"_s).pages, 0);
    EXPECT_EQ(fileBytes(out).left(10),
              buildEabExport(book.folder(), findPages(book.folder(), {})).left(10));
}

TEST(ExportOnAFullDisk, SaysTheDiskIsFullAndKeepsTheOldFile) {
    TempBook book;
    QList<QByteArray> pages;
    for (int i = 0; i < 20; ++i)
        pages << TempBook::named("Ann " + QByteArray::number(i));
    book.writeTab(1, pages);
    const QString out = book.root() + u"/out.eab"_s;
    writeBytes(out, "old export");
    ExportResult result;
    {
        const FileSizeLimit limit(5 * RecordSize);
        result = exportBookToFile(out, ExportFormat::Eab, book.folder(), {});
    }
    EXPECT_EQ(result.problem, u"The disk is full.");
    EXPECT_EQ(fileBytes(out), "old export");
    EXPECT_TRUE(temporariesIn(book.root()).isEmpty());
}

// Another program cuts the import file short while it is read, a window at a time: the read ends
// with an error, and no record is given from beyond what was read whole.
TEST(ImportFileCutWhileRead, EndsTheReadWithAnError) {
    TempBook book;
    const QString path = book.folder().dataBookDir() + u"/import"_s;
    QByteArray csv = "Name,Notes\r\n";
    EabSegmentList segments;
    for (int i = 0; i < 40; ++i) {
        csv += "Anna " + QByteArray::number(i) + ",\"a note\r\nof two lines\"\r\n";
        segments[0] += TempBook::named("Anna " + QByteArray::number(i));
    }
    const auto cutToHalf = [&] {
        ::truncate(QFile::encodeName(path).constData(), QFileInfo(path).size() / 2);
    };
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(csv);
    }
    CsvText text = CsvText::fromFile(path, {}, 64);
    ASSERT_EQ(text.readError(), 0);
    QByteArray line;
    int lines = 0;
    while (text.nextLine(line)) {
        EXPECT_TRUE(line.endsWith("lines\"") || line == "Name,Notes") << line.toStdString();
        if (++lines == 2)
            cutToHalf();
    }
    EXPECT_NE(text.readError(), 0);
    EXPECT_LT(lines, 40);

    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(buildEab(segments));
    }
    int error = 0;
    const EabLayout layout = eabLayout(path, error);
    ASSERT_EQ(layout.status, EabRead::Status::Ok);
    qint64 records = 0;
    error = scanEab(
        path, layout,
        [&](int, QByteArrayView batch) {
            if (records == 0)
                cutToHalf();
            records += batch.size() / RecordSize;
            return true;
        },
        4);
    EXPECT_NE(error, 0);
    EXPECT_LT(records, 40);

    QFile::remove(path);
    EXPECT_EQ(CsvText::fromFile(path).readError(), RuntimeError::FileNotFound);
    EXPECT_EQ(eabLayout(path, error).status, EabRead::Status::Refused);
    EXPECT_EQ(error, RuntimeError::FileNotFound);
}
