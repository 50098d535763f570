#include "app/StartUp.h"
#include "platform/HelpPages.h"
#include "store/Trash.h"
#include "support/BookSession.h"
#include "support/FakeClock.h"
#include "support/FaultInjection.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
    Services services{prompter, clock, launcher};
};

TEST(CommandLineSwitches, CountAnywhereWithoutRegardToCaseButNotInTheProgramName) {
    struct Row {
        QStringList arguments;
        bool reset;
        bool tapi;
    };
    const Row rows[] = {
        {{u"orvelan"_s}, false, true},
        {{u"orvelan"_s, u"abc/DrStxyz"_s}, true, true},
        {{u"orvelan"_s, u"/DRS"_s}, false, true},
        {{u"orvelan"_s, u"-tapi"_s, u"/DRST"_s}, true, false},
        {{u"/opt/x-TAPI/DRST/orvelan"_s}, false, true},
    };
    for (const Row& row : rows) {
        const CommandLine line = CommandLine::parse(StartUp::wholeCommandLine(row.arguments));
        EXPECT_EQ(line.dataResetRequested, row.reset) << row.arguments.join(u' ').toStdString();
        EXPECT_EQ(line.tapiEnabled, row.tapi) << row.arguments.join(u' ').toStdString();
    }
}

TEST(StartUp, CreatesAMissingBookLoadsTheSettingsAndStartsAtTabOne) {
    Fixture f;
    TempBook book(false);
    storeSettings(book, [](Settings& s) { s.setCuvaPosition(4500, 600); });
    StartUp startUp(book.folder(), f.services, {u"orvelan"_s, u"-TAPI"_s});
    ASSERT_TRUE(startUp.begin());
    EXPECT_TRUE(f.prompter.shown().isEmpty());
    EXPECT_EQ(book.pageCount(1), 1);
    EXPECT_EQ(book.pageCount(0), 1);
    Session& session = startUp.session();
    EXPECT_FALSE(session.commandLine().tapiEnabled);
    EXPECT_EQ(session.settings().cuvaLeft(), 4500);
    EXPECT_EQ(session.store().currentTab(), 1);
    EXPECT_EQ(QDir::current().canonicalPath(), QFileInfo(book.root()).canonicalFilePath());
}

TEST(StartUp, ASecondCopyOnTheSameBookIsToldAndEndsWhileTheFirstRuns) {
    Fixture first;
    Fixture second;
    TempBook book;
    // The first copy's lock, as the address book program holds it.
    auto running = std::make_unique<WindowLockHolder>(book.folder().lockPath());
    ASSERT_TRUE(running->held());

    StartUp again(book.folder(), second.services, {u"orvelan"_s});
    EXPECT_FALSE(again.begin());
    EXPECT_TRUE(again.otherWindowRuns());
    ASSERT_EQ(second.prompter.shown().size(), 1);
    const PromptRequest& told = second.prompter.last();
    EXPECT_EQ(told.title, u"Ostrowvale Solutions"_s);
    EXPECT_EQ(told.text, u" Your Secure Address Book Program is ALREADY RUNNING    "_s);
    EXPECT_EQ(told.icon, PromptIcon::Information);
    EXPECT_EQ(told.buttons, PromptButtons::Ok);
    EXPECT_TRUE(first.prompter.shown().isEmpty());

    // Another book folder is another book: it runs beside the first.
    TempBook other;
    StartUp elsewhere(other.folder(), second.services, {u"orvelan"_s});
    EXPECT_TRUE(elsewhere.begin());

    running.reset();
    StartUp afterwards(book.folder(), second.services, {u"orvelan"_s});
    EXPECT_TRUE(afterwards.begin());
}

// A prompter that answers through a function, to act while the box is open.
class AnsweringPrompter final : public Prompter {
public:
    explicit AnsweringPrompter(std::function<PromptAnswer(const PromptRequest&)> answer)
        : m_answer(std::move(answer)) {}
    PromptAnswer ask(const PromptRequest& request) override { return m_answer(request); }

private:
    std::function<PromptAnswer(const PromptRequest&)> m_answer;
};

// A command of the tool holding the book is not another copy of the program: the user is told
// that a command works on the book and may wait for it (Retry) or end (Cancel).
TEST(StartUp, ACommandHoldingTheBookIsWaitedForWhileTheUserWishes) {
    TempBook book;
    QLockFile command(book.folder().lockPath());
    ASSERT_TRUE(command.tryLock(0));
    QList<PromptRequest> shown;
    int retries = 2;
    AnsweringPrompter prompter([&](const PromptRequest& request) {
        shown.append(request);
        if (--retries == 0)
            command.unlock(); // the command ends while the box is open
        return PromptAnswer::Retry;
    });
    FakeClock clock;
    RecordingLauncher launcher;
    const Services services{prompter, clock, launcher};
    {
        StartUp waiting(book.folder(), services, {u"orvelan"_s}, 100ms);
        EXPECT_TRUE(waiting.begin());
        EXPECT_EQ(shown,
                  (QList<PromptRequest>{StartUp::commandWorking(), StartUp::commandWorking()}));
        EXPECT_EQ(StartUp::commandWorking().buttons, PromptButtons::RetryCancel);
        EXPECT_TRUE(StartUp::commandWorking().text.contains(u"orvelan-book"_s));
    }
    ASSERT_TRUE(command.tryLock(0));
    Fixture f;
    f.prompter.answerNext(PromptAnswer::Cancel);
    StartUp ending(book.folder(), f.services, {u"orvelan"_s}, 100ms);
    EXPECT_FALSE(ending.begin());
    EXPECT_FALSE(ending.otherWindowRuns());
    EXPECT_EQ(f.prompter.shown(), (QList<PromptRequest>{StartUp::commandWorking()}));
}

// A lock left by a crashed copy (a process number no running process has, on this host), or
// left empty between creating and writing it, does not block the next start; nor does a first
// run cut short, without most of its tab files and with a temporary left. The start lets the
// trash forget what is older than 30 days.
TEST(StartUp, ALockLeftBehindAndACutShortFirstRunDoNotBlockTheNextStart) {
    for (const QByteArray& left :
         {"2147480000\norvelan\n" + QSysInfo::machineHostName().toUtf8() + "\n", QByteArray()}) {
        Fixture f;
        TempBook book;
        writeBytes(book.folder().lockPath(), left);
        QFile::remove(book.folder().tabFilePath(3));
        QFile::remove(book.folder().tabFilePath(0));
        const QString leftover =
            writeBytes(book.folder().settingsPath() + u".orvelan-tmp-Ab12Cd"_s, {});
        book.writeTrash(f.clock.now(), {31, 2});
        StartUp startUp(book.folder(), f.services, {u"orvelan"_s});
        EXPECT_TRUE(startUp.begin());
        Trash trash(book.folder());
        QString error;
        EXPECT_TRUE(trash.load(error));
        EXPECT_EQ(trash.entries().size(), 1);
        EXPECT_TRUE(f.prompter.shown().isEmpty()) << "no ALREADY RUNNING, no file error";
        EXPECT_EQ(book.pageCount(3), 1);
        EXPECT_EQ(book.pageCount(0), 1);
        EXPECT_FALSE(QFile::exists(leftover));
    }
}

TEST(HelpPages, AProgramLooksBesideItselfOrInItsShareFolderOnly) {
    // No build or source folder is compiled in: a program without pages knows where they
    // would be installed, and nothing else.
    EXPECT_EQ(HelpPages::forProgram(u"/nonexistent/bin"_s).folder(),
              u"/nonexistent/share/orvelan/help"_s);
    // A build puts a copy beside the program; an installed program finds its share folder.
    for (const char* pages : {"help", "share/orvelan/help"}) {
        QTemporaryDir prefix;
        const QString folder = prefix.path() + u'/' + QLatin1StringView(pages);
        QDir().mkpath(prefix.path() + u"/bin"_s);
        writeBytes(folder + u"/index.htm"_s, {});
        const QString program = *pages == 'h' ? prefix.path() : prefix.path() + u"/bin"_s;
        EXPECT_EQ(HelpPages::forProgram(program).folder(), folder) << pages;
    }
}

TEST(HelpPages, WithNoBrowserTheUserLearnsWhereThePageIs) {
    class NoBrowser final : public DesktopLauncher {
    public:
        bool openUrl(const QUrl&) override { return false; }
    };
    NoBrowser none;
    ScriptedPrompter prompter;
    const HelpPages pages(u"/usr/share/orvelan/help"_s);
    // The windows that name their page by its file name each get their own page.
    for (const QString& file : {u"orvelanfind.htm"_s, u"useage_imp.htm"_s, u"useage_exp.htm"_s}) {
        EXPECT_FALSE(pages.openFile(file, none, prompter));
        EXPECT_EQ(prompter.last().title, u"ORVELAN Help"_s);
        EXPECT_TRUE(prompter.last().text.contains(u"/usr/share/orvelan/help/"_s + file));
    }
    // A browser that takes the page: no message.
    RecordingLauncher launcher;
    EXPECT_TRUE(pages.open(HelpPages::Find, launcher, prompter));
    EXPECT_EQ(prompter.shown().size(), 3);
}

} // namespace

struct SessionSettings : ::testing::Test, BookSession {};

// A settings file that cannot be written is reported, never passed over as saved.
TEST_F(SessionSettings, AFailedWriteIsReported) {
    EXPECT_TRUE(session.saveSettings());
    EXPECT_TRUE(prompter.shown().isEmpty());

    QFile::remove(book.folder().settingsPath());
    ASSERT_TRUE(QDir().mkpath(book.folder().settingsPath())); // a folder where the file goes
    EXPECT_FALSE(session.saveSettings(u"ORVELAN Find"_s));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().title, u"ORVELAN Find"_s);
    EXPECT_TRUE(prompter.last().text.startsWith(u" The settings could not be saved"_s));
    EXPECT_EQ(prompter.last().icon, PromptIcon::Exclamation);
}
