#pragma once

#include "book/BookContext.h"

namespace orvelan {

// Editing the page in place: change tracking against the loaded copy, the name rules, saving,
// adding, undoing and deleting pages, and the save prompt before the page is left.
class PageEditor {
public:
    explicit PageEditor(BookContext& book) : m_book(book) {}

    enum class SaveOutcome { Saved, Copied, Refused, Failed };

    // The user changed text box `index` to `text`. A text with a character the field cannot
    // store is refused with a message and the view keeps its previous text (false). Text beyond
    // the field's width is left out: typing stops there silently, and a paste that is cut is
    // told once, naming the field as the page shows it.
    bool textEdited(int index, const QString& text);

    void refreshEditState();
    // Refuses a name that begins (after its leading spaces, which saving drops) with a space of
    // another kind, a control character or a combining mark, removing leading characters one by
    // one. Names that begin with a digit or a sign go to the first tab.
    bool checkNameFirstLetter();
    static PromptRequest nameStartRefused();
    // Before an existing page is written: empty name, a name of another tab, a changed name.
    void checkNameChange();
    // What every "save it?" answer Yes runs: the name checks, then the write unless a copy was
    // made.
    SaveOutcome saveChecks();

    // The save prompt before leaving a changed page; sets the store's leave-cancelled flag,
    // also when the name check refuses the save.
    void confirmLeavePage();
    // The prompt of next page, last page and closing (`text` differs by action). True when the
    // action may go on.
    bool confirmBeforeAction(const QString& text, bool reloadOnNo);
    // Before any move or close in add mode: asks whether to file the new page. Yes files it,
    // No drops it (the page shown before Add comes back), Cancel stays in add mode (false). An
    // empty new page is dropped without asking. Outside add mode it does nothing (true).
    bool settleNewPage();

    void saveEditedPage(); // EditLa "Save", Ctrl+S
    void startNewPage();   // AddLa "Add", Ctrl+N (Ctrl+A outside a text box)
    bool fileNewPage();    // AddLa "Save"; false when the page stays in add mode
    void cancelNewPage();  // PassLa "Cancel", Esc
    void undo();           // UndoLa, Ctrl+U
    void deletePage();     // DelLa, Ctrl+X with no text selected
    // FindLa, Ctrl+F: the save prompt; true when the search window may open.
    bool prepareFind();

private:
    BookContext& m_book;
};

} // namespace orvelan
