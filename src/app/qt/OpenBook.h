#pragma once

#include "app/qt/Program.h"
#include "book/BookDialView.h"
#include "book/qt/MainWindow.h"
#include "exchange/qt/ExchangeWindows.h"
#include "print/qt/DefaultPrinterTarget.h"
#include "search/BookNavigator.h"
#include "telephony/DesktopDialer.h"
#include "telephony/DialController.h"
#include "telephony/qt/QtSerialPort.h"

namespace orvelan {

class FindWindow;
class KeyringPasswordStore;
class SyncWindow;
class DuplicatesWindow;
class TrashWindow;
class TapiConsoleWidget;

// The open book with everything it works with: the options panel and the run of the program,
// dialing by telephony line or modem. Built once per run; the main window outlives openings.
class OpenBook {
public:
    OpenBook(Session& session, Program& program, OrVel& window);
    ~OpenBook();

    // Once, when the main window first loads: starts the telephony session (unless "-TAPI").
    void firstLoad();
    // When the main window loads: syncIfChosen runs once the book shows, so a book locked by
    // its master password asks for it first.
    void syncWhenOpen();
    // When the book opens and when it closes: syncs with the contacts server if the user chose
    // so in the sync window. A failure is told in a message box; the book stays as it was.
    void syncIfChosen();

    DialController& dialing() { return m_dial; }
    // The search window, once it has been opened in this run.
    FindWindow* findWindow() const { return m_find.get(); }
    ExchangeWindows& exchange() { return m_exchange; }
    // The sync window, once it has been opened in this run.
    SyncWindow* syncWindow() const { return m_sync.get(); }
    // The trash window, once it has been opened in this run.
    TrashWindow* trashWindow() const { return m_trash.get(); }
    DuplicatesWindow* duplicatesWindow() const { return m_duplicates.get(); }

private:
    void connectOptionsPanel();
    void connectDialing();
    void connectSearchAndPrinting();
    void connectExchange();
    void openSyncWindow();
    void openTrashWindow();
    void openDuplicatesWindow();
    void openFindWindow();
    void printPage();

    Session& m_session;
    Program& m_program;
    OrVel& m_window;
    DesktopDialer m_dialer;
    QtSerialPort m_serial;
    BookDialView m_dialView;
    DialController m_dial;
    TapiConsoleWidget* m_console; // owned by the options panel
    bool m_telephonyStarted = false;
    DefaultPrinterTarget m_printTarget;
    CallbackNavigator m_navigator;
    std::unique_ptr<FindWindow> m_find;
    ExchangeWindows m_exchange;
    std::unique_ptr<KeyringPasswordStore> m_keyring;
    std::unique_ptr<SyncWindow> m_sync;
    std::unique_ptr<TrashWindow> m_trash;
    std::unique_ptr<DuplicatesWindow> m_duplicates;
    bool m_syncOnShow = false; // a sync waits for the book to show
};

} // namespace orvelan
