// The search window listing a quarter of a million pages: the search, the list filled and the
// window repainted (offscreen), then scrolling the list by pages.
#include "BenchBook.h"
#include "QtBenchmarkMain.h"

#include "print/PrintSurface.h"
#include "search/qt/FindWindow.h"
#include "store/Session.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QThread>

#include <benchmark/benchmark.h>

using namespace orvelan;
using orvelan::bench::BenchBook;

namespace {

class NoPrompts final : public Prompter {
public:
    PromptAnswer ask(const PromptRequest&) override { return PromptAnswer::Ok; }
};
class NoLauncher final : public DesktopLauncher {
public:
    bool openUrl(const QUrl&) override { return true; }
};
class NoNavigator final : public BookNavigator {
public:
    void showPage(int, qint64) override {}
    void bringBookToFront() override {}
    QRect bookFrame() const override { return QRect(300, 100, 600, 400); }
    void searchWindowActivated() override {}
    void openHelpPage(const QString&) override {}
};
class NoPrinter final : public PrintTarget {
public:
    PrintJob open(const QString&) override { return {}; }
};
class InstantClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    void pause(double) override {}
};

// 10,527 pages a tab, one in twenty blank: 250,000 named pages.
struct Fixture {
    BenchBook book{10527};
    NoPrompts prompter;
    InstantClock clock;
    NoLauncher launcher;
    Session session{book.folder(), Services{prompter, clock, launcher}};
    NoNavigator navigator;
    NoPrinter printer;
    FindWindow window{session, navigator, printer};
    Fixture() {
        window.open();
        window.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QString());
        QCoreApplication::processEvents();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ListAllPages(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.window.runSearch();
        f.window.repaint();
        QCoreApplication::processEvents();
    }
    state.counters["listed"] = f.window.foundCount();
}
BENCHMARK(BM_ListAllPages)->Unit(benchmark::kMillisecond)->UseRealTime();

// Scrolls `list` down a page at a time, back to the top at its end, repainting each step.
void scrollByPages(benchmark::State& state, QAbstractItemView* list) {
    QScrollBar* bar = list->verticalScrollBar();
    for (auto _ : state) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        if (bar->value() == bar->maximum())
            bar->setValue(0);
        list->viewport()->repaint();
    }
}

void BM_ScrollOnePage(benchmark::State& state) {
    Fixture& f = fixture();
    if (f.window.foundCount() == 0)
        f.window.runSearch();
    auto* list = f.window.findChild<QAbstractItemView*>(QStringLiteral("List1"));
    scrollByPages(state, list);
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The find box: one key typed (the list refilled from the find index and repainted), and
// scrolling the list of every page by pages.
void BM_FindBoxKey(benchmark::State& state) {
    Fixture& f = fixture();
    auto* box = f.window.findChild<QLineEdit*>(QStringLiteral("FindBox"));
    const QString typed = QStringLiteral("needle works");
    // Tab files written moments before the window read them are read again once settled.
    QThread::msleep(2600);
    box->setText(typed);
    qsizetype key = 0;
    for (auto _ : state) {
        key = key % typed.size() + 1;
        box->setText(typed.left(key));
        f.window.repaint();
        QCoreApplication::processEvents();
    }
    box->clear();
}
BENCHMARK(BM_FindBoxKey)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollEveryPageList(benchmark::State& state) {
    Fixture& f = fixture();
    f.window.findChild<QLineEdit*>(QStringLiteral("FindBox"))->clear();
    auto* list = f.window.findChild<QListView*>(QStringLiteral("FindList"));
    scrollByPages(state, list);
    state.counters["rows"] = list->model()->rowCount();
}
BENCHMARK(BM_ScrollEveryPageList)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return orvelan::bench::runQtBenchmarks<QApplication>(argc, argv);
}
