#pragma once

#include "search/BookNavigator.h"
#include "search/FindIndex.h"
#include "search/SearchFields.h"
#include "store/Session.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QStackedWidget;

namespace orvelan {

class FindListModel;
class LabelButton;
class PrintTarget;

// The search window frmFind: the fields to look in, the text to look for, one line per page
// found; a line opens its page in the main window; the list prints as a listing. Above the list
// the find box searches every field as the user types; with the box empty its list holds every
// page in name order.
class FindWindow final : public QWidget {
    Q_OBJECT
public:
    FindWindow(Session& session, BookNavigator& navigator, PrintTarget& printTarget,
               QWidget* parent = nullptr);

    // Shows the window: the first time it loads (reads the settings, colours the selectors,
    // places itself beside the main window); later it shows again as it was.
    void open();

    void runSearch();
    void viewSelected();
    void clearList();
    void printList();
    void closeWindow();
    void toggleSelector(int index);
    // Puts the keyboard in the find box (Ctrl+F), its text selected.
    void focusFindBox();
    // Lists what the find box holds, reading again the tab files that changed.
    void findAsYouType();

    int foundCount() const { return m_foundCount; }
    const QString& outcomeText() const { return m_outcome; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void load();
    void setInfo(const QString& text);
    void setInfoColour(const QColor& colour);
    void colourSelector(int index);
    void waitCursor(bool on);
    void fillFindList();
    void showFindList(bool on);
    void viewFindRow(int row);

    Session& m_session;
    BookNavigator& m_navigator;
    PrintTarget& m_printTarget;
    bool m_loaded = false;
    int m_foundCount = 0;
    QString m_outcome;

    QLineEdit* m_text2 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLineEdit* m_findBox = nullptr;
    QListView* m_findList = nullptr;
    QStackedWidget* m_lists = nullptr;
    QLabel* m_headings = nullptr;
    FindIndex m_index;
    FindListModel* m_findModel = nullptr;
    QLabel* m_info = nullptr;
    std::array<LabelButton*, SearchSelectorCount> m_selectors{};
    LabelButton* m_findLa = nullptr;
    LabelButton* m_viewLa = nullptr;
    LabelButton* m_dialLa = nullptr;
    LabelButton* m_printLa = nullptr;
    LabelButton* m_cancelLa = nullptr;
};

} // namespace orvelan
