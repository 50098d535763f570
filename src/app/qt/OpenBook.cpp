#include "app/qt/OpenBook.h"

#include "book/qt/DuplicatesWindow.h"
#include "book/qt/TrashWindow.h"
#include "exchange/qt/ExportWindow.h"
#include "exchange/qt/ImportWindow.h"
#include "print/PagePrintout.h"
#include "print/qt/LabelBusyMark.h"
#include "search/qt/FindWindow.h"
#include "sync/net/KeyringPasswordStore.h"
#include "sync/net/SyncSession.h"
#include "sync/qt/SyncWindow.h"
#include "telephony/qt/TapiConsoleWidget.h"
#include "ui/LabelButton.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>

namespace orvelan {

OpenBook::OpenBook(Session& session, Program& program, OrVel& window)
    : m_session(session), m_program(program), m_window(window),
      m_dialer(session.services().launcher, session.services().prompter,
               session.folder().configPath()),
      m_serial(session.folder().configPath()), m_dialView(window.book(), session.settings()),
      m_dial({m_dialView, session.services().prompter, session.services().clock, session.settings(),
              session.commandLine().tapiEnabled, m_dialer, m_serial}),
      m_console(new TapiConsoleWidget),
      m_printTarget(DefaultPrinterTarget::forBook(session.folder())),
      m_exchange(
          session, &window,
          [this](const QString& page) {
              m_program.help().openFile(page, m_session.services().launcher,
                                        m_session.services().prompter);
          },
          [] {
              // The export window puts the store's position back itself; the page view was
              // never changed, so its edits stay as they are.
          }) {
    // The telephony area goes into the panel before the panel goes into the book, so the book
    // sees the keys of every control in it first.
    m_console->attach(&m_dial, &m_session.settings());
    program.optionsPanel().setTapiArea(m_console);
    connectMainWindow(window, program);
    connectOptionsPanel();
    connectDialing();
    connectSearchAndPrinting();
    connectExchange();
}

void OpenBook::connectExchange() {
    OptionsPanel& panel = m_program.optionsPanel();
    QObject::connect(&panel, &OptionsPanel::importRequested, &m_exchange, [this] {
        m_exchange.openImport();
        // After an import the book shows page 1 of tab 1.
        if (ImportWindow* window = m_exchange.importWindow())
            QObject::connect(window, &ImportWindow::closed, &m_window,
                             [this] { m_window.checkActivation(); });
    });
    QObject::connect(&panel, &OptionsPanel::exportRequested, &m_exchange,
                     &ExchangeWindows::openExport);
    QObject::connect(&panel, &OptionsPanel::syncRequested, &m_window, [this] { openSyncWindow(); });
    QObject::connect(&panel, &OptionsPanel::trashRequested, &m_window,
                     [this] { openTrashWindow(); });
    QObject::connect(&panel, &OptionsPanel::duplicatesRequested, &m_window,
                     [this] { openDuplicatesWindow(); });
    // The book closing (its page saved or left as the user chose): after the window is gone.
    QObject::connect(
        &m_window, &OrVel::closeRequested, &m_window, [this] { syncIfChosen(); },
        Qt::QueuedConnection);
}

namespace {

// Calls back when the watched object gets an event of one type; the event goes on as usual.
class EventWatcher final : public QObject {
public:
    EventWatcher(QObject* parent, QEvent::Type type, std::function<void()> onEvent)
        : QObject(parent), m_type(type), m_onEvent(std::move(onEvent)) {}
    void setCallback(std::function<void()> onEvent) { m_onEvent = std::move(onEvent); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            m_onEvent();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_onEvent;
};

} // namespace

void OpenBook::syncWhenOpen() {
    if (m_syncOnShow)
        return;
    m_syncOnShow = true;
    // Once the book shows (after its master password, if it has one), and after it is drawn.
    auto* watcher = new EventWatcher(&m_window, QEvent::Show, [] {});
    m_window.installEventFilter(watcher);
    watcher->setCallback([this, watcher] {
        watcher->deleteLater();
        m_window.removeEventFilter(watcher);
        QTimer::singleShot(0, &m_window, [this] {
            m_syncOnShow = false;
            syncIfChosen();
        });
    });
}

void OpenBook::syncIfChosen() {
    SyncAccount account;
    QString error;
    if (!SyncAccount::load(m_session.folder(), account, error) || !account.isSet() ||
        !account.syncOnOpenClose || (m_sync && m_sync->busy()))
        return;
    if (!m_keyring)
        m_keyring = std::make_unique<KeyringPasswordStore>();
    SyncRequest request;
    request.account = account;
    // A server without logins needs no password; one typed into the sync window in this run
    // serves when no keyring keeps it.
    bool havePassword = account.user.isEmpty() ||
                        findSyncPassword(m_keyring.get(), passwordKey(account.user, account.url),
                                         {}, request.password, error);
    if (!havePassword && m_sync && !m_sync->password().isEmpty()) {
        request.password = m_sync->password();
        havePassword = true;
    }
    if (!havePassword)
        error = QStringLiteral("The sync when the book opens and closes needs the password of "
                               "%1 at %2, and no desktop keyring keeps it. Open Sync... on the "
                               "options panel, give the password there and choose Sync now; "
                               "without a keyring it is asked for once in each run.")
                    .arg(account.user, account.url);
    if (havePassword) {
        m_window.setStatusText(QStringLiteral("Syncing..."));
        m_window.setEnabled(false);
        const SyncOutcome outcome =
            runSync(m_session.folder(), m_session.services().clock, request);
        m_window.setEnabled(true);
        if (outcome.ok) {
            outcome.account.save(m_session.folder());
            m_window.setStatusText(syncStatus(outcome.report));
            const PageStore& store = m_session.store();
            if (outcome.report.changed() && m_window.isVisible())
                m_window.showPage(store.currentTab(), store.currentPage());
            return;
        }
        error = outcome.error;
    }
    m_window.setStatusText(QString());
    m_session.services().prompter.ask(
        {QStringLiteral("ORVELAN Sync"), error, PromptIcon::Exclamation, PromptButtons::Ok});
}

void OpenBook::openSyncWindow() {
    if (!m_sync) {
        m_keyring = std::make_unique<KeyringPasswordStore>();
        m_sync = std::make_unique<SyncWindow>(m_session.folder(), m_session.services().clock,
                                              m_keyring.get());
        // The book takes no edits while the sync writes it (the network keeps events flowing).
        QObject::connect(m_sync.get(), &SyncWindow::syncStarted, &m_window,
                         [this] { m_window.setEnabled(false); });
        // The page on view may have changed on the server: show it as it is now.
        QObject::connect(m_sync.get(), &SyncWindow::synced, &m_window, [this] {
            m_window.setEnabled(true);
            const PageStore& store = m_session.store();
            m_window.showPage(store.currentTab(), store.currentPage());
        });
        // Over the book, where the user is looking.
        m_sync->move(m_window.frameGeometry().center() - m_sync->rect().center());
        // The book waits, disabled, while a sync runs: a click on it brings the sync window,
        // which shows the progress, back to the front instead of burying it.
        m_window.installEventFilter(new EventWatcher(m_sync.get(), QEvent::WindowActivate, [this] {
            if (m_sync->busy()) {
                m_sync->raise();
                m_sync->activateWindow();
            }
        }));
    }
    m_sync->open();
}

void OpenBook::openTrashWindow() {
    if (!m_trash) {
        m_trash = std::make_unique<TrashWindow>(m_session.folder(), m_session.services().clock);
        // A page put back may be the blank page on view: show it as it is now.
        QObject::connect(m_trash.get(), &TrashWindow::restored, &m_window, [this] {
            const PageStore& store = m_session.store();
            m_window.showPage(store.currentTab(), store.currentPage());
        });
        m_trash->move(m_window.frameGeometry().center() - m_trash->rect().center());
    }
    m_trash->open();
}

void OpenBook::openDuplicatesWindow() {
    if (!m_duplicates) {
        m_duplicates =
            std::make_unique<DuplicatesWindow>(m_session.folder(), m_session.services().clock);
        // The page on view may have been merged away or into: show it as it is now.
        QObject::connect(m_duplicates.get(), &DuplicatesWindow::merged, &m_window, [this] {
            const PageStore& store = m_session.store();
            m_window.showPage(store.currentTab(), store.currentPage());
        });
        m_duplicates->move(m_window.frameGeometry().center() - m_duplicates->rect().center());
    }
    m_duplicates->open();
}

OpenBook::~OpenBook() = default;

namespace {

void bringToFront(QWidget& window) {
    window.showNormal();
    window.raise();
    window.activateWindow();
}

} // namespace

void OpenBook::connectSearchAndPrinting() {
    // Showing a result offers to save edits made since the search window opened.
    m_navigator.onShowPage = [this](int tab, qint64 page) {
        m_window.showPage(tab, page);
        bringToFront(m_window);
    };
    m_navigator.onBringBookToFront = [this] { bringToFront(m_window); };
    m_navigator.frame = [this] { return m_window.frameGeometry(); };
    m_navigator.onSearchWindowActivated = [this] { m_window.setFindActive(true); };
    m_navigator.onOpenHelpPage = [this](const QString& page) {
        m_program.help().openFile(page, m_session.services().launcher,
                                  m_session.services().prompter);
    };
    QObject::connect(&m_window, &OrVel::findRequested, &m_window, [this] { openFindWindow(); });
    QObject::connect(&m_window, &OrVel::printRequested, &m_window, [this] { printPage(); });
    // The search window hides while the book is closed and goes with the end of the program.
    QObject::connect(&m_program.closedBook(), &ClosedBookWindow::activated, &m_window, [this] {
        if (m_find)
            m_find->hide();
    });
    QObject::connect(&m_program.run(), &BookRun::searchWindowUnloadRequested, &m_window,
                     [this] { m_find.reset(); });
}

void OpenBook::openFindWindow() {
    if (!m_find) {
        m_find = std::make_unique<FindWindow>(m_session, m_navigator, m_printTarget);
        m_find->installEventFilter(
            // FindLa turns grey again when the search window is hidden.
            new EventWatcher(m_find.get(), QEvent::Hide,
                             [this] { m_window.setFindActive(false); }));
    }
    m_find->open();
}

void OpenBook::printPage() {
    auto* label = m_window.findChild<LabelButton*>(QStringLiteral("PrintLa"));
    if (!label)
        return;
    LabelBusyMark mark(*label);
    PagePrintAction action(m_printTarget, mark, m_session.services().prompter,
                           m_session.services().clock);
    action.setBusyPointer([](bool on) {
        if (on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });
    action.run(m_window.pageTexts());
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
    DesktopLauncher& launcher = m_session.services().launcher;
    QObject::connect(&m_window, &OrVel::helpIndexRequested, &m_window, [this, &launcher] {
        m_program.help().open(HelpPages::Index, launcher, m_session.services().prompter);
    });
    QObject::connect(&m_window, &OrVel::makerHomeRequested, &m_window,
                     [&launcher] { launcher.openUrl(MakerLinks::homePage()); });
    QObject::connect(&m_window, &OrVel::versionPageRequested, &m_window, [&launcher] {
        launcher.openUrl(MakerLinks::versionPage(ORVELAN_VERSION_PATCH));
    });
    QObject::connect(&m_window, &OrVel::minimiseRequested, &m_window, [this] {
        if (!m_program.mainWindowMayMinimise())
            return;
        m_window.showMinimized();
        if (m_find)
            m_find->showMinimized();
    });
    QObject::connect(&panel, &OptionsPanel::dialLayoutApplied, m_console,
                     &TapiConsoleWidget::setConsoleAvailable);
    m_console->setConsoleAvailable(m_session.settings().dialMethod() == 1);
    // Closing the book closes the panel as its Ok does, so the next opening starts clean.
    QObject::connect(&m_window, &OrVel::closeRequested, &m_window, [this] {
        if (m_window.book().view().optionsVisible)
            m_window.closeOptionsPanel();
    });
}

void OpenBook::connectDialing() {
    m_window.setDialFieldHandler([this](int field) { m_dial.selectField(field); });
    QObject::connect(&m_window, &OrVel::dialRequested, &m_dial, [this] { m_dial.dial(); });
    // Ctrl+H and F12 hang up whether or not the hang-up picture shows: a modem dial waits
    // for its answer without one.
    QObject::connect(&m_window, &OrVel::hangUpRequested, &m_dial, [this] { m_dial.hangUp(); });
    // A dial still waiting for the modem ends with the book and with the program.
    QObject::connect(&m_window, &OrVel::closeRequested, &m_dial,
                     [this] { m_dial.cancelRunningDial(); });
    QObject::connect(&m_program.run(), &BookRun::endRequested, &m_dial,
                     [this] { m_dial.cancelRunningDial(); });
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
