// Turning a page of the open book on a tab of 25,000 pages: the page read and deciphered, the
// view state after the load, the tab strip and the change tracking.

#include "LargeBook.h"
#include "QtBenchmarkMain.h"
#include "book/BookContext.h"
#include "book/PageEditor.h"
#include "book/PageNavigator.h"
#include "store/Session.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace orvelan;

namespace {

using namespace orvelan::bench;

// The open book's logic over the large book.
struct LargeBook : LargeBookFolder {
    BookContext book{session};
    PageEditor editor{book};
    PageNavigator navigator{book, editor};
    LargeBook() { navigator.showFirstPage(); }
};

LargeBook& largeBook() {
    static LargeBook book;
    return book;
}

// Next page through the tab, back to the start when the end is near.
void BM_NextPage(benchmark::State& state) {
    LargeBook& b = largeBook();
    b.navigator.showPage(1, 1);
    for (auto _ : state) {
        if (b.book.store().currentPage() >= PagesInTab - 1) {
            state.PauseTiming();
            b.navigator.showPage(1, 1);
            state.ResumeTiming();
        }
        b.navigator.nextPage();
        benchmark::DoNotOptimize(b.book.view().texts[0]);
    }
}
BENCHMARK(BM_NextPage)->Unit(benchmark::kMicrosecond);

// Last page from the far end of the tab.
void BM_LastPageAtTheEnd(benchmark::State& state) {
    LargeBook& b = largeBook();
    b.navigator.showPage(1, PagesInTab);
    for (auto _ : state) {
        if (b.book.store().currentPage() <= PagesInTab - 1000) {
            state.PauseTiming();
            b.navigator.showPage(1, PagesInTab);
            state.ResumeTiming();
        }
        b.navigator.lastPage();
        benchmark::DoNotOptimize(b.book.view().texts[0]);
    }
}
BENCHMARK(BM_LastPageAtTheEnd)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QCoreApplication>(argc, argv);
}
