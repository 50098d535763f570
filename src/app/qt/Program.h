#pragma once

#include "app/BookRun.h"
#include "app/qt/ClosedBookWindow.h"
#include "book/qt/OptionsPanel.h"
#include "platform/HelpPages.h"

#include <QObject>

#include <memory>

namespace orvelan {

// The windows of a run and the run itself, wired together: the closed book, the options panel
// for the main window, the password gate. The main window is connected by connectMainWindow().
class Program {
public:
    Program(Session& session, HelpPages help, BookWindow& book, PasswordPrompt& password);

    ClosedBookWindow& closedBook() { return m_closedBook; }
    OptionsPanel& optionsPanel() { return *m_panel; }
    BookRun& run() { return m_run; }
    const HelpPages& help() const { return m_help; }

    // What a main window does each time it loads.
    void mainWindowLoaded();
    // The main window's F1: the options page while the panel is open.
    void mainWindowHelp();
    // The main window's minimise picture; true when it may minimise.
    bool mainWindowMayMinimise();
    void start() { m_run.showClosedBookAtStart(); }

private:
    Session& m_session;
    HelpPages m_help;
    BookWindow& m_book;
    ClosedBookWindow m_closedBook;
    OptionsPanel* m_panel; // owned by the main window once placed in it
    std::unique_ptr<OptionsPanel> m_panelUntilPlaced;
    BookRun m_run;

    template <class MainWindow> friend void connectMainWindow(MainWindow& window, Program& program);
};

// Hands the options panel to the main window and connects its requests to the run.
template <class MainWindow> void connectMainWindow(MainWindow& window, Program& program) {
    OptionsPanel* panel = program.m_panelUntilPlaced.release();
    window.setOptionsPanel(panel);
    panel->hide();
    QObject::connect(&window, &MainWindow::closeRequested, &program.m_run, &BookRun::closeBook);
    QObject::connect(&window, &MainWindow::optionsRequested, panel, &OptionsPanel::open);
}

} // namespace orvelan
