#include "book/PageNavigator.h"

#include "store/TabTable.h"

namespace orvelan {

namespace {
QString leaveText() {
    return QStringLiteral(" This page has changed,  Do you wish to save it?      ");
}
} // namespace

void PageNavigator::showFirstPage() {
    if (m_book.ended())
        return;
    m_book.strip().reset();
    m_book.strip().setCoverTop(TabStrip::CoverOpenTop);
    m_book.store().setCurrentTab(FirstLetterTab);
    m_book.chooseTabForward();
}

void PageNavigator::showPage(int tab, qint64 page) {
    if (m_book.ended() || tab < 0 || tab > LastTab)
        return;
    PageStore& store = m_book.store();
    // The search window stays open beside the book, so the page shown may have been edited
    // (or a new page begun) since it opened: ask before it is replaced by the chosen page.
    m_editor.confirmLeavePage();
    if (store.leaveCancelled || m_book.ended())
        return;
    store.setCurrentTab(tab);
    m_book.strip().reset();
    store.keepPageOnTabChange = true;
    m_book.chooseTabForward();
    store.setCurrentPage(page);
    m_book.load(page);
    m_book.requestFocus(BookContext::Focus::PagePanel);
}

void PageNavigator::nextPage() {
    PageStore& store = m_book.store();
    store.keepPageOnTabChange = false;
    if (!m_editor.confirmBeforeAction(leaveText(), true))
        return;
    qint64 page = store.currentPage() + 1;
    if (page > store.pageCount()) {
        if (store.currentTab() + 1 <= LastTab) {
            store.keepPageOnTabChange = true;
            m_book.strip().reset();
            store.setCurrentTab(store.currentTab() + 1);
            m_book.chooseTabForward();
            page = 1;
        }
        if (page > store.pageCount())
            page = store.pageCount();
    }
    store.setCurrentPage(page);
    m_book.load(page);
    if (store.currentTab() == LastTab && page == store.pageCount())
        m_book.showStatus(QStringLiteral("**  Last Page  **"), 0.7);
    m_book.requestFocus(BookContext::Focus::PagePanel);
}

void PageNavigator::lastPage() {
    PageStore& store = m_book.store();
    store.keepPageOnTabChange = false;
    if (!m_editor.confirmBeforeAction(leaveText(), true))
        return;
    qint64 page = store.currentPage() - 1;
    if (page < 1 && store.currentTab() - 1 > 0) {
        store.keepPageOnTabChange = true;
        m_book.strip().reset();
        store.setCurrentTab(store.currentTab() - 1);
        m_book.chooseTabForward();
        page = store.pageCount();
    }
    if (store.currentTab() == FirstLetterTab && page < 1) {
        closeToCover();
        return;
    }
    showAfterMove(qMax<qint64>(page, 1));
}

void PageNavigator::showAfterMove(qint64 page) {
    m_book.store().setCurrentPage(page);
    m_book.load(page);
    m_book.requestFocus(BookContext::Focus::PagePanel);
}

void PageNavigator::clickLeftLabel(int k) {
    if (m_book.ended() || k < FirstLetterTab || k > LastTab)
        return;
    m_editor.confirmLeavePage();
    if (m_book.store().leaveCancelled || m_book.ended())
        return;
    m_book.store().setCurrentTab(k);
    m_book.chooseTabForward();
}

void PageNavigator::clickRightLabel(int k) {
    if (m_book.ended() || k < FirstLetterTab || k > LastTab)
        return;
    if (k == FirstLetterTab) {
        closeToCover();
        return;
    }
    m_editor.confirmLeavePage();
    if (m_book.store().leaveCancelled || m_book.ended())
        return;
    m_book.chooseTabBack(k);
}

void PageNavigator::closeToCover() {
    if (!m_editor.confirmBeforeAction(
            QStringLiteral(" This page has changed,  Do you wish to save it before you close? "),
            false))
        return;
    m_book.chooseTabBack(FirstLetterTab);
    m_book.strip().setCoverTop(TabStrip::CoverClosedTop);
    m_book.notify();
}

void PageNavigator::openAtFirstTab() {
    if (m_book.ended())
        return;
    // Opening the book shows page 1 of tab A: typed changes are offered for saving first.
    if (m_book.view().addMode() || m_book.textsChanged()) {
        m_editor.confirmLeavePage();
        if (m_book.store().leaveCancelled || m_book.ended())
            return;
    }
    m_book.strip().setCoverTop(TabStrip::CoverOpenTop);
    m_book.store().setCurrentTab(FirstLetterTab);
    m_book.chooseTabForward();
}

void PageNavigator::close(CloseKind kind) {
    if (m_book.ended())
        return;
    // "Finish Program without Prompting" skips the question about ending the program, never
    // this one: a changed page is always offered for saving before the book closes.
    const QString text =
        kind == CloseKind::CloseLabel
            ? QStringLiteral(" This page has changed,  Do you wish to save it before you "
                             "close?      ")
            : QStringLiteral(" This page has changed,  Do you wish to save it before you "
                             "close?     ");
    if (!m_editor.confirmBeforeAction(text, false))
        return;
    Q_EMIT m_book.closeRequested();
}

void PageNavigator::clickEdit() {
    if (m_book.view().edit.caption == QLatin1StringView("Save"))
        m_editor.saveEditedPage();
    else
        toggleStatistics();
}

void PageNavigator::toggleStatistics() {
    BookViewState& view = m_book.view();
    PageStore& store = m_book.store();
    if (view.edit.colour == LabelColour::Grey) {
        view.notesVisible = false;
        view.statTab = QStringLiteral("          TAB: ") +
                       QString::fromLatin1(store.currentTabLabel()) + QStringLiteral("/ ") +
                       QString::number(store.currentPage());
        view.statRecords = QStringLiteral("Total Records: ") + QString::number(store.pageCount());
        view.statModified = QStringLiteral("Date Modified: ") + store.dateModified();
        view.statTime = QStringLiteral("         Time: ") + store.timeModified();
        view.edit.colour = LabelColour::Blue;
    } else {
        view.notesVisible = true;
        view.edit.colour = LabelColour::Grey;
    }
    m_book.notify();
}

void PageNavigator::previousTabKey() {
    if (m_book.ended())
        return;
    if (m_book.strip().closed()) {
        close(CloseKind::CoverImage);
        return;
    }
    const int tab = m_book.store().currentTab();
    if (tab <= FirstLetterTab) {
        // The book closes to its cover at tab 0; the position stays that of the page shown.
        closeToCover();
        return;
    }
    m_editor.confirmLeavePage();
    if (!m_book.store().leaveCancelled && !m_book.ended())
        m_book.chooseTabBack(tab);
}

void PageNavigator::nextTabKey() {
    if (m_book.ended())
        return;
    if (m_book.strip().closed()) {
        openAtFirstTab();
        return;
    }
    m_editor.confirmLeavePage();
    if (m_book.store().leaveCancelled || m_book.ended())
        return;
    PageStore& store = m_book.store();
    store.setCurrentTab(qMin(store.currentTab() + 1, LastTab));
    m_book.chooseTabForward();
}

void PageNavigator::closeKey() {
    if (m_book.ended())
        return;
    m_editor.confirmLeavePage();
    if (!m_book.store().leaveCancelled)
        close(CloseKind::CoverImage);
}

void PageNavigator::altLetter(QChar letter) {
    if (m_book.ended())
        return;
    const int tab = TabStrip::tabOfLetter(letter);
    if (tab < 0) {
        altOtherKey();
        return;
    }
    if (tab == LastTab)
        clickLeftLabel(LastTab);
    else
        clickRightLabel(tab + 1);
    if (!m_book.store().leaveCancelled)
        m_book.chooseTabForward();
}

void PageNavigator::altOtherKey() {
    if (m_book.ended())
        return;
    // Page 1 is shown again: typed changes are offered for saving first, never dropped.
    if (m_book.view().addMode() || m_book.textsChanged())
        m_editor.confirmLeavePage();
    if (!m_book.store().leaveCancelled && !m_book.ended())
        m_book.chooseTabForward();
}

} // namespace orvelan
