#pragma once

#include "app/Program.h"
#include "book/BookDialView.h"
#include "book/MainWindow.h"
#include "telephony/DesktopDialer.h"
#include "telephony/DialController.h"
#include "telephony/qt/QtSerialPort.h"

namespace orvelan {

class TapiConsoleWidget;

// The open book with everything it works with: the options panel and the run of the program,
// dialing by telephony line or modem. Built once per run; the main window outlives openings.
class OpenBook {
public:
    OpenBook(Session& session, Program& program, OrVel& window);

    // Once, when the main window first loads: starts the telephony session (unless "-TAPI").
    void firstLoad();

    DialController& dialing() { return m_dial; }

private:
    void connectOptionsPanel();
    void connectDialing();

    Session& m_session;
    Program& m_program;
    OrVel& m_window;
    DesktopDialer m_dialer;
    QtSerialPort m_serial;
    BookDialView m_dialView;
    DialController m_dial;
    TapiConsoleWidget* m_console; // owned by the options panel
    bool m_telephonyStarted = false;
};

} // namespace orvelan
