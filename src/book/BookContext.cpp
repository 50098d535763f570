#include "book/BookContext.h"

#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabTable.h"
#include "telephony/DialNumber.h"

#include <QCoreApplication>

namespace orvelan {

BookContext::BookContext(Session& session, QObject* parent)
    : QObject(parent), m_session(session), m_ender([] { QCoreApplication::exit(1); }) {}

PromptAnswer BookContext::ask(const PromptRequest& request) {
    notify();
    return m_session.services().prompter.ask(request);
}

bool BookContext::load(qint64 page) {
    if (m_ended)
        return false;
    PageStore& st = store();
    m_view.recordCaption = st.recordCaption(page);
    m_view.damagedMark.clear();
    if (page < 1) {
        m_view.texts = {};
        st.refreshLoadedCopy(m_view.texts);
        st.setPageChanged(false);
    } else if (const StoreResult result = st.getPage(page, m_view.texts); !result) {
        if (!continueAfterReadFailure(result.failure))
            return false;
        if (result.failure.error == RuntimeError::PageDamaged)
            m_view.damagedMark = damagedPageText(result.failure.tab, result.failure.page);
        // Nothing of the page shown before may stay in the view: a save would copy it here.
        m_view.texts = {};
        st.refreshLoadedCopy(m_view.texts);
        st.setPageChanged(false);
    }
    afterLoad();
    notify();
    return true;
}

bool BookContext::putPage() {
    if (m_ended)
        return false;
    if (store().currentPage() < 1)
        store().setCurrentPage(1);
    if (!m_view.damagedMark.isEmpty() &&
        ask({QStringLiteral("ORVELAN Address Book"),
             m_view.damagedMark + QStringLiteral(". Saving writes this page over it, and what it "
                                                 "held is lost for good. Write over it?"),
             PromptIcon::Exclamation, PromptButtons::YesNo}) != PromptAnswer::Yes)
        return false;
    if (const StoreResult result = store().putPage(m_view.texts); !result) {
        reportFatal(result.failure);
        return false;
    }
    m_view.damagedMark.clear();
    return true;
}

bool BookContext::writeBlankPage(qint64 page) {
    if (m_ended)
        return false;
    if (page < 1)
        return true;
    if (const StoreResult result = store().writeBlankPage(page); !result) {
        reportFatal(result.failure);
        return false;
    }
    return true;
}

bool BookContext::deletePage(qint64 page) {
    if (m_ended)
        return false;
    if (page < 1)
        return true;
    if (const StoreResult result = store().deletePage(page); !result) {
        // A damaged page is not deleted: what it held cannot be kept in the trash.
        if (result.failure.error == RuntimeError::PageDamaged) {
            ask({QStringLiteral("ORVELAN Address Book"),
                 damagedPageText(store().currentTab(), page) +
                     QStringLiteral(": it is not deleted. 'orvelan-book check --repair' sets "
                                    "it aside."),
                 PromptIcon::Exclamation, PromptButtons::Ok});
            return false;
        }
        reportFatal(result.failure);
        return false;
    }
    return true;
}

bool BookContext::saveNewPage() {
    if (m_ended)
        return false;
    const PageStore::NewPage outcome = store().saveNewPage(m_view.texts);
    if (!outcome.result) {
        if (outcome.result.failure.operation != StoreFailure::Operation::GetPage)
            reportFatal(outcome.result.failure);
        else if (continueAfterReadFailure(outcome.result.failure))
            load(store().currentPage());
        return false;
    }
    const int tab = store().currentTab();
    m_strip.reset();
    m_strip.chooseForward(tab);
    if (tab >= FirstLetterTab)
        m_strip.setCoverTop(TabStrip::CoverOpenTop);
    m_view.recordCaption = store().recordCaption(outcome.page);
    afterLoad();
    ask({outcome.title, outcome.text, PromptIcon::Information, PromptButtons::Ok});
    m_view.pass = {QStringLiteral("Options"), LabelColour::Grey};
    m_view.add = {QStringLiteral("Add"), LabelColour::Grey};
    m_view.newNameVisible = false;
    notify();
    return true;
}

void BookContext::chooseTabForward() {
    if (m_ended)
        return;
    const int t = store().currentTab();
    m_strip.chooseForward(t);
    if (t >= FirstLetterTab)
        m_strip.setCoverTop(TabStrip::CoverOpenTop);
    store().selectTabFile();
    if (store().keepPageOnTabChange) {
        store().keepPageOnTabChange = false;
        notify();
        return;
    }
    store().setCurrentPage(1);
    load(1);
}

void BookContext::chooseTabBack(int t) {
    if (m_ended)
        return;
    m_strip.chooseBack(t);
    store().setCurrentTab(t - 1);
    if (t - 1 >= FirstLetterTab)
        m_strip.setCoverTop(TabStrip::CoverOpenTop);
    store().selectTabFile();
    store().setCurrentPage(1);
    load(1);
}

void BookContext::showStatus(const QString& text, double seconds) {
    m_view.statusText = text;
    notify();
    m_session.services().clock.pause(seconds);
    m_view.statusText.clear();
    notify();
}

void BookContext::afterLoad() {
    // Whatever the view was doing, a loaded page is shown in view state: add mode ends here.
    if (m_view.addMode()) {
        m_view.add = {QStringLiteral("Add"), LabelColour::Grey};
        m_view.pass = {QStringLiteral("Options"),
                       m_view.optionsVisible ? LabelColour::Blue : LabelColour::Grey};
        m_view.newNameVisible = false;
    }
    m_view.undo.colour = LabelColour::Grey;
    m_view.notesVisible = true;
    m_view.edit = {QStringLiteral("Stats"), LabelColour::Grey};
    m_view.dialMarks = {};
    const bool follow = m_session.settings().flag(Settings::DialFieldFollowsPageTurn);
    if (m_view.dialField < 1 || m_view.dialField > DialFieldCount || !follow) {
        m_view.dial.colour = LabelColour::Grey;
    } else {
        m_view.dialNumber = m_view.texts[DialFieldViewIndex[m_view.dialField - 1]];
        m_view.dialMarks[m_view.dialField - 1] = true;
        m_view.dial.colour = LabelColour::Blue;
    }
    m_view.callPictureVisible = false;
    m_view.dial.caption = QStringLiteral("Dial");
    Q_EMIT pageLoaded();
}

void BookContext::selectDialField(int n) {
    if (n < 1 || n > DialFieldCount)
        return;
    m_view.dial.colour = LabelColour::Blue;
    m_view.dialMarks = {};
    m_view.dialMarks[n - 1] = true;
    m_view.dialField = n;
    m_view.dialNumber = m_view.texts[DialFieldViewIndex[n - 1]];
    if (!isDialableNumber(m_view.dialNumber)) {
        m_view.dial.colour = LabelColour::Grey;
        m_view.callPictureVisible = false;
        m_view.dial.caption = QStringLiteral("Dial");
    }
    notify();
}

void BookContext::clearDialMark() {
    m_view.dialMarks = {};
    m_view.dial.colour = LabelColour::Grey;
}

bool BookContext::continueAfterReadFailure(const StoreFailure& failure) {
    const StoreFailureMessages messages = messagesFor(failure);
    const PromptAnswer answer = ask(messages.first);
    if (messages.continuable && answer == PromptAnswer::Ok)
        return true;
    if (answer == PromptAnswer::Cancel && !messages.onCancel.text.isEmpty())
        ask(messages.onCancel);
    end();
    return false;
}

void BookContext::reportFatal(const StoreFailure& failure) {
    ask(messagesFor(failure).first);
    end();
}

void BookContext::end() {
    m_ended = true;
    notify();
    if (m_ender)
        m_ender();
}

} // namespace orvelan
