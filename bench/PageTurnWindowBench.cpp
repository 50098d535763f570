// Turning a page in the window itself: the page loaded, the 26 boxes and the labels updated and
// the parts of the window that changed repainted (offscreen).

#include "LargeBook.h"
#include "QtBenchmarkMain.h"
#include "book/qt/MainWindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace orvelan;
using namespace orvelan::bench;

namespace {

void BM_WindowNextPage(benchmark::State& state) {
    static LargeBookFolder folder;
    static OrVel window(folder.session);
    window.showFirstPage();
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (folder.session.store().currentPage() >= PagesInTab - 1) {
            state.PauseTiming();
            window.showPage(1, 1);
            state.ResumeTiming();
        }
        window.navigator().nextPage();
        QCoreApplication::processEvents(); // the repaint of what changed
        benchmark::DoNotOptimize(window.pageTexts()[0]);
    }
}
BENCHMARK(BM_WindowNextPage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QApplication>(argc, argv);
}
