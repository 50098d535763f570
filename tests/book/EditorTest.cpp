#include "book/BookFixture.h"
#include "security/BookEncryption.h"
#include "support/HostileTexts.h"

namespace orvelan::test {

using namespace Qt::StringLiterals;
namespace {

class EditorTest : public BookFixture {
protected:
    void SetUp() override {
        folder.writeTab(2,
                        {TempBook::named("Brown"), TempBook::named(""), TempBook::named("Bell")});
        folder.writeTab(9, {TempBook::named("Irving")});
        folder.writeTab(18, {TempBook::named("Smart")});
        open();
        navigator.clickLeftLabel(2);
        prompter.clear();
    }
};

TEST_F(EditorTest, ChangeTrackingFollowsTheLoadedCopy) {
    type(3, u"x"_s);
    EXPECT_EQ(book.view().undo.colour, LabelColour::Blue);
    EXPECT_EQ(book.view().edit, (LabelState{u"Save"_s, LabelColour::Blue}));
    type(3, QString());
    EXPECT_EQ(book.view().undo.colour, LabelColour::Grey);
    EXPECT_EQ(book.view().edit, (LabelState{u"Stats"_s, LabelColour::Grey}));
    type(0, u"Brown "_s);
    EXPECT_EQ(book.view().edit.caption, u"Save"_s);
}

TEST_F(EditorTest, TextsTheFieldCannotStoreAreRefused) {
    type(1, u"Kraków"_s);
    type(1, u"Łódź"_s);
    EXPECT_EQ(book.view().texts[1], u"Łódź"_s) << "every script can be stored";
    EXPECT_TRUE(prompter.shown().isEmpty());
    // 31 Cyrillic letters fill the 32 bytes (one selects their window); a 32nd key is dropped
    // silently.
    type(1, QString(31, QChar(0x0416)));
    type(1, QString(32, QChar(0x0416)));
    EXPECT_EQ(book.view().texts[1], QString(31, QChar(0x0416)));
    EXPECT_TRUE(prompter.shown().isEmpty());
    // A paste is cut by bytes, never inside a character, with one message that says bytes.
    type(1, QString());
    type(1, QString(40, QChar(0x0416)));
    EXPECT_EQ(book.view().texts[1], QString(31, QChar(0x0416)));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.last().text.contains(u"bytes"_s));
    type(1, u"Łódź"_s);
    prompter.clear();
    // A key past the field's width is dropped silently; a paste is cut once, with one message.
    const int width = specOf(Field::Phone1).width;
    type(7, QString(width, u'1'));
    type(7, QString(width, u'1') + u'9');
    EXPECT_EQ(book.view().texts[7], QString(width, u'1'));
    EXPECT_TRUE(prompter.shown().isEmpty());
    type(7, QString(width + 1, u'2'));
    EXPECT_EQ(book.view().texts[7], QString(width, u'2'));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.last().text.contains(u"Phone holds at most 24"_s));
    // Notes keep their line breaks; each takes two bytes on disk.
    type(NotesViewIndex, u"line one\nline two"_s);
    navigator.clickEdit();
    EXPECT_EQ(folder.page(2, 1)[Field::Notes], QByteArray("line one\r\nline two"));
    EXPECT_EQ(book.view().texts[NotesViewIndex], u"line one\nline two"_s);
}

// A name may begin with anything but a space of another kind, a control character or a
// combining mark; each such first character is refused with a message, one by one.
TEST_F(EditorTest, OnlyASpaceAControlOrACombiningMarkIsRefusedAtTheStart) {
    const struct {
        const char16_t* typed;
        const char16_t* shown;
        int refusals;
    } cases[] = {
        {u"7", u"7", 0},
        {u"3M Polska", u"3M Polska", 0},
        {u"1&1", u"1&1", 0},
        {u" 1abc", u" 1abc", 0}, // leading spaces are dropped on saving
        {u"\u00e9cu", u"\u00e9cu", 0},
        {u"\U0001F600\u738b", u"\U0001F600\u738b", 0},
        {u"\U0001D400lpha", u"\U0001D400lpha", 0},
        {u"\U00020BB7\u7530", u"\U00020BB7\u7530", 0},
        {u"\u0301accent", u"accent", 1},
        {u"\u0301\u0302ab", u"ab", 2},
        {u"\u00a0x", u"x", 1},
        {u"\u0085x", u"x", 1},
        {u"\u200bx", u"x", 0}, // hidden characters are removed before the check
        {u"\u0001x", u"x", 0},
    };
    editor.startNewPage();
    for (const auto& row : cases) {
        prompter.clear();
        type(0, QString::fromUtf16(row.typed));
        const QString typed = QString::fromUtf16(row.typed);
        EXPECT_EQ(shownName(), QString::fromUtf16(row.shown)) << typed.toStdString();
        EXPECT_EQ(book.nameRejected, row.refusals > 0) << typed.toStdString();
        EXPECT_EQ(texts(), QStringList(row.refusals, PageEditor::nameStartRefused().text))
            << typed.toStdString();
    }
}

TEST_F(EditorTest, ANameThatBeginsWithADigitIsFiledUnderTheFirstTab) {
    editor.startNewPage();
    type(0, u"3M Polska"_s);
    EXPECT_TRUE(editor.fileNewPage());
    EXPECT_EQ(book.store().currentTab(), 0);
    EXPECT_EQ(folder.page(0, 1)[Field::Name], QByteArray("3M Polska"));
}

TEST_F(EditorTest, AddModeFilesIntoFirstBlankPageOrAppends) {
    type(1, u"edited"_s);
    prompter.answerNext(PromptAnswer::Cancel);
    editor.startNewPage();
    EXPECT_EQ(prompter.last().title, u"Drevnak - Changed Report"_s);
    EXPECT_FALSE(book.view().addMode());
    EXPECT_EQ(book.view().texts[1], u"edited"_s);

    prompter.answerNext(PromptAnswer::No);
    editor.startNewPage();
    const BookViewState& v = book.view();
    EXPECT_EQ(v.add, (LabelState{u"Save"_s, LabelColour::Blue}));
    EXPECT_EQ(v.pass, (LabelState{u"Cancel"_s, LabelColour::Blue}));
    EXPECT_TRUE(v.newNameVisible);
    EXPECT_EQ(v.texts, PageTexts{});
    // Nothing is tracked in add mode, and Undo and Delete do nothing.
    type(0, u"smith"_s);
    EXPECT_EQ(v.edit.colour, LabelColour::Grey);
    prompter.clear();
    editor.undo();
    editor.deletePage();
    EXPECT_TRUE(prompter.shown().isEmpty());

    editor.fileNewPage();
    EXPECT_EQ(prompter.last().title, u"ORVELAN New Page"_s);
    EXPECT_EQ(prompter.last().text, u" New page for the Name: [ smith ] Created.     "_s);
    EXPECT_EQ(tab(), 18);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(storedName(18, 2), u"smith"_s);
    EXPECT_EQ(v.add, (LabelState{u"Add"_s, LabelColour::Grey}));
    EXPECT_EQ(v.pass, (LabelState{u"Options"_s, LabelColour::Grey}));
    EXPECT_FALSE(v.newNameVisible);
    EXPECT_EQ(folder.page(2, 1)[Field::Addr1], QByteArray()); // the No dropped the edit

    editor.startNewPage();
    type(0, u"Black"_s);
    editor.fileNewPage();
    EXPECT_EQ(prompter.last().title, u"ORVELAN Address Book"_s);
    EXPECT_EQ(prompter.last().text, u" New page for the Name: [ Black ] Entered.    "_s);
    EXPECT_EQ(tab(), 2);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(folder.pageCount(2), 3);
}

TEST_F(EditorTest, AddModeNeedsANameAndCancelShowsThePreviousPage) {
    navigator.nextPage();
    navigator.nextPage();
    editor.startNewPage();
    editor.fileNewPage();
    EXPECT_EQ(prompter.last().title, u"ORVELAN Add Page"_s);
    EXPECT_EQ(prompter.last().text, u"ORVELAN Can't SAVE this Page without a Name!     "_s);
    EXPECT_TRUE(book.view().addMode());
    type(0, u"Nobody"_s);
    keys.keyPress(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(book.view().addMode());
    EXPECT_EQ(shownName(), u"Bell"_s);
    EXPECT_EQ(folder.pageCount(13), 1);
}

TEST_F(EditorTest, RenamingWithinTheTabAsksCopyOrOverwrite) {
    type(0, u"Black"_s);
    prompter.answerNext(PromptAnswer::No);
    navigator.clickEdit();
    ASSERT_EQ(prompter.shown().size(), 2);
    EXPECT_EQ(prompter.shown()[0].text,
              QStringLiteral(" Choose YES to COPY this NEW NAME under the CURRENT Tab,    \r\n "
                             "or, choose NO to OVERWRITE this page with the NEW NAME    "));
    EXPECT_EQ(prompter.shown()[1].text,
              u" This page has now been SAVED with the New Name: [ Black ]"_s);
    EXPECT_EQ(prompter.shown()[1].icon, PromptIcon::None);
    EXPECT_EQ(storedName(2, 1), u"Black"_s);
    EXPECT_EQ(folder.pageCount(2), 3);

    prompter.clear();
    type(0, u"Blake"_s);
    prompter.answerNext(PromptAnswer::Yes);
    navigator.clickEdit();
    // The copy went into the blank page 2; the page shown before keeps its record.
    EXPECT_EQ(storedName(2, 1), u"Black"_s);
    EXPECT_EQ(storedName(2, 2), u"Blake"_s);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(prompter.last().text, u" New page for the Name: [ Blake ] Entered.    "_s);
}

TEST_F(EditorTest, RenamingToAnotherTabOffersACopyThere) {
    type(0, u"Green"_s);
    prompter.answerNext(PromptAnswer::No); // no copy under G
    prompter.answerNext(PromptAnswer::No); // overwrite here
    navigator.clickEdit();
    ASSERT_EQ(prompter.shown().size(), 3);
    EXPECT_EQ(prompter.shown()[0].text,
              u" Do you wish make a COPY of this NEW NAME under the [ G ] Tab    "_s);
    EXPECT_EQ(prompter.shown()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(storedName(2, 1), u"Green"_s);
    EXPECT_EQ(tab(), 2);

    prompter.clear();
    type(0, QString());
    prompter.answerNext(PromptAnswer::Yes); // copy under N
    navigator.clickEdit();
    EXPECT_EQ(prompter.shown()[0].text,
              u" Do you wish make a COPY of this NEW NAME under the [ N ] Tab    "_s);
    EXPECT_EQ(tab(), 13);
    EXPECT_EQ(storedName(13, 1), u"No Name"_s);
    EXPECT_EQ(storedName(2, 1), u"Green"_s);
}

TEST_F(EditorTest, NamesOfTheSharedTabNeedNoCopyQuestion) {
    navigator.clickLeftLabel(9);
    type(0, u"Jones"_s);
    prompter.answerNext(PromptAnswer::No);
    navigator.clickEdit();
    EXPECT_EQ(prompter.shown().first().text.left(17), u" Choose YES to CO"_s);
    EXPECT_EQ(storedName(9, 1), u"Jones"_s);
}

TEST_F(EditorTest, UndoRestoresEveryFieldOnce) {
    type(1, u"one"_s);
    type(12, u"b@example.com"_s);
    editor.undo();
    EXPECT_EQ(prompter.last().text, u" Do you wish to Undo ALL Changes made to this page?      "_s);
    EXPECT_EQ(book.view().texts[1], QString());
    EXPECT_EQ(book.view().texts[12], QString());
    EXPECT_EQ(book.view().undo.colour, LabelColour::Grey);
    EXPECT_EQ(book.view().edit, (LabelState{u"Stats"_s, LabelColour::Grey}));
    editor.undo();
    EXPECT_EQ(prompter.last().text, QStringLiteral("This page has NOT changed since the last "
                                                   "save, there is nothing to Undo!     "));
    type(1, u"kept"_s);
    prompter.answerNext(PromptAnswer::No);
    editor.undo();
    EXPECT_EQ(book.view().texts[1], u"kept"_s);
    EXPECT_EQ(book.view().undo.colour, LabelColour::Grey);
}

TEST_F(EditorTest, DeleteBlanksThePageAfterConfirmation) {
    LabelColour duringPrompt = LabelColour::Grey;
    QObject::connect(&book, &BookContext::changed, &book,
                     [&] { duringPrompt = std::max(duringPrompt, book.view().del.colour); });
    prompter.answerNext(PromptAnswer::Cancel);
    editor.deletePage();
    EXPECT_EQ(prompter.last().title, u"Delete: [ Brown ]"_s);
    EXPECT_EQ(duringPrompt, LabelColour::Red);
    EXPECT_EQ(storedName(2, 1), u"Brown"_s);
    editor.deletePage();
    EXPECT_EQ(folder.tabBytes(2).left(RecordSize), blankRecord());
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(shownName().isEmpty());
    EXPECT_EQ(book.view().del.colour, LabelColour::Grey);
}

// A page of an encrypted book that fails its authentication is marked by its place, shows no
// text, and is neither deleted nor written over without the user's word.
TEST_F(EditorTest, ADamagedPageIsMarkedAndNeverDeletedOrWrittenOverUnasked) {
    ASSERT_TRUE(encryptBook(session.folder(), u"S3cret!pw"_s, false, {}, {1, 8192}).ok);
    QByteArray sealed = folder.tabBytes(2);
    sealed[100] = char(sealed[100] ^ 0x10);
    folder.writeTab(2, {sealed});
    const QString mark = u"page 1 of tab B is damaged and cannot be read"_s;
    ASSERT_TRUE(book.reloadCurrentPage());
    EXPECT_EQ(prompter.last().text, mark);
    EXPECT_EQ(book.view().damagedMark, mark);
    EXPECT_TRUE(shownName().isEmpty());

    prompter.answerNext(PromptAnswer::Ok); // "This will Permanently DELETE ..."
    editor.deletePage();
    EXPECT_TRUE(prompter.last().text.startsWith(mark + u": it is not deleted"_s));
    prompter.answerNext(PromptAnswer::No);
    EXPECT_FALSE(book.putPage());
    EXPECT_TRUE(prompter.last().text.contains(u"Write over it?"_s));
    EXPECT_EQ(folder.tabBytes(2), sealed);
    EXPECT_EQ(ended, 0);

    prompter.answerNext(PromptAnswer::Yes);
    type(0, u"Brandt"_s);
    EXPECT_TRUE(book.putPage());
    EXPECT_TRUE(book.view().damagedMark.isEmpty());
    EXPECT_TRUE(book.reloadCurrentPage());
    EXPECT_EQ(shownName(), u"Brandt"_s);
    EXPECT_TRUE(book.view().damagedMark.isEmpty());
}

TEST_F(EditorTest, FindAsksToSaveFirst) {
    int finds = 0;
    QObject::connect(&book, &BookContext::findRequested, &book, [&] { ++finds; });
    type(2, u"changed"_s);
    prompter.answerNext(PromptAnswer::Cancel);
    keys.keyPress(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(finds, 0);
    EXPECT_EQ(prompter.last().text, u" This page has changed,  Do you wish to save it first ? "_s);
    keys.keyPress(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(finds, 1);
    EXPECT_EQ(book.view().find.colour, LabelColour::Blue);
    EXPECT_EQ(folder.page(2, 1)[Field::Addr2], QByteArray("changed"));
}

TEST_F(EditorTest, DialSelectionFollowsPageTurnsWhenTheOptionIsOn) {
    folder.writeTab(2, {TempBook::record({{Field::Name, "Brown"}, {Field::Mobile, "0123 456"}}),
                        TempBook::record({{Field::Name, "Bell"}, {Field::Mobile, "12"}})});
    navigator.showPage(2, 1);
    book.selectDialField(3);
    EXPECT_EQ(book.view().dial.colour, LabelColour::Blue);
    EXPECT_EQ(book.view().dialNumber, u"0123 456"_s);
    EXPECT_TRUE(book.view().dialMarks[2]);
    navigator.nextPage();
    EXPECT_EQ(book.view().dial.colour, LabelColour::Grey);
    EXPECT_FALSE(book.view().dialMarks[2]);

    session.settings().setFlag(Settings::DialFieldFollowsPageTurn, true);
    navigator.lastPage();
    EXPECT_EQ(book.view().dial.colour, LabelColour::Blue);
    EXPECT_TRUE(book.view().dialMarks[2]);
    navigator.nextPage(); // not tested on load
    EXPECT_EQ(book.view().dialNumber, u"12"_s);
    EXPECT_EQ(book.view().dial.colour, LabelColour::Blue);
    book.selectDialField(3); // but tested when selected
    EXPECT_EQ(book.view().dial.colour, LabelColour::Grey);
    book.selectDialField(1);
    type(7, u"555 1234"_s);
    EXPECT_EQ(book.view().dialMarks, (std::array<bool, 5>{}));
    EXPECT_EQ(book.view().dial.colour, LabelColour::Grey);
}

// Typed or pasted, a control or direction character never reaches the view nor the page.
class EditorHiddenCharacters : public EditorTest,
                               public testing::WithParamInterface<HostileText> {};

TEST_P(EditorHiddenCharacters, AreRemovedFromWhatIsTypedAndSaved) {
    const HostileText& row = GetParam();
    type(row.viewIndex, row.givenText());
    EXPECT_EQ(book.view().texts[row.viewIndex], row.keptText());
    navigator.clickEdit();
    EXPECT_EQ(textsOf(folder.page(2, 1))[row.viewIndex], row.keptText());
    EXPECT_TRUE(prompter.shown().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Pasted, EditorHiddenCharacters, testing::ValuesIn(HostileTexts));

} // namespace
} // namespace orvelan::test
