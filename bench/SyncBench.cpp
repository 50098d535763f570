// Syncing a book of 1,000 pages with a local Radicale server: the first sync, and a sync with
// nothing changed.
#include "BenchBook.h"
#include "sync/RadicaleServer.h"

#include "platform/Clock.h"
#include "sync/net/SyncSession.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

using namespace orvelan;

namespace {

constexpr int PagesPerTab = 40; // 25 letter tabs: 1,000 named pages
const QString Password = QStringLiteral("bench");

test::RadicaleServer& server() {
    static test::RadicaleServer radicale;
    static const bool started = radicale.start();
    if (!started)
        qFatal("Radicale does not start: %s", qPrintable(radicale.error()));
    return radicale;
}

SyncRequest freshAccount() {
    static int users = 0;
    const QString user = QStringLiteral("bench%1").arg(++users);
    server().addUser(user, Password);
    SyncRequest request;
    request.account.url = server().baseUrl().toString();
    request.account.user = user;
    request.password = Password;
    return request;
}

void BM_FirstSync1000Pages(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        bench::BenchBook book(PagesPerTab);
        const SyncRequest request = freshAccount();
        const double serverBefore = server().cpuSeconds();
        state.ResumeTiming();
        const SyncOutcome outcome = runSync(book.folder(), clock, request);
        state.counters["server_cpu_s"] = server().cpuSeconds() - serverBefore;
        if (!outcome.ok || outcome.report.sent != PagesPerTab * 25)
            state.SkipWithError(qPrintable(outcome.error));
        state.counters["requests"] = outcome.report.requests;
    }
}
BENCHMARK(BM_FirstSync1000Pages)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_NoChangeSync1000Pages(benchmark::State& state) {
    SystemClock clock;
    bench::BenchBook book(PagesPerTab);
    SyncRequest request = freshAccount();
    SyncOutcome first = runSync(book.folder(), clock, request);
    if (!first.ok) {
        state.SkipWithError(qPrintable(first.error));
        return;
    }
    request.account = first.account;
    const double serverBefore = server().cpuSeconds();
    for (auto _ : state) {
        const SyncOutcome outcome = runSync(book.folder(), clock, request);
        if (!outcome.ok || outcome.report.changed())
            state.SkipWithError("the sync found changes");
        state.counters["requests"] = outcome.report.requests;
    }
    state.counters["server_cpu_ms"] =
        (server().cpuSeconds() - serverBefore) * 1000 / double(state.iterations());
}
BENCHMARK(BM_NoChangeSync1000Pages)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
