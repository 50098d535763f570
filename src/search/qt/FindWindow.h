#pragma once

#include "search/BookNavigator.h"
#include "search/SearchFields.h"
#include "store/Session.h"

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QListWidget;

namespace orvelan {

class LabelButton;
class PrintTarget;

// The search window frmFind: the fields to look in, the text to look for, one line per page
// found; a line opens its page in the main window; the list prints as a listing.
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

    Session& m_session;
    BookNavigator& m_navigator;
    PrintTarget& m_printTarget;
    bool m_loaded = false;
    int m_foundCount = 0;
    QString m_outcome;

    QLineEdit* m_text2 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLabel* m_info = nullptr;
    std::array<LabelButton*, SearchSelectorCount> m_selectors{};
    LabelButton* m_findLa = nullptr;
    LabelButton* m_viewLa = nullptr;
    LabelButton* m_dialLa = nullptr;
    LabelButton* m_printLa = nullptr;
    LabelButton* m_cancelLa = nullptr;
};

} // namespace orvelan
