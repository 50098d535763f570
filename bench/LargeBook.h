#pragma once

// A book folder whose tab A holds 25,000 filled pages, for the page-turn benchmarks.

#include "app/Session.h"
#include "store/BookMaintenance.h"
#include "store/PageRecord.h"

#include <QFile>
#include <QTemporaryDir>

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
    QTemporaryDir dir;
    BookFolder folder{dir.path()};
    QuietPrompter prompter;
    StillClock clock;
    NoLauncher launcher;
    Session session{folder, Services{prompter, clock, launcher}};

    LargeBookFolder() {
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
    }
};

} // namespace orvelan::bench
