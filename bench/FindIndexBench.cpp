// Find as you type: reading a book into the find index, the first 200 pages found after each
// key at 25,000 pages, and the whole result at 250,000 pages. Queries: a rare organisation
// ("needle works", one page in a hundred), a number typed as people write it ("0123 1004..."),
// a text in no page (the whole book is looked through), and a text in every page.
#include "BenchBook.h"

#include "search/FindIndex.h"
#include "store/PageViewIndex.h"

#include <QFile>
#include <QThread>

#include <benchmark/benchmark.h>

#include <climits>
#include <map>
#include <memory>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

// Named pages spread over the 25 letter tabs, with blank pages between them.
int perTabFor(int named) {
    return named / 25;
}

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

struct Indexed {
    explicit Indexed(int named) : book(perTabFor(named)), index(book.folder()) {
        // Tab files written moments ago are read again at each refresh until their time settles.
        QThread::msleep(2600);
        const long before = residentKb();
        index.refresh();
        memoryKb = residentKb() - before;
    }
    BenchBook book;
    FindIndex index;
    long memoryKb = 0;
};

Indexed& indexed(int named) {
    static std::map<int, std::unique_ptr<Indexed>> books;
    auto& book = books[named];
    if (!book)
        book = std::make_unique<Indexed>(named);
    return *book;
}

const char* const Queries[] = {"needle works", "0123 1004", "qqqqqq", "person"};

void BM_ReadBookIntoIndex(benchmark::State& state) {
    const int named = static_cast<int>(state.range(0));
    Indexed& book = indexed(named);
    for (auto _ : state) {
        FindIndex fresh(book.book.folder());
        fresh.refresh();
        benchmark::DoNotOptimize(fresh.size());
    }
    state.counters["pages"] = book.index.size();
    state.counters["index_MB"] = double(book.memoryKb) / 1024;
}
BENCHMARK(BM_ReadBookIntoIndex)->Arg(25000)->Arg(250000)->Unit(benchmark::kMillisecond);

// One key: what the window does after each key (look for changed tab files, read the home
// region, find the first 200, make the 25 lines on screen). Iterations go through the keys of
// the query one by one, so the figure is the mean time per key.
void BM_FindAsYouTypePerKey(benchmark::State& state) {
    const int named = static_cast<int>(state.range(0));
    const QString typed = QString::fromLatin1(Queries[state.range(1)]);
    Indexed& book = indexed(named);
    qsizetype key = 0;
    int found = 0;
    for (auto _ : state) {
        key = key % typed.size() + 1;
        book.index.refresh();
        const FindQuery query(typed.left(key),
                              PhoneNumbers(phoneRegionSetting(book.book.folder().configPath())));
        const FindIndex::Batch batch = book.index.find(query, 0, 200);
        for (qsizetype i = 0; i < std::min<qsizetype>(25, batch.hits.size()); ++i)
            benchmark::DoNotOptimize(book.index.line(batch.hits[i]));
        found = static_cast<int>(batch.hits.size());
    }
    state.SetLabel(typed.toStdString());
    state.counters["found_last_key"] = found;
}
BENCHMARK(BM_FindAsYouTypePerKey)
    ->ArgsProduct({{25000, 250000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// Every page found in the whole book.
void BM_FullResult(benchmark::State& state) {
    const int named = static_cast<int>(state.range(0));
    const QString typed = QString::fromLatin1(Queries[state.range(1)]);
    Indexed& book = indexed(named);
    const FindQuery query(typed, PhoneNumbers(QStringLiteral("GB")));
    int found = 0;
    for (auto _ : state) {
        const FindIndex::Batch batch = book.index.find(query, 0, INT_MAX);
        found = static_cast<int>(batch.hits.size());
    }
    state.SetLabel(typed.toStdString());
    state.counters["found"] = found;
}
BENCHMARK(BM_FullResult)->ArgsProduct({{250000}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
