#pragma once

#include "book/PageNavigator.h"

#include <Qt>

namespace orvelan {

// Where the keyboard is when a key arrives: a text box keeps the editing keys (cut, copy,
// paste, select all, undo) for its text.
struct KeyFocus {
    bool inTextBox = false;
    bool hasSelection = false;
};

// The window's keys, seen before the focused control: page and tab moves, Alt + letter tabs,
// the function keys and the Ctrl shortcuts of the page commands.
class KeyRouter {
public:
    KeyRouter(BookContext& book, PageEditor& editor, PageNavigator& navigator)
        : m_book(book), m_editor(editor), m_navigator(navigator) {}

    // True when the key was taken and must not reach the focused control.
    bool keyPress(int key, Qt::KeyboardModifiers modifiers, QChar text = {}, KeyFocus focus = {});
    bool altArmed() const { return m_altArmed; }
    // The window lost the keyboard (Alt+Tab to another window): an armed Alt is dropped.
    void disarm() { m_altArmed = false; }

    // The page commands the Ctrl shortcuts share with their labels.
    void openOptions();
    void openFind();
    void escape();

private:
    bool controlKey(int key, KeyFocus focus);
    bool functionKey(int key);

    BookContext& m_book;
    PageEditor& m_editor;
    PageNavigator& m_navigator;
    bool m_altArmed = false;
};

} // namespace orvelan
