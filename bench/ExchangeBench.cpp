// Speed of the exchange paths on generated books: reading and staging a 10,000-record
// comma-separated file, importing 10,000 records into a book of 25,000 pages, and exporting
// 25,000 pages in both formats.
#include "exchange/CsvImport.h"
#include "exchange/Export.h"
#include "exchange/ImportStaging.h"
#include "store/BookFolder.h"
#include "store/BookMaintenance.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace orvelan;

namespace {

const QDateTime Now(QDate(2026, 3, 4), QTime(9, 7));

QByteArray letterName(int i) {
    const char first = static_cast<char>('A' + i % 26);
    return QByteArray(1, first) + "person " + QByteArray::number(i);
}

// 10,000 records under the header of a widespread mail program's export, some fields quoted.
QByteArray generatedCsv(int records) {
    QByteArray csv =
        "Name,Company,Home Street,Home City,Home Postal Code,Home Phone,Business Phone,"
        "Mobile Phone,E-mail Address,Job Title,Department,Notes\r\n";
    for (int i = 0; i < records; ++i) {
        csv += letterName(i) + ",\"Firm " + QByteArray::number(i % 97) + ", Ltd\"," +
               QByteArray::number(i) + " High Street,Town,AB1 2CD,01234 " + QByteArray::number(i) +
               ",020 7946 0000,07700 900" + QByteArray::number(i % 1000) + ",p" +
               QByteArray::number(i) + "@example.org,Clerk,Sales,\"first line\r\nsecond\"\r\n";
    }
    return csv;
}

// A book of `pages` pages over the 25 letter tabs, every 50th page blank.
struct GeneratedBook {
    QTemporaryDir dir;
    BookFolder folder{dir.path()};
    std::array<QByteArray, 26> tabs;

    explicit GeneratedBook(int pages) {
        MaintenanceReport report;
        createBookIfMissing(folder, report);
        for (int i = 0; i < pages; ++i) {
            const int tab = FirstLetterTab + i % 25;
            if (i % 50 == 49) {
                tabs[tab] += blankRecord();
                continue;
            }
            PageRecord page;
            page[Field::Name] = QByteArray(1, tabLabel(tab)[0]) + "name " + QByteArray::number(i);
            page[Field::Organisation] = "Organisation " + QByteArray::number(i % 300);
            page[Field::Phone1] = "01234 " + QByteArray::number(i);
            page[Field::Email] = "someone" + QByteArray::number(i) + "@example.org";
            page[Field::Notes] = "A note\r\nof two lines";
            page[Field::DateModified] = "04/03/26";
            page[Field::TimeModified] = "09:07";
            tabs[tab] += page.toStored();
        }
        restore();
    }

    void restore() const {
        for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
            QFile file(folder.tabFilePath(tab));
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(tabs[tab]);
        }
    }
};

void BM_ReadStageAndListCsv(benchmark::State& state) {
    QTemporaryDir dir;
    const BookFolder folder(dir.path());
    MaintenanceReport report;
    createBookIfMissing(folder, report);
    const QString path = dir.path() + QStringLiteral("/in.csv");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(generatedCsv(10000));
    }
    for (auto _ : state) {
        int error = 0;
        const QByteArray bytes = readImportFile(path, error);
        FieldMapping mapping;
        mapping.setColumns(csvColumns(bytes));
        mapping.autoMap();
        ImportStaging staging(folder);
        const CsvReadOutcome outcome = stageCsv(bytes, mapping, staging, Now);
        const QList<ListedRecord> listed = staging.list();
        if (outcome.staged != 10000 || listed.size() != 10000)
            state.SkipWithError("not every record was staged and listed");
        benchmark::DoNotOptimize(listed);
    }
}

void BM_ImportIntoFullBook(benchmark::State& state) {
    GeneratedBook book(25000);
    ImportStaging staging(book.folder);
    staging.reset();
    ImportRecord record;
    for (int i = 0; i < 10000; ++i) {
        record[0] = letterName(i);
        record[14] = "Imported";
        staging.stage(record, Now);
    }
    staging.flush();
    const QList<ListedRecord> listed = staging.list();
    for (auto _ : state) {
        state.PauseTiming();
        book.restore();
        state.ResumeTiming();
        const ImportOutcome outcome = importListed(book.folder, listed);
        if (outcome.written != 10000)
            state.SkipWithError("not every record was imported");
    }
}

void BM_ExportAll(benchmark::State& state) {
    const bool eab = state.range(0) == 1;
    GeneratedBook book(25000);
    const QString path =
        book.dir.path() + (eab ? QStringLiteral("/out.eab") : QStringLiteral("/out.csv"));
    for (auto _ : state) {
        const QList<ListedRecord> pages = findPages(book.folder, {});
        const QString problem =
            exportToFile(path, eab ? ExportFormat::Eab : ExportFormat::Csv, book.folder, pages);
        if (!problem.isEmpty() || pages.size() != 24500)
            state.SkipWithError("export failed");
    }
    state.SetLabel(eab ? "eab" : "csv");
}

// The parts of an exchange file export: listing, building, writing.
void BM_ExportEabParts(benchmark::State& state) {
    GeneratedBook book(25000);
    const QString path = book.dir.path() + QStringLiteral("/out.eab");
    const QList<ListedRecord> listed = findPages(book.folder, {});
    const QByteArray built = buildEabExport(book.folder, listed);
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            benchmark::DoNotOptimize(findPages(book.folder, {}));
            break;
        case 1:
            benchmark::DoNotOptimize(buildEabExport(book.folder, listed));
            break;
        default:
            exportToFile(path, ExportFormat::Eab, book.folder, listed);
        }
    }
    state.SetLabel(state.range(0) == 0   ? "list"
                   : state.range(0) == 1 ? "build in memory"
                                         : "stream to file");
}

} // namespace

BENCHMARK(BM_ExportEabParts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadStageAndListCsv)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImportIntoFullBook)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
