#include "app/OpenBook.h"

#include "telephony/qt/TapiConsoleWidget.h"

namespace orvelan {

OpenBook::OpenBook(Session& session, Program& program, OrVel& window)
    : m_session(session), m_program(program), m_window(window),
      m_dialer(session.services().launcher), m_serial(session.folder().configPath()),
      m_dialView(window.book(), session.settings()),
      m_dial({m_dialView, session.services().prompter, session.services().clock,
              session.settings(), session.commandLine().tapiEnabled, m_dialer, m_serial}),
      m_console(new TapiConsoleWidget) {
    connectMainWindow(window, program);
    connectOptionsPanel();
    connectDialing();
}

void OpenBook::connectOptionsPanel() {
    OptionsPanel& panel = m_program.optionsPanel();
    // Closing from the book (PassLa, Esc) stores the panel; its own Ok closes it in the book.
    QObject::connect(&m_window, &OrVel::optionsClosing, &panel, [&panel] {
        if (panel.isOpen())
            panel.closeAndStore();
    });
    QObject::connect(&panel, &OptionsPanel::closed, &m_window, [this] {
        if (m_window.book().view().optionsVisible)
            m_window.closeOptionsPanel();
    });
    QObject::connect(&m_window, &OrVel::helpRequested, &m_window,
                     [this](const QString&) { m_program.mainWindowHelp(); });

    m_console->attach(&m_dial, &m_session.settings());
    QObject::connect(&panel, &OptionsPanel::dialLayoutApplied, m_console,
                     &TapiConsoleWidget::setConsoleAvailable);
    panel.setTapiArea(m_console);
}

void OpenBook::connectDialing() {
    m_window.setDialFieldHandler([this](int field) { m_dial.selectField(field); });
    QObject::connect(&m_window, &OrVel::dialRequested, &m_dial, [this] { m_dial.dial(); });
    QObject::connect(&m_window, &OrVel::hangUpRequested, &m_dial, [this] {
        if (m_window.book().view().hangUpVisible)
            m_dial.hangUp();
    });
    QObject::connect(&m_window.book(), &BookContext::pageLoaded, &m_dial,
                     [this] { m_dial.pageShown(); });
}

void OpenBook::firstLoad() {
    if (m_telephonyStarted)
        return;
    m_telephonyStarted = true;
    if (m_session.commandLine().tapiEnabled)
        m_dial.InitTapi(*m_console);
}

} // namespace orvelan
