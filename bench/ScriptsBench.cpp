// Pages in every script: a book of 25,000 named pages (1,000 per letter tab, 5% blank) of which
// every tenth is stored in UTF-8 (Polish, Cyrillic, Greek, Chinese).
#include "BenchBook.h"

#include "search/BookSearch.h"
#include "store/PageTexts.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <benchmark/benchmark.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

BenchBook& mixedBook() {
    static BenchBook book(1000, 10);
    return book;
}

SelectorFlags allSelectors() {
    SelectorFlags flags;
    flags.fill(true);
    return flags;
}

void search(benchmark::State& state, const QString& query) {
    const BenchBook& book = mixedBook();
    int found = 0;
    for (auto _ : state)
        found = BookSearch(book.folder()).run(allSelectors(), query).found();
    state.counters["found"] = found;
}

// A Latin query: Windows-1252 pages byte by byte, UTF-8 pages by their folded text.
void searchAllSelectorsLatin(benchmark::State& state) {
    search(state, QStringLiteral("NEEDLE"));
}
BENCHMARK(searchAllSelectorsLatin)->Unit(benchmark::kMillisecond);

// A Cyrillic query: only the UTF-8 pages can hold it.
void searchAllSelectorsCyrillic(benchmark::State& state) {
    search(state, QStringLiteral("\u0418\u0412\u0410\u041d\u041e\u0412 12"));
}
BENCHMARK(searchAllSelectorsCyrillic)->Unit(benchmark::kMillisecond);

// Reading every page of the book and decoding all its texts by its encoding.
void readAndDecodeEveryPage(benchmark::State& state) {
    const BenchBook& book = mixedBook();
    qint64 utf8 = 0;
    qint64 pages = 0;
    for (auto _ : state) {
        utf8 = 0;
        pages = 0;
        for (int tab = 0; tab < TabCount; ++tab) {
            TabFile(book.folder().tabFilePath(tab)).scan([&](qint64, QByteArrayView stored) {
                const PlainRecord record(stored);
                utf8 += record.encoding() != TextEncoding::Windows1252 ? 1 : 0;
                for (int i = 0; i < ViewFieldCount; ++i)
                    benchmark::DoNotOptimize(record.text(viewField(i)).size());
                ++pages;
                return true;
            });
        }
    }
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["unicode"] = static_cast<double>(utf8);
}
BENCHMARK(readAndDecodeEveryPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
