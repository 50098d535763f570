#pragma once

#include "book/BookContext.h"
#include "book/KeyRouter.h"
#include "book/PageEditor.h"
#include "book/PageNavigator.h"
#include "store/Session.h"

#include <QWidget>

#include <array>
#include <functional>
#include <tuple>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace orvelan {

class LabelButton;
class PagePanel;
class CoverPanel;
class PictureButton;

// The open book: the page view, the two stacks of thumb tabs, the page commands. The window
// draws the state the book logic keeps and passes clicks and keys to it.
class OrVel : public QWidget {
    Q_OBJECT
public:
    explicit OrVel(Session& session, QWidget* parent = nullptr);
    ~OrVel() override;

    // Page 1 of tab 1 with the strip in its start state (first show, data reset, import).
    void showFirstPage();
    // Shows page `page` of `tab` with that tab open on the strip (search results). The caller
    // has already asked about unsaved changes.
    void showPage(int tab, qint64 page);

    // The 26 texts the page view shows now, edits included (printing, dialing).
    const PageTexts& pageTexts() const;
    QLabel* statusLabel() const;
    void setStatusText(const QString& text);

    // The options panel lies over the right page while PassLa reads "Options" and is blue.
    void setOptionsPanel(QWidget* panel);
    // Closes the panel as its Ok button does: optionsClosing() first, then PassLa grey.
    void closeOptionsPanel();
    // FindLa returns to grey when the search window closes.
    void setFindActive(bool active);

    // What happens when a page write fails or the user ends after a read failure. The program
    // exits by default; tests observe it instead.
    void setEnder(std::function<void()> ender);

    // Clicks on P1Lab .. P5Lab go to `handler` (the dialing controller) instead of the page
    // view's own field selection.
    void setDialFieldHandler(std::function<void(int)> handler);

    // Shows page 1 of tab 1 if an import asked for it; run on every activation.
    void checkActivation();

    BookContext& book() { return m_book; }
    PageEditor& editor() { return m_editor; }
    PageNavigator& navigator() { return m_navigator; }

Q_SIGNALS:
    // The help mark (IFCHelpCoverLa), the maker's labels (OShomeLa, AverLa) and the minimise
    // picture (AminoImage).
    void helpIndexRequested();
    void makerHomeRequested();
    void versionPageRequested();
    void minimiseRequested();
    void findRequested();
    void printRequested();
    void dialRequested();
    void hangUpRequested();
    void optionsRequested();
    void optionsClosing();
    void closeRequested();
    void helpRequested(const QString& page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void buildTabs();
    void buildCommands();
    void buildCorner();
    QLineEdit* addField(QWidget* page, int index, const QString& title, int y, QWidget** label);
    void connectLogic();
    void refreshView();
    void renderLabel(LabelButton* label, const LabelState& state);
    void layoutPages();
    void focus(BookContext::Focus target);
    bool textBoxKey(QWidget* box, int key);
    KeyFocus keyFocus(QObject* watched) const;

    Session& m_session;
    BookContext m_book;
    PageEditor m_editor;
    PageNavigator m_navigator;
    KeyRouter m_keys;

    std::array<QWidget*, ViewFieldCount> m_boxes{};
    std::array<LabelButton*, 26> m_leftTabs{};
    std::array<LabelButton*, 26> m_rightTabs{};
    std::array<LabelButton*, 5> m_dialLabels{};
    std::array<QWidget*, 5> m_dialMarks{};
    PagePanel* m_leftPage = nullptr;
    PagePanel* m_rightPage = nullptr;
    CoverPanel* m_cover = nullptr;
    QWidget* m_optionsArea = nullptr;
    QLabel* m_recn = nullptr;
    QLabel* m_status = nullptr;
    std::array<QLabel*, 4> m_stats{};
    LabelButton *m_add = nullptr, *m_edit = nullptr, *m_undo = nullptr, *m_del = nullptr,
                *m_pass = nullptr, *m_find = nullptr, *m_print = nullptr, *m_dial = nullptr,
                *m_close = nullptr, *m_newName = nullptr;
    PictureButton* m_callPicture = nullptr;
    PictureButton* m_hangUp = nullptr;
    std::function<void(int)> m_dialFieldHandler;
    quint32 tabsShown() const;

    bool m_syncing = false;
    bool m_closeAccepted = false; // the close prompts have let the book close
    std::tuple<int, int, quint32> m_paintedStrip{-1, -1, 0};
};

} // namespace orvelan
