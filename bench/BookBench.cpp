// The page store's figures on a book of 25,000 named pages (1,000 per letter tab, 5% blank).
#include "BenchBook.h"

#include "platform/Clock.h"
#include "store/BookCheck.h"
#include "store/BookMaintenance.h"
#include "store/FieldCipher.h"
#include "store/PageRecord.h"
#include "store/PageStore.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QFile>

#include <benchmark/benchmark.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

BenchBook& sharedBook() {
    static BenchBook book;
    return book;
}

void readAndDecipherWholeBook(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    for (auto _ : state) {
        qint64 named = 0;
        for (int tab = 0; tab < TabCount; ++tab) {
            TabFile(book.folder().tabFilePath(tab)).scan([&](qint64, QByteArrayView stored) {
                const PlainRecord record(stored);
                named += record.isBlank() ? 0 : 1;
                benchmark::DoNotOptimize(record.field(Field::Notes).size());
                return true;
            });
        }
        benchmark::DoNotOptimize(named);
    }
}
BENCHMARK(readAndDecipherWholeBook)->Unit(benchmark::kMillisecond);

// What every sync reads before it plans: every record of every tab, each named page's texts
// checked as they decode, and the identities for copies.
void checkWholeBookBeforeASync(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    for (auto _ : state) {
        const BookCheckResult result = checkBook(book.folder());
        benchmark::DoNotOptimize(result.pages);
        if (!result.ok())
            state.SkipWithError("the generated book should check clean");
    }
}
BENCHMARK(checkWholeBookBeforeASync)->Unit(benchmark::kMillisecond);

void saveNewPageOnA25000PageTab(benchmark::State& state) {
    BenchBook& book = sharedBook();
    book.writeLongTab(2, 25000);
    const QString path = book.folder().tabFilePath(2);
    SystemClock clock;
    PageStore store(book.folder(), clock);
    for (auto _ : state) {
        PageTexts view;
        view[0] = QStringLiteral("Brand New");
        const auto outcome = store.saveNewPage(view);
        benchmark::DoNotOptimize(outcome.page);
        state.PauseTiming();
        QFile(path).resize(25000LL * RecordSize);
        state.ResumeTiming();
    }
    book.regenerate();
}
BENCHMARK(saveNewPageOnA25000PageTab)->Unit(benchmark::kMillisecond);

void cipherThroughput(benchmark::State& state) {
    QByteArray field(static_cast<qsizetype>(state.range(0)), 'x');
    const FieldCipher& cipher = FieldCipher::standard();
    for (auto _ : state) {
        cipher.apply(std::span<char>(field.data(), static_cast<std::size_t>(field.size())));
        benchmark::DoNotOptimize(field.data());
    }
    state.SetBytesProcessed(state.iterations() * field.size());
}
BENCHMARK(cipherThroughput)->Arg(32)->Arg(824)->Arg(3839);

void wholeRecordCipherThroughput(benchmark::State& state) {
    QByteArray record = blankRecord();
    for (auto _ : state) {
        cipherRecordInPlace(record.data());
        benchmark::DoNotOptimize(record.data());
    }
    state.SetBytesProcessed(state.iterations() * RecordSize);
}
BENCHMARK(wholeRecordCipherThroughput);

void removeBlankPagesOfTheWholeBook(benchmark::State& state) {
    BenchBook& book = sharedBook();
    for (auto _ : state) {
        const MaintenanceReport report =
            removeBlankPages(book.folder(), [](const QString&, double) {});
        benchmark::DoNotOptimize(report.pagesRemoved);
        state.PauseTiming();
        book.regenerate();
        state.ResumeTiming();
    }
}
BENCHMARK(removeBlankPagesOfTheWholeBook)->Unit(benchmark::kMillisecond)->Iterations(5);

// `orvelan-book list` of the whole book as a separate process: wall time, and its peak memory
// (kilobytes) as GNU time measures it, so the benchmark's own memory does not count.
void toolListOfTheWholeBook(benchmark::State& state) {
    const QString home = sharedBook().folder().root();
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(
            ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), home, QStringLiteral("list")});
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
}
BENCHMARK(toolListOfTheWholeBook)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
