#include "app/StartUp.h"
#include "app/qt/EndSignals.h"
#include "app/qt/OpenBook.h"
#include "app/qt/Program.h"
#include "app/qt/ProgramIdentity.h"
#include "app/qt/RunningCopy.h"
#include "book/qt/MainWindow.h"
#include "platform/qt/QtDesktopLauncher.h"
#include "platform/qt/QtPrompter.h"
#include "security/qt/PasswordWindow.h"
#include "sync/net/KeyringPasswordStore.h"
#include "ui/WidgetBookWindow.h"

#include <QApplication>

#include <csignal>
#include <sys/stat.h>

using namespace orvelan;

int main(int argc, char* argv[]) {
    // A file size limit makes a write fail like a full disk, with a message, instead of ending
    // the program part way through a record; files and folders it creates are private.
    std::signal(SIGXFSZ, SIG_IGN);
    ::umask(077);
    {
        // --help and --version answer without a display, a window or a book folder.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        QTextStream out(stdout);
        if (const std::optional<int> status = answerInformationOptions(arguments, out))
            return *status;
    }
    QApplication app(argc, argv);
    applyProgramIdentity();
    QApplication::setQuitOnLastWindowClosed(false);
    // Ended by a signal (a logout, kill), the program leaves through its event loop like a quit,
    // so the lock and the socket below are let go.
    EndSignals endSignals;
    int endedBy = 0; // a signal that came while a start-up message was open ends after it
    QObject::connect(&endSignals, &EndSignals::received, &app, [&endedBy](int signal) {
        endedBy = 128 + signal;
        QCoreApplication::exit(endedBy);
    });

    QtPrompter prompter;
    SystemClock clock;
    QtDesktopLauncher launcher;
    const BookFolder folder(BookFolder::defaultRoot());
    StartUp startUp(folder, {prompter, clock, launcher}, QCoreApplication::arguments());
    if (!startUp.begin()) {
        // After the message: the running copy comes to the front.
        if (startUp.otherWindowRuns())
            RunningCopy::askToRaise(folder.root());
        return 0;
    }
    if (endedBy)
        return endedBy;
    RunningCopy runningCopy(folder.root());
    runningCopy.listen();
    QObject::connect(&runningCopy, &RunningCopy::raiseRequested, &app, raiseProgramWindows);
    Session& session = startUp.session();
    const HelpPages help = HelpPages::forProgram(QCoreApplication::applicationDirPath());

    OrVel mainWindow(session);
    Program* program = nullptr;
    OpenBook* openBook = nullptr;
    WidgetBookWindow<OrVel> book(mainWindow, [&program, &openBook] {
        program->mainWindowLoaded();
        openBook->firstLoad();
        openBook->syncWhenOpen();
    });
    KeyringPasswordStore keyring;
    PasswordWindowPrompt password(session, help, keyring);
    Program run(session, help, book, password);
    program = &run;
    OpenBook open(session, run, mainWindow);
    openBook = &open;
    QObject::connect(
        &run.run(), &BookRun::endRequested, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);

    run.start();
    return QApplication::exec();
}
