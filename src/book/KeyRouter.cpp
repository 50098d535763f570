#include "book/KeyRouter.h"

namespace orvelan {

bool KeyRouter::keyPress(int key, Qt::KeyboardModifiers modifiers, QChar text, KeyFocus focus) {
    if (m_book.ended())
        return false;
    switch (key) {
    case Qt::Key_Alt:
        m_altArmed = true;
        return true;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        return false;
    default:
        break;
    }
    if (m_altArmed || (modifiers & Qt::AltModifier)) {
        m_altArmed = false;
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            m_navigator.altLetter(QChar(u'A' + (key - Qt::Key_A)));
        else if (text.isLetter() && TabStrip::tabOfLetter(text) > 0)
            m_navigator.altLetter(text);
        else
            m_navigator.altOtherKey();
        return true;
    }
    if (modifiers & Qt::ControlModifier)
        return controlKey(key, focus);
    return functionKey(key);
}

bool KeyRouter::controlKey(int key, KeyFocus focus) {
    BookViewState& view = m_book.view();
    switch (key) {
    case Qt::Key_A:
        if (focus.inTextBox)
            return false; // selects the box's text
        [[fallthrough]];
    case Qt::Key_N:
        if (view.add.caption == QLatin1StringView("Add"))
            m_editor.startNewPage();
        return true;
    case Qt::Key_D:
        Q_EMIT m_book.dialRequested();
        return true;
    case Qt::Key_F:
        openFind();
        return true;
    case Qt::Key_H:
        Q_EMIT m_book.hangUpRequested();
        return true;
    case Qt::Key_O:
        if (view.pass.caption == QLatin1StringView("Options"))
            openOptions();
        return true;
    case Qt::Key_P:
        Q_EMIT m_book.printRequested();
        return true;
    case Qt::Key_S:
        if (view.edit.caption == QLatin1StringView("Save"))
            m_editor.saveEditedPage();
        if (view.addMode())
            m_editor.fileNewPage();
        return true;
    case Qt::Key_U:
        m_editor.undo();
        return true;
    case Qt::Key_X:
        if (focus.inTextBox && focus.hasSelection)
            return false; // cuts the selected text
        m_editor.deletePage();
        return true;
    default:
        return false;
    }
}

bool KeyRouter::functionKey(int key) {
    const bool closed = m_book.strip().closed();
    switch (key) {
    case Qt::Key_Escape:
        escape();
        return true;
    case Qt::Key_PageDown:
        if (closed)
            m_navigator.openAtFirstTab();
        else
            m_navigator.nextPage();
        return true;
    case Qt::Key_PageUp:
        if (closed)
            m_navigator.close(PageNavigator::CloseKind::CoverImage);
        else
            m_navigator.lastPage();
        return true;
    case Qt::Key_F1:
        Q_EMIT m_book.helpRequested(m_book.view().optionsVisible ? QStringLiteral("useage_opt.htm")
                                                                 : QStringLiteral("useage1.htm"));
        return true;
    case Qt::Key_F3:
        m_navigator.previousTabKey();
        return true;
    case Qt::Key_F4:
        m_navigator.nextTabKey();
        return true;
    case Qt::Key_F7:
        m_navigator.closeToCover();
        return true;
    case Qt::Key_F8:
        m_navigator.closeKey();
        return true;
    case Qt::Key_F12:
        Q_EMIT m_book.hangUpRequested();
        return true;
    default:
        return false;
    }
}

void KeyRouter::openOptions() {
    BookViewState& view = m_book.view();
    if (m_book.ended() || view.optionsVisible || view.pass.caption != QLatin1StringView("Options"))
        return;
    view.pass.colour = LabelColour::Blue;
    view.optionsVisible = true;
    m_book.notify();
    Q_EMIT m_book.optionsRequested();
}

void KeyRouter::openFind() {
    if (m_editor.prepareFind())
        Q_EMIT m_book.findRequested();
}

void KeyRouter::escape() {
    if (m_book.view().pass.caption == QLatin1StringView("Cancel"))
        m_editor.cancelNewPage();
    if (m_book.view().optionsVisible)
        Q_EMIT m_book.optionsCloseRequested();
}

} // namespace orvelan
