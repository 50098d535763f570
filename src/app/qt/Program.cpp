#include "app/qt/Program.h"

namespace orvelan {

Program::Program(Session& session, HelpPages help, BookWindow& book, PasswordPrompt& password)
    : m_session(session), m_help(std::move(help)), m_book(book),
      m_panelUntilPlaced(std::make_unique<OptionsPanel>(session, &book)),
      m_run(session, book, m_closedBook, password) {
    m_panel = m_panelUntilPlaced.get();
    QObject::connect(&m_closedBook, &ClosedBookWindow::openRequested, &m_run,
                     [this] { m_run.openBook(); });
    QObject::connect(&m_closedBook, &ClosedBookWindow::finishRequested, &m_run,
                     [this] { m_run.finish(); });
    QObject::connect(&m_closedBook, &ClosedBookWindow::minimiseRequested, &m_run,
                     &BookRun::minimiseClosedBook);
    QObject::connect(&m_closedBook, &ClosedBookWindow::helpRequested, &m_closedBook,
                     [this] { m_help.open(HelpPages::Overview, m_session.services().launcher); });
}

void Program::mainWindowLoaded() {
    m_book.showFirstPage();
    m_panel->fillFromSettings();
    m_panel->hide();
}

void Program::mainWindowHelp() {
    m_help.open(m_panel->isOpen() ? HelpPages::Options : HelpPages::Usage,
                m_session.services().launcher);
}

bool Program::mainWindowMayMinimise() {
    return mayMinimiseBook(m_session.settings(), m_session.services().prompter);
}

} // namespace orvelan
