#pragma once

#include "book/BookViewState.h"
#include "book/TabStrip.h"
#include "store/Session.h"

#include <QObject>

#include <functional>

namespace orvelan {

// The open book's shared state and the page operations every action builds on: loading a page
// with the view updates that follow, writing it, filing a new page, choosing tabs, status texts
// and the dial selection. Store failures are shown here; those that end the program call the
// ender, after which every action does nothing.
class BookContext : public QObject {
    Q_OBJECT
public:
    enum class Focus { PagePanel, NameBox };
    using Ender = std::function<void()>;

    explicit BookContext(Session& session, QObject* parent = nullptr);

    Session& session() { return m_session; }
    PageStore& store() { return m_session.store(); }
    BookViewState& view() { return m_view; }
    const BookViewState& view() const { return m_view; }
    TabStrip& strip() { return m_strip; }
    const TabStrip& strip() const { return m_strip; }

    void setEnder(Ender ender) { m_ender = std::move(ender); }
    bool ended() const { return m_ended; }

    // Draws the state first, then shows the box.
    PromptAnswer ask(const PromptRequest& request);
    void notify() { Q_EMIT changed(); }
    void requestFocus(Focus focus) { Q_EMIT focusRequested(focus); }

    // Loads page n of the current tab (an empty view below page 1) and returns the view to its
    // view state. False when a read failure ended the program.
    bool load(qint64 page);
    bool reloadCurrentPage() { return load(store().currentPage()); }
    // Writes the view at the current position; a tab without pages gets it as page 1.
    bool putPage();
    bool writeBlankPage(qint64 page);
    // Delete: the page goes to the book's trash, then it is blanked.
    bool deletePage(qint64 page);
    // Files the name in the view as a new page, opens its tab on the strip and tells the user.
    bool saveNewPage();

    // Letter tab `current tab` opened from the left stack.
    void chooseTabForward();
    // Right label of letter tab t clicked: opens tab t - 1.
    void chooseTabBack(int t);

    void showStatus(const QString& text, double seconds);
    bool textsChanged() { return store().testPageChanged(m_view.texts); }

    // The view state after every load.
    void afterLoad();
    // Dial fields: select field n (1..5), or drop the marks after a number was edited.
    void selectDialField(int n);
    void clearDialMark();

    // Program-wide editing flags.
    bool nameRejected = false;
    bool copyMade = false;

Q_SIGNALS:
    void changed();
    void focusRequested(orvelan::BookContext::Focus focus);
    void closeRequested();
    void findRequested();
    void optionsRequested();
    void optionsCloseRequested();
    void printRequested();
    void dialRequested();
    void hangUpRequested();
    void helpRequested(const QString& page);
    // A page was loaded into the view (its view state is complete).
    void pageLoaded();

private:
    // Shows a failed read; true when the user chose to go on.
    bool continueAfterReadFailure(const StoreFailure& failure);
    void reportFatal(const StoreFailure& failure);
    void end();

    Session& m_session;
    BookViewState m_view;
    TabStrip m_strip;
    Ender m_ender;
    bool m_ended = false;
};

} // namespace orvelan
