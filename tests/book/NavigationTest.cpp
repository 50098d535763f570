#include "book/BookFixture.h"

#include <QDir>
#include <QFile>

namespace orvelan::test {
namespace {

class NavigationTest : public BookFixture {
protected:
    void SetUp() override {
        folder.writeTab(0, {TempBook::named("#1 Club")});
        folder.writeTab(1, {TempBook::named("Adams"), TempBook::named("Avery")});
        folder.writeTab(
            2, {TempBook::named("Baker"), TempBook::named("Bell"), TempBook::named("Brown")});
        folder.writeTab(25, {TempBook::named("Zeta"), TempBook::named("Zorn")});
        open();
    }
    void expectAt(int expectedTab, qint64 expectedPage, const QString& name) {
        EXPECT_EQ(tab(), expectedTab);
        EXPECT_EQ(page(), expectedPage);
        EXPECT_EQ(shownName(), name);
    }
};

TEST_F(NavigationTest, OpensAtFirstPageOfTabAInViewState) {
    expectAt(1, 1, QStringLiteral("Adams"));
    const BookViewState& v = book.view();
    EXPECT_EQ(v.edit, (LabelState{QStringLiteral("Stats"), LabelColour::Grey}));
    EXPECT_EQ(v.undo.colour, LabelColour::Grey);
    EXPECT_EQ(v.dial.colour, LabelColour::Grey);
    EXPECT_TRUE(v.notesVisible);
    EXPECT_FALSE(book.strip().leftVisible(1));
    EXPECT_TRUE(book.strip().rightVisible(1));
    EXPECT_TRUE(book.strip().leftVisible(2));
    EXPECT_FALSE(book.strip().closed());
}

TEST_F(NavigationTest, NextAndLastRunAcrossTabs) {
    navigator.nextPage();
    expectAt(1, 2, QStringLiteral("Avery"));
    navigator.nextPage();
    expectAt(2, 1, QStringLiteral("Baker"));
    EXPECT_TRUE(book.strip().rightVisible(2));
    EXPECT_FALSE(book.strip().leftVisible(2));
    navigator.lastPage();
    expectAt(1, 2, QStringLiteral("Avery"));
    EXPECT_FALSE(book.strip().rightVisible(2));
    // Tabs 3..24 have one blank page each: next page walks through them to Z.
    navigator.showPage(24, 1);
    navigator.nextPage();
    expectAt(25, 1, QStringLiteral("Zeta"));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(NavigationTest, LastPageOfZShowsItsStatusAndStays) {
    QStringList statuses;
    QObject::connect(&book, &BookContext::changed, &book,
                     [&] { statuses.append(book.view().statusText); });
    navigator.showPage(25, 1);
    navigator.nextPage();
    expectAt(25, 2, QStringLiteral("Zorn"));
    EXPECT_TRUE(statuses.contains(QStringLiteral("**  Last Page  **")));
    EXPECT_DOUBLE_EQ(clock.pausedSeconds(), 0.7);
    EXPECT_TRUE(book.view().statusText.isEmpty());
    navigator.nextPage();
    expectAt(25, 2, QStringLiteral("Zorn"));
}

TEST_F(NavigationTest, LastPageFromTabAClosesToTabZeroAndStopsThere) {
    navigator.lastPage();
    expectAt(0, 1, QStringLiteral("#1 Club"));
    EXPECT_TRUE(book.strip().closed());
    for (int k = 1; k <= 25; ++k)
        EXPECT_FALSE(book.strip().rightVisible(k));
    navigator.lastPage();
    expectAt(0, 1, QStringLiteral("#1 Club"));
    // Page Down in the closed position opens the book at tab A again, asking first when the
    // page shown has changed.
    type(1, QStringLiteral("Club road"));
    prompter.answerNext(PromptAnswer::Cancel);
    keys.keyPress(Qt::Key_PageDown, Qt::NoModifier);
    expectAt(0, 1, QStringLiteral("#1 Club"));
    prompter.answerNext(PromptAnswer::No);
    keys.keyPress(Qt::Key_PageDown, Qt::NoModifier);
    expectAt(1, 1, QStringLiteral("Adams"));
    EXPECT_EQ(prompter.shown().size(), 2);
    EXPECT_FALSE(book.strip().closed());
}

// The search window stays open while the user edits the page shown; opening one of its results
// must not throw those edits away unasked.
TEST_F(NavigationTest, OpeningASearchResultAsksBeforeDroppingEdits) {
    navigator.showPage(2, 2); // Bell
    type(1, QStringLiteral("1 Bell Lane"));
    prompter.answerNext(PromptAnswer::Cancel);
    navigator.showPage(25, 1);
    expectAt(2, 2, QStringLiteral("Bell"));
    EXPECT_EQ(book.view().texts[1], QStringLiteral("1 Bell Lane"));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().text,
              QStringLiteral(" This page has changed,  Do you wish to save it?      "));

    prompter.answerNext(PromptAnswer::Yes);
    navigator.showPage(25, 1);
    expectAt(25, 1, QStringLiteral("Zeta"));
    EXPECT_EQ(folder.page(2, 2)[Field::Addr1], QByteArray("1 Bell Lane"));

    type(1, QStringLiteral("Zeta Street"));
    prompter.answerNext(PromptAnswer::No);
    navigator.showPage(1, 2);
    expectAt(1, 2, QStringLiteral("Avery"));
    EXPECT_TRUE(folder.page(25, 1)[Field::Addr1].isEmpty());

    // An unchanged page moves without a question.
    navigator.showPage(2, 3);
    expectAt(2, 3, QStringLiteral("Brown"));
    EXPECT_EQ(prompter.shown().size(), 3);
}

TEST_F(NavigationTest, RightLabelOpensTheTabBeforeItsLetter) {
    navigator.clickLeftLabel(13); // M
    EXPECT_EQ(tab(), 13);
    navigator.clickRightLabel(13);
    EXPECT_EQ(tab(), 12);
    EXPECT_TRUE(book.strip().leftVisible(13));
    EXPECT_FALSE(book.strip().rightVisible(13));
    EXPECT_TRUE(book.strip().rightVisible(12));
    EXPECT_EQ(book.strip().leftPanelLeft(), 100 + 8 * 13);
}

TEST_F(NavigationTest, AltLettersOpenTheirTabs) {
    const struct {
        int key;
        int tab;
    } rows[] = {{Qt::Key_K, 10}, {Qt::Key_I, 9}, {Qt::Key_J, 9}, {Qt::Key_Z, 25},
                {Qt::Key_A, 1},  {Qt::Key_B, 2}, {Qt::Key_H, 8}};
    for (const auto& row : rows) {
        EXPECT_TRUE(keys.keyPress(Qt::Key_Alt, Qt::AltModifier));
        EXPECT_TRUE(keys.keyPress(row.key, Qt::AltModifier));
        EXPECT_EQ(tab(), row.tab) << row.key;
        EXPECT_EQ(page(), 1);
        for (int k = 1; k <= 25; ++k) {
            EXPECT_EQ(book.strip().rightVisible(k), k <= row.tab) << row.key << " " << k;
            EXPECT_EQ(book.strip().leftVisible(k), k > row.tab) << row.key << " " << k;
        }
    }
    EXPECT_FALSE(keys.altArmed());

    // Another key after Alt shows page 1 again, but never drops typed changes unasked.
    navigator.showPage(1, 2);
    keys.keyPress(Qt::Key_Alt, Qt::AltModifier);
    keys.keyPress(Qt::Key_F5, Qt::AltModifier);
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(prompter.shown().isEmpty());
    navigator.nextPage();
    EXPECT_EQ(page(), 2);
    type(1, QStringLiteral("typed"));
    prompter.answerNext(PromptAnswer::Cancel);
    keys.keyPress(Qt::Key_Alt, Qt::AltModifier);
    keys.keyPress(Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(book.view().texts[1], QStringLiteral("typed"));
    EXPECT_EQ(prompter.shown().size(), 1);
}

// F3 and F4 move a tab back and on, F7 closes to the cover; F3 on tab A closes to the cover too,
// where the position stays that of the page shown.
TEST_F(NavigationTest, FunctionKeysMoveByTab) {
    const std::pair<int, int> presses[] = {{Qt::Key_F4, 2}, {Qt::Key_F4, 3}, {Qt::Key_F3, 2},
                                           {Qt::Key_F7, 0}, {Qt::Key_F4, 1}, {Qt::Key_F3, 0}};
    for (const auto& [key, expected] : presses) {
        keys.keyPress(key, Qt::NoModifier);
        EXPECT_EQ(tab(), expected) << key;
        EXPECT_EQ(book.strip().closed(), expected == 0) << key;
    }
    EXPECT_EQ(shownName(), QStringLiteral("#1 Club"));
}

TEST_F(NavigationTest, SavePromptBeforeLeavingAChangedPage) {
    type(1, QStringLiteral("1 High Street"));
    EXPECT_EQ(book.view().edit, (LabelState{QStringLiteral("Save"), LabelColour::Blue}));

    prompter.answerNext(PromptAnswer::Cancel);
    navigator.clickLeftLabel(2);
    EXPECT_EQ(prompter.last().text,
              QStringLiteral(" This page has changed,  Do you wish to save it?      "));
    EXPECT_EQ(prompter.last().icon, PromptIcon::Information);
    EXPECT_EQ(prompter.last().buttons, PromptButtons::YesNoCancel);
    expectAt(1, 1, QStringLiteral("Adams"));
    EXPECT_EQ(book.view().texts[1], QStringLiteral("1 High Street"));

    prompter.answerNext(PromptAnswer::Cancel);
    navigator.nextPage();
    expectAt(1, 1, QStringLiteral("Adams"));

    prompter.answerNext(PromptAnswer::No);
    navigator.nextPage();
    expectAt(1, 2, QStringLiteral("Avery"));
    EXPECT_TRUE(folder.page(1, 1)[Field::Addr1].isEmpty());

    type(1, QStringLiteral("2 Low Road"));
    prompter.answerNext(PromptAnswer::Yes);
    navigator.clickLeftLabel(2);
    expectAt(2, 1, QStringLiteral("Baker"));
    EXPECT_EQ(folder.page(1, 2)[Field::Addr1], QByteArray("2 Low Road"));
    EXPECT_EQ(folder.page(1, 2)[Field::TimeModified], QByteArray("14:05"));
}

TEST_F(NavigationTest, RefusedNameStopsTheMoveAndKeepsTheEdits) {
    folder.writeTab(0, {TempBook::named("#1 Club"), TempBook::named("\xa0\xa0"
                                                                    "Club")});
    navigator.showPage(0, 2);
    type(1, QStringLiteral("The clubhouse"));
    prompter.answerNext(PromptAnswer::Yes);
    navigator.clickLeftLabel(5);
    EXPECT_EQ(tab(), 0);
    EXPECT_TRUE(book.store().leaveCancelled);
    EXPECT_EQ(book.view().texts[1], QStringLiteral("The clubhouse"));
    // The two no-break spaces went one by one, each with the message.
    EXPECT_EQ(shownName(), QStringLiteral("Club"));
    EXPECT_EQ(prompter.shown().size(), 3);
    EXPECT_EQ(prompter.last().text, PageEditor::nameStartRefused().text);
    EXPECT_EQ(folder.page(0, 2)[Field::Name], QByteArray("\xa0\xa0"
                                                         "Club"));
}

TEST_F(NavigationTest, EmptyTabShowsAnEmptyViewAndSavesAsPageOne) {
    folder.writeTab(3, {});
    navigator.showPage(2, 3);
    navigator.nextPage();
    EXPECT_EQ(tab(), 3);
    EXPECT_EQ(page(), 0);
    EXPECT_TRUE(shownName().isEmpty());
    type(0, QStringLiteral("Carter"));
    prompter.answerNext(PromptAnswer::No); // overwrite in place
    navigator.clickEdit();
    EXPECT_EQ(folder.pageCount(3), 1);
    EXPECT_EQ(storedName(3, 1), QStringLiteral("Carter"));
    expectAt(3, 1, QStringLiteral("Carter"));
}

TEST_F(NavigationTest, StatisticsToggle) {
    navigator.nextPage();
    navigator.clickEdit();
    const BookViewState& v = book.view();
    EXPECT_FALSE(v.notesVisible);
    EXPECT_EQ(v.edit.colour, LabelColour::Blue);
    EXPECT_EQ(v.statTab, QStringLiteral("          TAB: A / 2"));
    EXPECT_EQ(v.statRecords, QStringLiteral("Total Records: 2"));
    EXPECT_EQ(v.statModified, QStringLiteral("Date Modified: "));
    EXPECT_EQ(v.statTime, QStringLiteral("         Time: "));
    navigator.clickEdit();
    EXPECT_TRUE(v.notesVisible);
    EXPECT_EQ(v.edit.colour, LabelColour::Grey);
}

TEST_F(NavigationTest, ClosePromptsDecideWhetherTheBookCloses) {
    int closes = 0;
    QObject::connect(&book, &BookContext::closeRequested, &book, [&] { ++closes; });
    navigator.close(PageNavigator::CloseKind::CloseLabel);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(prompter.shown().isEmpty());

    type(2, QStringLiteral("Flat 2"));
    prompter.answerNext(PromptAnswer::Cancel);
    navigator.close(PageNavigator::CloseKind::CloseLabel);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(prompter.last().text, QStringLiteral(" This page has changed,  Do you wish to save "
                                                   "it before you close?      "));
    prompter.answerNext(PromptAnswer::No);
    navigator.close(PageNavigator::CloseKind::CoverImage);
    EXPECT_EQ(prompter.last().text, QStringLiteral(" This page has changed,  Do you wish to save "
                                                   "it before you close?     "));
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(folder.page(1, 1)[Field::Addr2].isEmpty());

    // Finishing without the finish question still offers a changed page for saving.
    session.settings().setFlag(Settings::FinishWithoutPrompting, true);
    const auto shown = prompter.shown().size();
    prompter.answerNext(PromptAnswer::No);
    navigator.close(PageNavigator::CloseKind::CoverImage);
    EXPECT_EQ(closes, 3);
    EXPECT_EQ(prompter.shown().size(), shown + 1);
    EXPECT_EQ(prompter.last().text, QStringLiteral(" This page has changed,  Do you wish to save "
                                                   "it before you close?     "));
}

TEST_F(NavigationTest, ReadFailureOffersToGoOnOrEnd) {
    navigator.showPage(2, 1);
    QFile::remove(folder.folder().tabFilePath(2));
    navigator.nextPage(); // page 2 of a tab whose file has gone
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.last().text.startsWith(QStringLiteral("File Read/Write Error: ")));
    EXPECT_TRUE(prompter.last().title.startsWith(QStringLiteral("ORVELAN Error: Orvel02.raf #20")));
    EXPECT_EQ(prompter.last().buttons, PromptButtons::OkCancel);
    EXPECT_EQ(ended, 0);
    // Nothing of the page shown before stays in the view.
    expectAt(2, 2, QString());

    prompter.answerNext(PromptAnswer::Cancel);
    navigator.nextPage();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(prompter.last().title, QStringLiteral("ORVELAN Error"));
    // After the end nothing moves any more.
    navigator.lastPage();
    EXPECT_EQ(page(), 3);
}

TEST_F(NavigationTest, WriteFailureEndsButKeepsTheEditsUnsaved) {
    type(1, QStringLiteral("unsaved street"));
    QDir(folder.folder().dataBookDir()).removeRecursively();
    prompter.answerNext(PromptAnswer::Yes);
    navigator.nextPage();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(prompter.last().icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.last().title.startsWith(QStringLiteral("ORVELAN Error: 06")));
    EXPECT_EQ(book.view().texts[1], QStringLiteral("unsaved street"));
    EXPECT_TRUE(book.store().testPageChanged(book.view().texts));
    expectAt(1, 1, QStringLiteral("Adams"));
}

} // namespace
} // namespace orvelan::test
