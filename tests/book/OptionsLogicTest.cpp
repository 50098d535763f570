#include "../app/FakeWindows.h"

#include "book/BlankPageRemoval.h"
#include "book/OptionsLogic.h"
#include "support/BookSession.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;

namespace {

TEST(OptionsLogic, FillingShowsTheSettingsAndPutsRightUnknownValues) {
    Settings settings;
    settings.setRaw(Settings::DialFieldFollowsPageTurn, "1");
    settings.setRaw(Settings::UsePasswordOnStartUp, "Y");
    settings.setRaw(Settings::AllowExtCharsInPasswords, " ");
    settings.setRaw(Settings::EnableMinimise, "1");
    settings.setRaw(Settings::FinishWithoutPrompting, "0");
    settings.setRaw(Settings::DialMethod, "7");
    settings.setRaw(Settings::SerialPort, "0");

    const OptionsState state = fillOptions(settings);
    EXPECT_EQ(state.dialFieldFollowsPageTurn, Tick::On);
    EXPECT_EQ(state.usePasswordOnStartUp, Tick::Off);
    EXPECT_EQ(state.allowExtCharsInPasswords, Tick::Off);
    EXPECT_EQ(state.enableMinimise, Tick::On);
    EXPECT_EQ(state.finishWithoutPrompting, Tick::Off);
    EXPECT_EQ(state.dialMethodText, QStringLiteral("Use Serial"));
    EXPECT_EQ(state.portText, QStringLiteral("COM 1"));
    EXPECT_FALSE(state.clearExistingPassword);
    EXPECT_EQ(settings.raw(Settings::UsePasswordOnStartUp), QByteArray("0"));
    EXPECT_EQ(settings.raw(Settings::AllowExtCharsInPasswords), QByteArray("0"));
    EXPECT_EQ(settings.raw(Settings::DialMethod), QByteArray("2"));
    EXPECT_EQ(settings.raw(Settings::SerialPort), QByteArray("1"));
}

TEST(OptionsLogic, StoringGivesDigitsAndPutsRightWhatCannotBeStored) {
    Settings settings;
    OptionsState state;
    state.dialFieldFollowsPageTurn = Tick::Greyed;
    state.usePasswordOnStartUp = Tick::On;
    state.finishWithoutPrompting = Tick::On;
    state.allowExtCharsInPasswords = Tick::On;
    state.dialMethodText = QStringLiteral("Use Modem");
    state.portText = QStringLiteral("COM 9");
    state.clearExistingPassword = true;
    storeOptions(state, settings);
    EXPECT_EQ(state.dialFieldFollowsPageTurn, Tick::Off);
    EXPECT_EQ(settings.raw(Settings::DialFieldFollowsPageTurn), QByteArray("0"));
    EXPECT_EQ(settings.raw(Settings::UsePasswordOnStartUp), QByteArray("1"));
    EXPECT_EQ(settings.raw(Settings::FinishWithoutPrompting), QByteArray("1"));
    EXPECT_EQ(settings.raw(Settings::EnableMinimise), QByteArray("0"));
    EXPECT_EQ(state.dialMethodText, QStringLiteral("Use TAPI"));
    EXPECT_EQ(settings.raw(Settings::DialMethod), QByteArray("1"));
    EXPECT_EQ(state.portText, QStringLiteral("COM 1"));
    EXPECT_EQ(settings.raw(Settings::SerialPort), QByteArray("1"));
    EXPECT_FALSE(state.clearExistingPassword);

    state.dialMethodText = QStringLiteral("Auto-Dial OFF");
    state.portText = QStringLiteral("COM 4");
    storeOptions(state, settings);
    EXPECT_EQ(settings.raw(Settings::DialMethod), QByteArray("3"));
    EXPECT_EQ(settings.raw(Settings::SerialPort), QByteArray("4"));
    EXPECT_EQ(fillOptions(settings), state) << "every choice stored fills back";
}

struct BlankPageRemoval : ::testing::Test, BookSession {};

TEST_F(BlankPageRemoval, ShowsItsStatusTextsAndReturnsToPageOneOfTabOne) {
    const QByteArray blank = TempBook::named("");
    book.writeTab(2, {TempBook::named("BAKER"), blank, TempBook::named("BROWN"), blank});
    session.store().setCurrentTab(7);
    session.store().setCurrentPage(3);
    FakeBook mainWindow;

    removeBlankPagesWithStatus(session, mainWindow);

    ASSERT_GE(mainWindow.statuses.size(), 30);
    EXPECT_EQ(mainWindow.statuses.first(), QStringLiteral("Backing up..."));
    EXPECT_EQ(mainWindow.statuses[1], QStringLiteral("Removing Blank Pages..."));
    EXPECT_EQ(mainWindow.statuses[2], QStringLiteral("Processing TAB: A "));
    const QStringList ending = mainWindow.statuses.mid(mainWindow.statuses.size() - 4);
    EXPECT_EQ(ending,
              (QStringList{QStringLiteral("Removing Temporary Files"), QStringLiteral("Done"),
                           QStringLiteral("ORVELAN Ready..."), QString()}));
    EXPECT_EQ(mainWindow.firstPageShown, 1);
    EXPECT_EQ(session.store().currentTab(), 1);
    EXPECT_EQ(session.store().currentPage(), 1);
    EXPECT_EQ(book.pageCount(2), 2);
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_GE(clock.pausedSeconds(), 0.05 + 0.3 + 25 * 0.05 + 0.05 + 0.8 - 1e-9);
}

} // namespace
