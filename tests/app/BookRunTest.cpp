#include "FakeWindows.h"

#include "app/BookRun.h"
#include "store/PageRecord.h"
#include "support/FakeClock.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>

using namespace orvelan;
using namespace orvelan::test;

namespace {

class BookRunTest : public ::testing::Test {
protected:
    void startRun(const QString& commandLine = {}) {
        session = std::make_unique<Session>(book.folder(), Services{prompter, clock, launcher},
                                            CommandLine::parse(commandLine));
        session->loadSettings();
        password = std::make_unique<FakePassword>(*session);
        run = std::make_unique<BookRun>(*session, mainWindow, closedBook, *password);
        QObject::connect(run.get(), &BookRun::endRequested, [this](int code) { endCode = code; });
        run->showClosedBookAtStart();
    }

    TempBook book;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
    FakeBook mainWindow;
    FakeClosedBook closedBook;
    std::unique_ptr<Session> session;
    std::unique_ptr<FakePassword> password;
    std::unique_ptr<BookRun> run;
    int endCode = -1;
};

// The open book opens beside the closed book at its stored place; dragged elsewhere, closing
// puts the closed book at the same offset, so the next opening brings it back where it was.
TEST_F(BookRunTest, ClosingFollowsTheOpenBookWhereverItWasDragged) {
    storeSettings(book, [](Settings& s) { s.setCuvaPosition(12000, 4500); });
    startRun();
    EXPECT_EQ(run->openBook(), BookRun::Outcome::Opened);
    EXPECT_EQ(mainWindow.left, 12000 - 3380);
    EXPECT_EQ(mainWindow.top, 4500);
    EXPECT_TRUE(password->modes.isEmpty());
    mainWindow.left = 3000;
    mainWindow.top = 900;
    run->closeBook();
    EXPECT_TRUE(closedBook.shown);
    EXPECT_FALSE(mainWindow.loaded);
    EXPECT_EQ(closedBook.left, 3000 + 3380);
    EXPECT_EQ(closedBook.top, 900);
    run->openBook();
    EXPECT_EQ(mainWindow.left, 3000);
    EXPECT_EQ(mainWindow.top, 900);
    EXPECT_EQ(mainWindow.loads, 2);
}

TEST_F(BookRunTest, DataResetIsAskedOnTheFirstOpeningOnlyAndYesLeavesOneBlankPagePerTab) {
    book.writeTab(5, {TempBook::named("EVANS"), TempBook::named("EDGAR")});
    startRun(QStringLiteral("/drst"));
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_EQ(run->openBook(), BookRun::Outcome::Opened);
    ASSERT_EQ(prompter.shown().size(), 2);
    EXPECT_EQ(prompter.shown()[0], dataResetQuestion());
    EXPECT_TRUE(prompter.shown()[0].text.contains(
        QStringLiteral("active. \r\n\r\nThis action will overwrite all current address data "
                       "with one new blank page for each      \r\ntab.")));
    EXPECT_EQ(prompter.shown()[1], dataResetDone());
    for (int tab = 0; tab < 26; ++tab) {
        EXPECT_EQ(book.tabBytes(tab).size(), RecordSize) << "tab " << tab;
        EXPECT_TRUE(book.page(tab, 1)[Field::Name].trimmed().isEmpty()) << "tab " << tab;
    }
    EXPECT_EQ(mainWindow.firstPageShown, 1);
    EXPECT_EQ(session->store().currentTab(), 1);
    EXPECT_TRUE(mainWindow.shown);

    // Opened again, even with the password option turned on in between, the book asks no more.
    run->closeBook();
    prompter.clear();
    session->settings().setFlag(Settings::UsePasswordOnStartUp, true);
    run->openBook();
    EXPECT_EQ(password->modes, QList<int>{1});
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(BookRunTest, DataResetNoOpensUntouchedAndCancelEndsWithoutTouchingAFile) {
    const QList<QByteArray> pages = {TempBook::named("EVANS"), TempBook::named("EDGAR")};
    book.writeTab(5, pages);
    {
        startRun(QStringLiteral("x/DRSTy"));
        prompter.answerNext(PromptAnswer::No);
        EXPECT_EQ(run->openBook(), BookRun::Outcome::Opened);
        EXPECT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(book.tabBytes(5), pages[0] + pages[1]);
        EXPECT_TRUE(mainWindow.shown);
    }
    {
        mainWindow = FakeBook();
        prompter.clear();
        startRun(QStringLiteral("/DRST"));
        prompter.answerNext(PromptAnswer::Cancel);
        EXPECT_EQ(run->openBook(), BookRun::Outcome::Ended);
        EXPECT_EQ(endCode, 0);
        EXPECT_TRUE(run->hasEnded());
        EXPECT_FALSE(mainWindow.shown);
        EXPECT_FALSE(closedBook.shown);
        EXPECT_EQ(book.tabBytes(5), pages[0] + pages[1]);
        EXPECT_FALSE(QFile::exists(book.folder().settingsPath()));
    }
}

TEST_F(BookRunTest, PasswordGateRunsInTheRightModeUntilThePasswordIsGiven) {
    storeSettings(book, [](Settings& s) { s.setFlag(Settings::UsePasswordOnStartUp, true); });
    startRun(QStringLiteral("/DRST"));
    EXPECT_EQ(closedBook.caption, QStringLiteral("ORVELAN [LOCKED]"));
    prompter.answerNext(PromptAnswer::No);
    EXPECT_EQ(run->openBook(), BookRun::Outcome::Opened);
    EXPECT_EQ(password->modes, QList<int>{1});
    EXPECT_EQ(prompter.shown().size(), 1); // the reset question after the password
    run->closeBook();
    EXPECT_EQ(closedBook.caption, QStringLiteral("ORVELAN [UN-LOCKED]"));
    run->openBook();
    EXPECT_EQ(password->modes, QList<int>{1}); // not asked again in this run
    EXPECT_EQ(prompter.shown().size(), 1);

    session->settings().setRaw(Settings::MasterPassword, "  secret ");
    session->passwordAccepted = false;
    run->closeBook();
    run->openBook();
    EXPECT_EQ(password->modes, (QList<int>{1, 2}));
}

TEST_F(BookRunTest, CancelInThePasswordWindowEndsTheProgram) {
    storeSettings(book, [](Settings& s) {
        s.setFlag(Settings::UsePasswordOnStartUp, true);
        s.setRaw(Settings::MasterPassword, "secret");
    });
    startRun();
    password->accept = false;
    EXPECT_EQ(run->openBook(), BookRun::Outcome::Ended);
    EXPECT_EQ(password->modes, QList<int>{2});
    EXPECT_EQ(endCode, 0);
    EXPECT_FALSE(mainWindow.shown);
    EXPECT_FALSE(mainWindow.loaded);
    EXPECT_FALSE(closedBook.shown);
}

// The closed book's refusal is its window test's; here the open book's and the option.
TEST_F(BookRunTest, MinimisingIsRefusedWithAMessageUnlessAllowed) {
    startRun();
    EXPECT_FALSE(mayMinimiseBook(session->settings(), prompter));
    EXPECT_EQ(prompter.last().text,
              QStringLiteral(
                  "Minimisation is currently Disabled, to Restore it: Click [ Options ]     "));

    prompter.clear();
    session->settings().setFlag(Settings::EnableMinimise, true);
    run->minimiseClosedBook();
    EXPECT_TRUE(closedBook.minimised);
    EXPECT_TRUE(mayMinimiseBook(session->settings(), prompter));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

// The captions of the start, the password gate and minimising are the run's and the window's
// tests; here an unknown option value and minimising before the password is given.
TEST(ClosedBookCaption, FollowsTheOptionAndThePassword) {
    Settings settings;
    settings.setRaw(Settings::UsePasswordOnStartUp, "x"); // unknown value: off
    EXPECT_EQ(closedBookCaption(settings, false), QStringLiteral("ORVELAN [UN-LOCKED]"));
    settings.setFlag(Settings::UsePasswordOnStartUp, true);
    EXPECT_EQ(closedBookCaption(settings, false, true), QStringLiteral("ORVELAN [LOCKED]"));
}

} // namespace
