// Turning a page of the open book on a tab of 25,000 pages: the page read and deciphered, the
// view state after the load, the tab strip and the change tracking.

#include "app/Session.h"
#include "book/BookContext.h"
#include "book/PageEditor.h"
#include "book/PageNavigator.h"
#include "store/BookMaintenance.h"
#include "store/PageRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace orvelan;

namespace {

constexpr qint64 PagesInTab = 25000;

class QuietPrompter final : public Prompter {
public:
    PromptAnswer ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};
class StillClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(12, 0)); }
    void pause(double) override {}
};
class NoLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl&) override { return true; }
};

// A book whose tab A holds 25,000 filled pages.
struct LargeBook {
    QTemporaryDir dir;
    BookFolder folder{dir.path()};
    QuietPrompter prompter;
    StillClock clock;
    NoLauncher launcher;
    Session session{folder, Services{prompter, clock, launcher}};
    BookContext book{session};
    PageEditor editor{book};
    PageNavigator navigator{book, editor};

    LargeBook() {
        MaintenanceReport report;
        createBookIfMissing(folder, report);
        QFile file(folder.tabFilePath(1));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the tab file");
        for (qint64 n = 1; n <= PagesInTab; ++n) {
            PageRecord record;
            record[Field::PageNo] = QByteArray::number(n);
            record[Field::Name] = "Archer " + QByteArray::number(n);
            record[Field::Addr1] = QByteArray::number(n) + " Long Road";
            record[Field::Phone1] = "0123 456 789";
            record[Field::Email] = "archer@example.com";
            record[Field::Notes] = "Met at the fair.\r\nCall in spring.";
            record[Field::DateModified] = "06/12/26";
            record[Field::TimeModified] = "12:00";
            record[Field::Reserved] = QByteArray(8, '\0');
            file.write(record.toStored());
        }
        file.close();
        navigator.showFirstPage();
    }
};

LargeBook& largeBook() {
    static LargeBook book;
    return book;
}

// Next page through the tab, back to the start when the end is near.
void BM_NextPage(benchmark::State& state) {
    LargeBook& b = largeBook();
    b.navigator.showPage(1, 1);
    for (auto _ : state) {
        if (b.book.store().currentPage() >= PagesInTab - 1) {
            state.PauseTiming();
            b.navigator.showPage(1, 1);
            state.ResumeTiming();
        }
        b.navigator.nextPage();
        benchmark::DoNotOptimize(b.book.view().texts[0]);
    }
}
BENCHMARK(BM_NextPage)->Unit(benchmark::kMicrosecond);

// Last page from the far end of the tab.
void BM_LastPageAtTheEnd(benchmark::State& state) {
    LargeBook& b = largeBook();
    b.navigator.showPage(1, PagesInTab);
    for (auto _ : state) {
        if (b.book.store().currentPage() <= PagesInTab - 1000) {
            state.PauseTiming();
            b.navigator.showPage(1, PagesInTab);
            state.ResumeTiming();
        }
        b.navigator.lastPage();
        benchmark::DoNotOptimize(b.book.view().texts[0]);
    }
}
BENCHMARK(BM_LastPageAtTheEnd)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
