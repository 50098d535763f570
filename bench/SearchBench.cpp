// Search and search list printing on a generated 25,000-page book.
//   search_bench [benchmark options]      runs the benchmarks
//   search_bench --make-book DIR          only writes the book into DIR (for timing the tool)
#include "print/PdfSurface.h"
#include "print/SearchListPrintout.h"
#include "search/BookSearch.h"
#include "store/BookFolder.h"
#include "store/BookMaintenance.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>

using namespace orvelan;

namespace {

constexpr int NamedPagesPerTab = 1000;
constexpr int BlankEvery = 20; // one blank page in twenty: 5%

QByteArray word(QRandomGenerator& random, int length) {
    QByteArray text(length, 'a');
    for (char& c : text)
        c = static_cast<char>('a' + random.bounded(26));
    return text;
}

// 1,000 named pages per letter tab, a blank page after every 19 named ones, and a few pages on
// tab 0. About 1% of pages carry "Kingfisher" in a field that a full search reads.
void makeBook(const QString& root) {
    const BookFolder folder(root);
    MaintenanceReport report;
    createBookIfMissing(folder, report);
    QRandomGenerator random(25000);
    for (int tab = 0; tab <= LastTab; ++tab) {
        QFile file(folder.tabFilePath(tab));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        const int named = tab == 0 ? 10 : NamedPagesPerTab;
        const QByteArray letter = tab == 0 ? QByteArray("1") : tabLabel(tab).left(1);
        for (int n = 0; n < named; ++n) {
            if (n % (BlankEvery - 1) == 0 && n > 0)
                file.write(blankRecord());
            PageRecord page;
            QByteArray name = letter + word(random, 5);
            name[1] = static_cast<char>(name[1] - 32);
            page[Field::Name] = name + ' ' + word(random, 8);
            page[Field::Addr1] =
                QByteArray::number(random.bounded(200)) + ' ' + word(random, 9) + " Road";
            page[Field::Addr2] = word(random, 7);
            page[Field::Phone1] = "0113 496 " + QByteArray::number(random.bounded(10000));
            page[Field::Mobile] = "07700 900" + QByteArray::number(random.bounded(1000));
            page[Field::Email] = word(random, 6) + "@example.com";
            page[Field::Organisation] = word(random, 10) + " Ltd";
            page[Field::JobTitle] = word(random, 8);
            page[Field::Department] = word(random, 7);
            page[Field::OrgAddr1] = word(random, 12);
            page[Field::Notes] = word(random, 30) + "\r\n" + word(random, 40);
            if (random.bounded(100) == 0)
                page[Field::Notes] += " Kingfisher";
            file.write(page.toStored());
        }
    }
}

const QString& book() {
    static QTemporaryDir dir;
    static const QString path = [] {
        makeBook(dir.path());
        return dir.path();
    }();
    return path;
}

SelectorFlags all() {
    SelectorFlags flags{};
    flags.fill(true);
    return flags;
}

void SearchAllSelectorsOnePercent(benchmark::State& state) {
    const BookFolder folder(book());
    int found = 0;
    for (auto _ : state) {
        const SearchOutcome outcome = BookSearch(folder).run(all(), u"kingfisher");
        found = outcome.found();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found;
}
BENCHMARK(SearchAllSelectorsOnePercent)->Unit(benchmark::kMillisecond);

void SearchEmptyQueryName(benchmark::State& state) {
    const BookFolder folder(book());
    SelectorFlags name{};
    name[0] = true;
    int found = 0;
    for (auto _ : state) {
        SearchResults results;
        const SearchOutcome outcome = BookSearch(folder).run(name, u"");
        storeResults(results, outcome);
        found = outcome.found();
        benchmark::DoNotOptimize(results);
    }
    state.counters["found"] = found;
}
BENCHMARK(SearchEmptyQueryName)->Unit(benchmark::kMillisecond);

void PrintSearchList25000ToPdf(benchmark::State& state) {
    const BookFolder folder(book());
    SelectorFlags name{};
    name[0] = true;
    SearchResults results;
    storeResults(results, BookSearch(folder).run(name, u""));
    const int count = static_cast<int>(results.lines.size());
    const QString path = QDir(book()).filePath(QStringLiteral("list.pdf"));
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
BENCHMARK(PrintSearchList25000ToPdf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--make-book") == 0) {
        QDir().mkpath(QString::fromLocal8Bit(argv[2]));
        makeBook(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
