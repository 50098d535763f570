// Whole-book commands stream: export of the 25,000-page book (in process), and the peak memory
// of the tool's export, search, list and compact on a 250,000-page book, of a settings change
// on a 1 GB sparse settings file and of compact on a 1 GB sparse tab file.
#include "BenchBook.h"

#include "exchange/Export.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QFile>

#include <benchmark/benchmark.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

void exportWholeBook(benchmark::State& state) {
    static BenchBook book(1000); // 25,000 pages
    const bool eab = state.range(0) == 1;
    const QString path =
        book.folder().root() + (eab ? QStringLiteral("/out.eab") : QStringLiteral("/out.csv"));
    for (auto _ : state) {
        const ExportResult result =
            exportBookToFile(path, eab ? ExportFormat::Eab : ExportFormat::Csv, book.folder(), {});
        if (!result.ok() || result.pages != 25000)
            state.SkipWithError("export failed");
    }
    state.SetLabel(eab ? "eab, 25,000 pages" : "csv, 25,000 pages");
}
BENCHMARK(exportWholeBook)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

BenchBook& largeBook() {
    static BenchBook book(10000); // 250,000 pages
    return book;
}

// One run of the tool as a separate process; its peak memory is the figure.
void measureTool(benchmark::State& state, const QStringList& arguments, const QString& label) {
    long peakKb = 0;
    for (auto _ : state) {
        const long peak = bench::runMeasured(ORVELAN_BOOK_TOOL, arguments);
        if (peak < 0) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        peakKb = std::max(peakKb, peak);
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
    state.SetLabel(label);
}

void toolOnA250000PageBook(benchmark::State& state) {
    const QString home = largeBook().folder().root();
    const QString out = home + QStringLiteral("/out");
    const QStringList base{QStringLiteral("--home"), home};
    switch (state.range(0)) {
    case 0:
        measureTool(state, base + QStringList{QStringLiteral("export"), QStringLiteral("csv"), out},
                    QStringLiteral("export csv"));
        break;
    case 1:
        measureTool(state, base + QStringList{QStringLiteral("export"), QStringLiteral("eab"), out},
                    QStringLiteral("export eab"));
        break;
    case 2:
        measureTool(state,
                    base + QStringList{QStringLiteral("--json"), QStringLiteral("search"),
                                       QStringLiteral("--in"), QStringLiteral("name"),
                                       QStringLiteral("a")},
                    QStringLiteral("search --json"));
        break;
    case 3:
        measureTool(state, base + QStringList{QStringLiteral("--json"), QStringLiteral("list")},
                    QStringLiteral("list --json"));
        break;
    default:
        measureTool(state, base + QStringList{QStringLiteral("compact")},
                    QStringLiteral("compact"));
        largeBook().regenerate();
    }
}
BENCHMARK(toolOnA250000PageBook)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// A settings file and a tab file grown to 1 GB of holes.
void toolOnSparseFiles(benchmark::State& state) {
    static BenchBook book(10);
    const QString home = book.folder().root();
    const bool settings = state.range(0) == 0;
    const QString path = settings ? book.folder().settingsPath() : book.folder().tabFilePath(3);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.resize(qint64(1) << 30);
    if (!settings) { // a blank page near the end makes compact rewrite the tab
        file.seek((qint64(1) << 30) - 8 * RecordSize);
        file.write(blankRecord());
    }
    file.close();
    measureTool(state,
                settings ? QStringList{QStringLiteral("--home"), home, QStringLiteral("settings"),
                                       QStringLiteral("SerialPort=2")}
                         : QStringList{QStringLiteral("--home"), home, QStringLiteral("compact")},
                settings ? QStringLiteral("settings on 1 GB ossabusr.dat")
                         : QStringLiteral("compact of a 1 GB tab file"));
    QFile::remove(path);
}
BENCHMARK(toolOnSparseFiles)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
