// Speed of the exchange paths on generated books: reading, mapping and staging a 10,000-record
// comma-separated file (in the layout of a widespread mail program and of a webmail export whose
// names are joined from two columns and hold several scripts), importing 10,000 records into a
// book of 25,000 pages, and exporting 25,000 pages in both formats.
#include "exchange/csv/CsvImport.h"
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

// 10,000 records under a webmail export's header: first and last names joined by Auto, names in
// Latin, Cyrillic and Chinese script, a multi-line formatted address.
QByteArray generatedWebmailCsv(int records) {
    QByteArray csv =
        "First Name,Middle Name,Last Name,File As,Organization Name,Organization Title,"
        "Notes,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,"
        "Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
        "Address 1 - Postal Code\n";
    const QByteArray last[] = {"Adams", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2",
                               "\xE7\x8E\x8B", "\xC3\x85ngstr\xC3\xB6m"};
    for (int i = 0; i < records; ++i) {
        const QByteArray n = QByteArray::number(i);
        csv += "Person" + n + ",," + last[i % 4] + n + ",,\"Firm " + QByteArray::number(i % 97) +
               ", Ltd\",Clerk,,* Home,p" + n + "@example.org,Mobile,07700 900" + n + ",\"" + n +
               " High Street\nLeeds\nLS1 1AA\"," + n + " High Street,Leeds,LS1 1AA\n";
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

// Reads, maps and stages the file (first arg 0: the mail program's layout, 1: the webmail
// layout), and with second arg 1 lists the staged records too.
void BM_ReadStageAndListCsv(benchmark::State& state) {
    QTemporaryDir dir;
    const BookFolder folder(dir.path());
    MaintenanceReport report;
    createBookIfMissing(folder, report);
    const QString path = dir.path() + QStringLiteral("/in.csv");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(state.range(0) == 0 ? generatedCsv(10000) : generatedWebmailCsv(10000));
    }
    for (auto _ : state) {
        int error = 0;
        const QByteArray bytes = readImportFile(path, error);
        FieldMapping mapping;
        mapping.setColumns(csvColumns(bytes));
        mapping.autoMap();
        ImportStaging staging(folder);
        const ImportSummary summary = stageCsv(bytes, mapping, staging, Now);
        if (summary.read != 10000 || summary.staged != 10000)
            state.SkipWithError("not every record was staged");
        if (state.range(1) == 1) {
            const QList<ListedRecord> listed = staging.list();
            if (listed.size() != 10000)
                state.SkipWithError("not every record was listed");
            benchmark::DoNotOptimize(listed);
        }
    }
    state.SetLabel(
        QByteArray(state.range(0) == 0 ? "mail program layout" : "webmail layout, joined names")
            .append(state.range(1) == 1 ? ", then listed" : "")
            .toStdString());
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
BENCHMARK(BM_ReadStageAndListCsv)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_ImportIntoFullBook)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
