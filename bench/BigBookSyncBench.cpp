// What a sync costs the book's own side on big books, against an address book held in memory
// that answers at once: the first sync of 25,000 and 250,000 pages (every page gets an identity
// and is sent), then a sync with nothing changed. The figures leave out any server's time.
#include "BenchBook.h"
#include "MemoryCardServer.h"
#include "QtBenchmarkMain.h"

#include "platform/Clock.h"
#include "sync/Synchroniser.h"
#include "sync/VCardSyncMapping.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace orvelan;

namespace {

const QUrl AddressBook(QStringLiteral("http://memory.invalid/user/contacts/"));

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

struct SyncedBook {
    explicit SyncedBook(int perTab) : book(perTab) {}

    bool sync(SyncReport& report, QString& error) {
        DavClient client(server);
        LocalBook local(book.folder(), clock);
        const VCardSyncMapping mapping;
        Synchroniser synchroniser(client, local, mapping, state.filePath(QStringLiteral("state")));
        const bool ok = synchroniser.run(AddressBook, false, report, error);
        report.requests = client.requestCount();
        return ok;
    }

    SystemClock clock;
    bench::BenchBook book;
    bench::MemoryCardServer server;
    QTemporaryDir state;
};

void BM_FirstSyncBookSide(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SyncedBook synced(int(state.range(0)));
        state.ResumeTiming();
        SyncReport report;
        QString error;
        if (!synced.sync(report, error))
            state.SkipWithError(qPrintable(error));
        state.counters["sent"] = report.sent;
        state.counters["requests"] = report.requests;
        state.counters["state_mb"] =
            double(QFileInfo(synced.state.filePath(QStringLiteral("state"))).size()) / 1e6;
    }
    state.counters["peak_mb"] = peakMegabytes();
}
BENCHMARK(BM_FirstSyncBookSide)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_NoChangeSyncBookSide(benchmark::State& state) {
    SyncedBook synced(int(state.range(0)));
    SyncReport first;
    QString error;
    if (!synced.sync(first, error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : state) {
        SyncReport report;
        if (!synced.sync(report, error) || report.changed())
            state.SkipWithError("the sync found changes");
        state.counters["requests"] = report.requests;
    }
    state.counters["peak_mb"] = peakMegabytes();
}
BENCHMARK(BM_NoChangeSyncBookSide)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QCoreApplication>(argc, argv);
}
