// vCards on the 25,000-page book (1,000 named pages per letter tab): exporting the whole book to
// one .vcf, in this process and as the tool (with its peak memory), and importing 25,000 cards
// into the book (read, map, stage, list and file), and again as the tool into the book that
// already holds them; and the tool merging 1,000, 5,000 and 25,000 look-alikes (each card of a
// 25,000-card book again with a note) into their pages.
#include "BenchBook.h"

#include "exchange/Export.h"
#include "exchange/ImportStaging.h"
#include "exchange/vcard/VCardImport.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

BenchBook& sharedBook() {
    static BenchBook book;
    return book;
}

const QTemporaryDir& outputDir() {
    static QTemporaryDir dir;
    return dir;
}

void exportWholeBookAsVCards(benchmark::State& state) {
    const BookFolder& folder = sharedBook().folder();
    const QString path = outputDir().filePath(QStringLiteral("book.vcf"));
    qint64 cards = 0;
    for (auto _ : state) {
        const ExportResult result = exportBookToFile(path, ExportFormat::VCard30, folder, {});
        cards = result.pages;
        if (!result.ok()) {
            state.SkipWithError(result.problem.toLocal8Bit().constData());
            break;
        }
    }
    state.counters["cards"] = static_cast<double>(cards);
    state.counters["file_MB"] = static_cast<double>(QFile(path).size()) / (1024.0 * 1024.0);
}
BENCHMARK(exportWholeBookAsVCards)->Unit(benchmark::kMillisecond);

// `orvelan-book export vcf` of the whole book as a separate process: wall time and peak memory.
void toolExportWholeBookAsVCards(benchmark::State& state) {
    const QString home = sharedBook().folder().root();
    const QString path = outputDir().filePath(QStringLiteral("tool.vcf"));
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), home,
                                                                 QStringLiteral("export"),
                                                                 QStringLiteral("vcf"), path});
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
}
BENCHMARK(toolExportWholeBookAsVCards)->Unit(benchmark::kMillisecond)->UseRealTime();

void import25000CardsIntoTheBook(benchmark::State& state) {
    BenchBook& book = sharedBook();
    const QString cardsPath = outputDir().filePath(QStringLiteral("cards.vcf"));
    if (exportToFile(cardsPath, ExportFormat::VCard30, book.folder(),
                     findPages(book.folder(), {})) != QString()) {
        state.SkipWithError("cannot write the cards");
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    qint64 imported = 0;
    for (auto _ : state) {
        ImportStaging staging(book.folder());
        const ImportSummary summary = stageVCardFiles({cardsPath}, staging, now);
        const ImportOutcome outcome = importListed(book.folder(), staging.list());
        imported = outcome.written;
        benchmark::DoNotOptimize(summary.staged);
        state.PauseTiming();
        book.regenerate();
        state.ResumeTiming();
    }
    state.counters["imported"] = static_cast<double>(imported);
}
BENCHMARK(import25000CardsIntoTheBook)->Unit(benchmark::kMillisecond)->Iterations(5);

// `orvelan-book import` of the book's own cards into the book that holds them, as a separate
// process: every record meets its page and is skipped as already in the book. Wall time and
// peak memory (the keys of the records are held, not their texts).
void toolImportCardsAlreadyInTheBook(benchmark::State& state) {
    BenchBook& book = sharedBook();
    const QString cardsPath = outputDir().filePath(QStringLiteral("again.vcf"));
    if (exportToFile(cardsPath, ExportFormat::VCard30, book.folder(),
                     findPages(book.folder(), {})) != QString()) {
        state.SkipWithError("cannot write the cards");
        return;
    }
    const auto pages = [&book] {
        qint64 count = 0;
        for (int tab = 0; tab < TabCount; ++tab)
            count += book.folder().tabFile(tab).pageCount().value_or(0);
        return count;
    };
    const qint64 before = pages();
    long peakKb = 0;
    for (auto _ : state) {
        const long peak =
            bench::runMeasured(ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), book.folder().root(),
                                                   QStringLiteral("import"), cardsPath});
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
    state.counters["pages_added"] = static_cast<double>(pages() - before); // none when all met
}
BENCHMARK(toolImportCardsAlreadyInTheBook)->Unit(benchmark::kMillisecond)->UseRealTime();

// CPU seconds of the processes waited for so far.
double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// `orvelan-book import --duplicates merge` of n cards that each look like a page of a book of
// 25,000 people (the same card with a note): every merge keeps the page as it was in the trash.
// Only the merging import is timed; the book is made again by the tool before each run.
void toolMergeLookAlikes(benchmark::State& state) {
    const QString book = outputDir().filePath(QStringLiteral("people.vcf"));
    const QString notes = outputDir().filePath(QStringLiteral("notes.vcf"));
    QFile people(book);
    QFile noted(notes);
    if (!people.open(QIODevice::WriteOnly) || !noted.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the cards");
        return;
    }
    for (int i = 0; i < 25000; ++i) {
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + QByteArray::number(i) +
                                "\r\nTEL:+44 7700 " + QByteArray::number(900000 + i) +
                                "\r\nEMAIL:p" + QByteArray::number(i) + "@example.org\r\n";
        people.write(card + "END:VCARD\r\n");
        if (i < state.range(0))
            noted.write(card + "NOTE:Met at the fair\r\nEND:VCARD\r\n");
    }
    people.close();
    noted.close();
    const QString home = outputDir().filePath(QStringLiteral("merging"));
    long peakKb = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(home).removeRecursively();
        QDir().mkpath(home);
        bench::runMeasured(ORVELAN_BOOK_TOOL,
                           {QStringLiteral("--home"), home, QStringLiteral("import"), book});
        const double cpuBefore = childCpuSeconds();
        state.ResumeTiming();
        peakKb =
            std::max(peakKb, bench::runMeasured(ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), home,
                                                                    QStringLiteral("import"), notes,
                                                                    QStringLiteral("--duplicates"),
                                                                    QStringLiteral("merge")}));
        cpu = childCpuSeconds() - cpuBefore;
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
    state.counters["cpu_s"] = cpu;
    state.counters["trash_MB"] =
        static_cast<double>(QFile(home + QStringLiteral("/trash.json")).size()) / (1024.0 * 1024.0);
}
BENCHMARK(toolMergeLookAlikes)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(25000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
