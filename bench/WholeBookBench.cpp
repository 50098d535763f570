// Whole-book commands stream: export of the 25,000-page book (in process), and the peak memory
// of the tool's export, search, list and compact on a 250,000-page book, of a settings change
// on a 1 GB sparse settings file and of compact on a 1 GB sparse tab file. The tool's CSV and
// vCard exports of 25,000 and 250,000 cards beside abook's converter on the same cards.
#include "BenchBook.h"

#include "exchange/Export.h"
#include "store/BookMaintenance.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QTemporaryDir>

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
    state.SetLabel(label.toStdString());
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

// The same cards as a book and as an abook file: minimal cards (a name, a mobile number, an
// e-mail address) or typical ones (a "Last, First" name, two numbers, an e-mail address, a home
// address, a company, a title, a note; abook keeps no company or title).
struct CardsBothWays {
    QTemporaryDir dir;
    BookFolder folder{dir.path()};
    QString abookFile = dir.filePath(QStringLiteral("cards.abook"));

    CardsBothWays(int count, bool typical) {
        static const char* const First[] = {"Ada",  "Ben", "Cleo", "Dan", "Eve", "Finn", "Gus",
                                            "Hana", "Ivo", "Jo",   "Kai", "Liv", "Mia",  "Noah",
                                            "Oda",  "Pia", "Quin", "Rex", "Sam", "Tom",  "Uma",
                                            "Vic",  "Wes", "Xia",  "Yan", "Zoe"};
        MaintenanceReport report;
        createBookIfMissing(folder, report);
        std::array<QByteArray, TabCount> tabs;
        QByteArray abook = "# abook addressbook file\n\n[format]\nprogram=abook\nversion=0.6.1\n\n";
        for (int i = 0; i < count; ++i) {
            const QByteArray n = QByteArray::number(i);
            const QByteArray first = First[i % 26];
            const QByteArray last = QByteArray(First[(i / 26) % 26]) + "son";
            PageRecord page;
            page[Field::Name] = typical ? last + ", " + first + " " + n : first + " Doe " + n;
            page[Field::Mobile] = "+44 7700 " + QByteArray::number(900000 + i % 100000);
            page[Field::Email] = first.toLower() + "." + n + "@example.org";
            abook += "\n[" + n + "]\nname=" + page[Field::Name] + "\nemail=" + page[Field::Email] +
                     "\nmobile=" + page[Field::Mobile] + "\n";
            if (typical) {
                page[Field::Phone1] = "+44 20 7946 " + QByteArray::number(1000 + i % 9000);
                page[Field::Addr1] = n + " High Street";
                page[Field::Addr2] = "Leeds";
                page[Field::Addr5] = "LS1 " + QByteArray::number(i % 10) + "AA";
                page[Field::Addr6] = "UK";
                page[Field::Organisation] = "Company " + QByteArray::number(i % 500);
                page[Field::JobTitle] = "Clerk";
                page[Field::Notes] = "Met at the fair";
                abook += "address=" + page[Field::Addr1] +
                         "\ncity=Leeds\nzip=" + page[Field::Addr5] +
                         "\ncountry=UK\nphone=" + page[Field::Phone1] + "\nnotes=Met at the fair\n";
            }
            page[Field::DateModified] = "04/03/26";
            page[Field::TimeModified] = "09:07";
            tabs[tabForName(QByteArrayView(page[Field::Name]))] += page.toStored();
        }
        for (int tab = 0; tab < TabCount; ++tab) {
            QFile file(folder.tabFilePath(tab));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(tabs[tab]);
        }
        QFile file(abookFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(abook);
    }
};

// Arguments: cards, 0 minimal / 1 typical, 0 CSV / 1 vCard. Each run's processor time and peak
// memory, the tool's beside abook's (best of the iterations).
void exportBesideAbook(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool typical = state.range(1) == 1;
    const bool vcard = state.range(2) == 1;
    const CardsBothWays cards(count, typical);
    const QString ours = cards.dir.filePath(QStringLiteral("ours"));
    const QString theirs = cards.dir.filePath(QStringLiteral("theirs"));
    const bool abookThere = QFile::exists(QStringLiteral("/usr/bin/abook"));
    bench::ToolCost best{0, 1e9};
    bench::ToolCost bestAbook{0, 1e9};
    for (auto _ : state) {
        const bench::ToolCost cost = bench::runCosted(
            ORVELAN_BOOK_TOOL,
            {QStringLiteral("--home"), cards.folder.root(), QStringLiteral("export"),
             vcard ? QStringLiteral("vcf") : QStringLiteral("csv"), ours});
        if (cost.peakKb < 0) {
            state.SkipWithError("cannot start orvelan-book");
            return;
        }
        best = {std::max(best.peakKb, cost.peakKb), std::min(best.cpuSeconds, cost.cpuSeconds)};
        if (!abookThere)
            continue;
        QFile::remove(theirs); // abook writes no file over one that is there
        const bench::ToolCost other = bench::runCosted(
            "/usr/bin/abook",
            {QStringLiteral("--convert"), QStringLiteral("--informat"), QStringLiteral("abook"),
             QStringLiteral("--infile"), cards.abookFile, QStringLiteral("--outformat"),
             vcard ? QStringLiteral("vcard") : QStringLiteral("csv"), QStringLiteral("--outfile"),
             theirs});
        bestAbook = {std::max(bestAbook.peakKb, other.peakKb),
                     std::min(bestAbook.cpuSeconds, other.cpuSeconds)};
    }
    state.counters["cpu_ms"] = 1000 * best.cpuSeconds;
    state.counters["peak_kB"] = static_cast<double>(best.peakKb);
    if (abookThere) {
        state.counters["abook_cpu_ms"] = 1000 * bestAbook.cpuSeconds;
        state.counters["abook_peak_kB"] = static_cast<double>(bestAbook.peakKb);
        if (bestAbook.cpuSeconds > 0)
            state.counters["cpu_vs_abook"] = best.cpuSeconds / bestAbook.cpuSeconds;
    }
    state.SetLabel(QStringLiteral("%1 %2 cards, %3%4")
                       .arg(count)
                       .arg(typical ? QStringLiteral("typical") : QStringLiteral("minimal"))
                       .arg(vcard ? QStringLiteral("vCard") : QStringLiteral("CSV"))
                       .arg(abookThere ? QString() : QStringLiteral(", abook not installed"))
                       .toStdString());
}
BENCHMARK(exportBesideAbook)
    ->ArgsProduct({{25000, 250000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
