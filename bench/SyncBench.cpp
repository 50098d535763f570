// Syncing a book of 1,000 pages with a local Radicale server: the first sync, and a sync with
// nothing changed. Beside them, the same 1,000 cards written by nothing but PUT requests: what
// the server alone needs for them, which no client can go below.
#include "BenchBook.h"
#include "QtBenchmarkMain.h"
#include "sync/RadicaleServer.h"

#include "platform/Clock.h"
#include "sync/LocalBook.h"
#include "sync/SyncPlan.h"
#include "sync/VCardSyncMapping.h"
#include "sync/net/QtHttpTransport.h"
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

// The cards a first sync of the book sends, with the paths it sends them to.
QList<std::pair<QString, QByteArray>> cardsOf(const BookFolder& folder, const QString& bookPath) {
    SystemClock clock;
    LocalBook book(folder, clock);
    VCardSyncMapping mapping;
    QList<LocalPage> pages;
    QString error;
    if (!book.snapshot(pages, error))
        qFatal("%s", qPrintable(error));
    QList<std::pair<QString, QByteArray>> cards;
    for (const LocalPage& page : std::as_const(pages)) {
        PageTexts texts;
        PageId unused;
        if (!book.readPage(page.tab, page.page, texts, unused, error))
            qFatal("%s", qPrintable(error));
        const PageId id = PageId::random();
        cards.append({cardHrefFor(bookPath, id),
                      mapping.cardOf(texts, {}, QStringLiteral("orvelan-") + id.toString())});
    }
    return cards;
}

void BM_ServerAlone1000Cards(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        // An empty book's sync finds (or creates) the address book and nothing more.
        bench::BenchBook empty(0);
        SyncRequest request = freshAccount();
        const SyncOutcome found = runSync(empty.folder(), clock, request);
        if (!found.ok) {
            state.SkipWithError(qPrintable(found.error));
            return;
        }
        const QUrl addressBook(found.account.addressBookUrl);
        bench::BenchBook book(PagesPerTab);
        const auto cards = cardsOf(book.folder(), addressBook.path());
        QtHttpTransport transport({request.account.user, Password, {}, 30000});
        DavClient client(transport);
        const double serverBefore = server().cpuSeconds();
        state.ResumeTiming();
        for (const auto& [href, card] : cards) {
            DavClient::Write outcome;
            QByteArray etag;
            DavError error;
            if (!client.putCard(addressBook, href, card, {}, outcome, etag, error)) {
                state.SkipWithError(qPrintable(error.message));
                break;
            }
        }
        state.counters["server_cpu_s"] = server().cpuSeconds() - serverBefore;
        state.counters["requests"] = client.requestCount();
    }
}
BENCHMARK(BM_ServerAlone1000Cards)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QCoreApplication>(argc, argv);
}
