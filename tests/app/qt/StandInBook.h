#pragma once

#include "store/Session.h"

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace orvelan {

class LabelButton;

// A plain open-book window with the same signals and calls as the full main window, so the
// run of the program works and is tested on its own: it shows the status line, opens the
// options panel and closes the book.
class StandInBook : public QWidget {
    Q_OBJECT
public:
    explicit StandInBook(Session& session, QWidget* parent = nullptr);

    void setOptionsPanel(QWidget* panel);
    void showFirstPage();
    void setStatusText(const QString& text);
    QString statusText() const;
    int firstPageShown() const { return m_firstPageShown; }

Q_SIGNALS:
    void optionsRequested();
    void closeRequested();
    void findRequested();
    void printRequested();
    void dialRequested();
    void helpRequested();
    void escapePressed();
    void minimiseRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Session& m_session;
    QLabel* m_status;
    QLabel* m_page;
    QVBoxLayout* m_layout;
    int m_firstPageShown = 0;
};

} // namespace orvelan
