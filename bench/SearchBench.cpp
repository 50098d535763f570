// Search and search list printing on the book of 25,000 named pages (1,000 per letter tab, 5%
// blank pages between them); one page in a hundred works at "Needle Works".
#include "BenchBook.h"

#include "print/PdfSurface.h"
#include "print/SearchListPrintout.h"
#include "search/BookSearch.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

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

void printSearchListToPdf(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    SearchResults results;
    storeResults(results, BookSearch(book.folder()).run(nameOnly(), u""));
    const int count = static_cast<int>(results.lines.size());
    const QString path = QDir(book.folder().root()).filePath(QStringLiteral("list.pdf"));
    int pages = 0;
    for (auto _ : state) {
        PdfSurface surface(path);
        if (printSearchList(surface, results, count, QDateTime::currentDateTime()) != 0)
            state.SkipWithError("printing failed");
        pages = surface.pagesWritten();
    }
    state.counters["lines"] = count;
    state.counters["pages"] = pages;
}
BENCHMARK(printSearchListToPdf)->Unit(benchmark::kMillisecond);

// `orvelan-book search --in name ""` as a separate process: wall time, and its peak memory
// (kilobytes) as GNU time measures it.
void toolSearchEmptyQueryName(benchmark::State& state) {
    const BenchBook& book = sharedBook();
    const QByteArray home = QFile::encodeName(book.folder().root());
    const QByteArray report = home + "/search-peak.txt";
    const bool measured = QFile::exists(QStringLiteral("/usr/bin/time"));
    long peakKb = 0;
    for (auto _ : state) {
        std::vector<char*> argv;
        if (measured) {
            for (const char* word : {"/usr/bin/time", "-f", "%M", "-o"})
                argv.push_back(const_cast<char*>(word));
            argv.push_back(const_cast<char*>(report.constData()));
        }
        for (const char* word : {ORVELAN_BOOK_TOOL, "--home"})
            argv.push_back(const_cast<char*>(word));
        argv.push_back(const_cast<char*>(home.constData()));
        for (const char* word : {"search", "--in", "name", ""})
            argv.push_back(const_cast<char*>(word));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed) {
            state.SkipWithError("cannot start orvelan-book");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        QFile peak(QString::fromLocal8Bit(report));
        if (measured && peak.open(QIODevice::ReadOnly))
            peakKb = std::max(peakKb, peak.readAll().trimmed().toLong());
    }
    state.counters["peak_kB"] = static_cast<double>(peakKb);
}
BENCHMARK(toolSearchEmptyQueryName)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
