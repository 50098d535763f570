#pragma once

#include "book/BookContext.h"
#include "book/PageEditor.h"

namespace orvelan {

// Moving through the book: next and last page across tabs, the tab labels of both stacks, the
// book's cover at tab 0, the statistics toggle and the close actions with their save prompts.
class PageNavigator {
public:
    PageNavigator(BookContext& book, PageEditor& editor) : m_book(book), m_editor(editor) {}

    // Page 1 of tab 1 with the strip in its start state.
    void showFirstPage();
    // A page chosen elsewhere (a search result): its tab opened on the strip, the page shown;
    // edits of the page shown before are saved or dropped first, as the user answers.
    void showPage(int tab, qint64 page);

    void nextPage();             // NextB, Page Down
    void lastPage();             // LastB, Page Up
    void clickLeftLabel(int k);  // L(k)
    void clickRightLabel(int k); // R(k); R(A) closes the book to tab 0
    void closeToCover();         // RALa, F7
    void openAtFirstTab();       // Label19, Label20, StartLa

    enum class CloseKind { CloseLabel, CoverImage };
    // CloseLa / Image1: the save prompt; emits closeRequested when the book may close.
    void close(CloseKind kind);

    void clickEdit(); // EditLa: statistics toggle or save
    void toggleStatistics();

    // Keys of the window.
    void previousTabKey(); // F3
    void nextTabKey();     // F4
    void closeKey();       // F8
    void altLetter(QChar letter);
    void altOtherKey();

private:
    void showAfterMove(qint64 page);

    BookContext& m_book;
    PageEditor& m_editor;
};

} // namespace orvelan
