// The search list printout of 25,000 lines through the painter surface into a PDF file: the
// path the tool takes, and the address book when no printer is installed.
#include "QtBenchmarkMain.h"
#include "print/SearchListPrintout.h"
#include "print/qt/QtPrinterSurface.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace orvelan;

namespace {

void QtPrintSearchList25000ToPdf(benchmark::State& state) {
    SearchResults results;
    for (int i = 1; i <= 25000; ++i) {
        results.lines.append(
            QStringLiteral(" Name %1              Organisation %1          0113 496 %1        "
                           "  K  / %2")
                .arg(i, 5)
                .arg(i % 1000 + 1, 5));
    }
    QTemporaryDir dir;
    for (auto _ : state) {
        PrintJob job =
            pdfPrintJob(dir.filePath(QStringLiteral("list.pdf")), QStringLiteral("list"));
        if (printSearchList(*job.surface, results, 25000, QDateTime::currentDateTime()) != 0)
            state.SkipWithError("printing failed");
    }
}
BENCHMARK(QtPrintSearchList25000ToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QGuiApplication>(argc, argv);
}
