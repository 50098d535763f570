// Syncing a book of 1,000 pages with a local server (Radicale: argument 0, Xandikos: 1): the
// first sync, and a sync with nothing changed. Beside them, the same 1,000 cards written by
// nothing but PUT requests (what the server alone needs for them, which no client can go
// below), and uploaded by vdirsyncer from a folder of .vcf files (another client's figure).
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
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace orvelan;

namespace {

constexpr int PagesPerTab = 40; // 25 letter tabs: 1,000 named pages
const QString Password = QStringLiteral("bench");

test::DavTestServer& server(int kind) {
    static test::RadicaleServer radicale;
    static test::XandikosServer xandikos;
    test::DavTestServer& chosen = kind == 0 ? static_cast<test::DavTestServer&>(radicale)
                                            : static_cast<test::DavTestServer&>(xandikos);
    if (!chosen.start())
        qFatal("the server does not start: %s", qPrintable(chosen.error()));
    return chosen;
}

double cpuSeconds(int kind) {
    return kind == 0 ? static_cast<test::RadicaleServer&>(server(0)).cpuSeconds() : 0;
}

// A fresh address book: a user of its own on Radicale, a new address book on Xandikos.
SyncRequest freshAccount(int kind) {
    static int users = 0;
    const QString user = QStringLiteral("bench%1").arg(++users);
    test::DavTestServer& chosen = server(kind);
    SyncRequest request;
    request.account.url = chosen.baseUrl().toString();
    if (chosen.hasLogins()) {
        chosen.addUser(user, Password);
        request.account.user = user;
        request.password = Password;
        return request;
    }
    QtHttpTransport transport({{}, {}, {}, 30000});
    DavClient client(transport);
    QList<DavClient::AddressBook> books;
    QUrl home;
    QUrl created;
    DavError error;
    if (!client.discover(chosen.baseUrl(), books, home, error) ||
        !client.createAddressBook(home, user, created, error))
        qFatal("no address book: %s", qPrintable(error.message));
    request.account.addressBookUrl = created.toString();
    return request;
}

void BM_FirstSync1000Pages(benchmark::State& state) {
    SystemClock clock;
    const int kind = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        bench::BenchBook book(PagesPerTab);
        const SyncRequest request = freshAccount(kind);
        const double serverBefore = cpuSeconds(kind);
        state.ResumeTiming();
        const SyncOutcome outcome = runSync(book.folder(), clock, request);
        state.counters["server_cpu_s"] = cpuSeconds(kind) - serverBefore;
        if (!outcome.ok || outcome.report.sent != PagesPerTab * 25)
            state.SkipWithError(qPrintable(outcome.error));
        state.counters["requests"] = outcome.report.requests;
    }
}
BENCHMARK(BM_FirstSync1000Pages)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_NoChangeSync1000Pages(benchmark::State& state) {
    SystemClock clock;
    const int kind = int(state.range(0));
    bench::BenchBook book(PagesPerTab);
    SyncRequest request = freshAccount(kind);
    SyncOutcome first = runSync(book.folder(), clock, request);
    if (!first.ok) {
        state.SkipWithError(qPrintable(first.error));
        return;
    }
    request.account = first.account;
    const double serverBefore = cpuSeconds(kind);
    for (auto _ : state) {
        const SyncOutcome outcome = runSync(book.folder(), clock, request);
        if (!outcome.ok || outcome.report.changed())
            state.SkipWithError("the sync found changes");
        state.counters["requests"] = outcome.report.requests;
    }
    state.counters["server_cpu_ms"] =
        (cpuSeconds(kind) - serverBefore) * 1000 / double(state.iterations());
}
BENCHMARK(BM_NoChangeSync1000Pages)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseRealTime();

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

// An empty book's sync finds (or creates) a fresh address book and nothing more.
QUrl freshAddressBook(int kind, SyncRequest& request) {
    SystemClock clock;
    bench::BenchBook empty(0);
    request = freshAccount(kind);
    const SyncOutcome found = runSync(empty.folder(), clock, request);
    if (!found.ok)
        qFatal("%s", qPrintable(found.error));
    return QUrl(found.account.addressBookUrl);
}

void BM_ServerAlone1000Cards(benchmark::State& state) {
    const int kind = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SyncRequest request;
        const QUrl addressBook = freshAddressBook(kind, request);
        bench::BenchBook book(PagesPerTab);
        const auto cards = cardsOf(book.folder(), addressBook.path());
        QtHttpTransport transport({request.account.user, request.password, {}, 30000});
        DavClient client(transport);
        const double serverBefore = cpuSeconds(kind);
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
        state.counters["server_cpu_s"] = cpuSeconds(kind) - serverBefore;
        state.counters["requests"] = client.requestCount();
    }
}
BENCHMARK(BM_ServerAlone1000Cards)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// vdirsyncer uploading the same 1,000 cards from a folder of .vcf files into a fresh address
// book: its "sync" is timed, its "discover" before it is not.
void BM_VdirsyncerUpload1000Cards(benchmark::State& state) {
    const int kind = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SyncRequest request;
        const QUrl addressBook = freshAddressBook(kind, request);
        bench::BenchBook book(PagesPerTab);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("cards"));
        for (const auto& [href, card] : cardsOf(book.folder(), addressBook.path())) {
            QFile file(dir.filePath(QStringLiteral("cards/") + href.section(u'/', -1)));
            if (!file.open(QIODevice::WriteOnly) || file.write(card) != card.size())
                qFatal("cannot write the cards");
        }
        QByteArray config = "[general]\nstatus_path = \"" + dir.path().toUtf8() +
                            "/status/\"\n[pair p]\na = \"cards\"\nb = \"server\"\n"
                            "collections = null\n[storage cards]\ntype = \"filesystem\"\n"
                            "path = \"" +
                            dir.path().toUtf8() +
                            "/cards/\"\nfileext = \".vcf\"\n[storage server]\n"
                            "type = \"carddav\"\nurl = \"" +
                            addressBook.toEncoded() + "\"\n";
        if (!request.account.user.isEmpty())
            config += "username = \"" + request.account.user.toUtf8() + "\"\npassword = \"" +
                      request.password.toUtf8() + "\"\n";
        QFile configFile(dir.filePath(QStringLiteral("config")));
        if (!configFile.open(QIODevice::WriteOnly) || configFile.write(config) != config.size())
            qFatal("cannot write the configuration");
        configFile.close();
        const auto vdirsyncer = [&](const QString& verb) {
            QProcess process;
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(QStringLiteral("vdirsyncer"),
                          {QStringLiteral("-c"), configFile.fileName(), verb});
            process.closeWriteChannel();
            if (!process.waitForFinished(600000) || process.exitCode() != 0)
                state.SkipWithError(qPrintable(QString::fromUtf8(process.readAll())));
        };
        vdirsyncer(QStringLiteral("discover"));
        const double serverBefore = cpuSeconds(kind);
        state.ResumeTiming();
        vdirsyncer(QStringLiteral("sync"));
        state.PauseTiming();
        state.counters["server_cpu_s"] = cpuSeconds(kind) - serverBefore;
        QtHttpTransport transport({request.account.user, request.password, {}, 30000});
        DavClient client(transport);
        DavClient::Listing listing;
        DavError error;
        if (!client.listCards(addressBook, listing, error) ||
            listing.etags.size() != PagesPerTab * 25)
            state.SkipWithError("vdirsyncer did not upload every card");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_VdirsyncerUpload1000Cards)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QCoreApplication>(argc, argv);
}
