// vCards on the 25,000-page book (1,000 named pages per letter tab): exporting the whole book to
// one .vcf, in this process and as the tool (with its peak memory), and importing 25,000 cards
// into the book (read, map, stage, list and file), and again as the tool into the book that
// already holds them.
#include "BenchBook.h"

#include "exchange/Export.h"
#include "exchange/ImportStaging.h"
#include "exchange/vcard/VCardImport.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
