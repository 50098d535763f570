// Search and search list printing on the book of 25,000 named pages (1,000 per letter tab, 5%
// blank pages between them); one page in a hundred works at "Needle Works".
#include "BenchBook.h"

#include "print/SearchListPrintout.h"
#include "search/BookSearch.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

BenchBook& sharedBook() {
    static BenchBook book;
    return book;
}

SelectorFlags nameOnly() {
    SelectorFlags flags{};
    flags[0] = true;
    return flags;
}

void searchAllSelectorsOnePercent(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    SelectorFlags all{};
    all.fill(true);
    int found = 0;
    for (auto _ : state) {
        SearchResults results;
        const SearchOutcome outcome = BookSearch(book.folder()).run(all, u"needle works");
        storeResults(results, outcome);
        found = outcome.found();
        benchmark::DoNotOptimize(results);
    }
    state.counters["found"] = found;
}
BENCHMARK(searchAllSelectorsOnePercent)->Unit(benchmark::kMillisecond);

void searchEmptyQueryName(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    int found = 0;
    for (auto _ : state) {
        SearchResults results;
        const SearchOutcome outcome = BookSearch(book.folder()).run(nameOnly(), u"");
        storeResults(results, outcome);
        found = outcome.found();
        benchmark::DoNotOptimize(results);
    }
    state.counters["found"] = found;
}
BENCHMARK(searchEmptyQueryName)->Unit(benchmark::kMillisecond);

// `orvelan-book search --in name ""` as a separate process: wall time, and its peak memory
// (kilobytes) as GNU time measures it.
void toolSearchEmptyQueryName(benchmark::State& state) {
    const QString home = sharedBook().folder().root();
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(
            ORVELAN_BOOK_TOOL, {QStringLiteral("--home"), home, QStringLiteral("search"),
                                QStringLiteral("--in"), QStringLiteral("name"), QString()});
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
}
BENCHMARK(toolSearchEmptyQueryName)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
