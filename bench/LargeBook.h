#pragma once

// A book folder whose tab A holds 25,000 filled pages, for the page-turn benchmarks.

#include "BenchBook.h"
#include "store/Session.h"

namespace orvelan::bench {

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

struct LargeBookFolder {
    BenchBook generated{1};
    BookFolder folder = generated.folder();
    QuietPrompter prompter;
    StillClock clock;
    NoLauncher launcher;
    Session session{folder, Services{prompter, clock, launcher}};

    LargeBookFolder() { generated.writeLongTab(1, PagesInTab); }
};

} // namespace orvelan::bench
