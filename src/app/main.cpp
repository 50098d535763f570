#include "app/Program.h"
#include "app/StandInBook.h"
#include "app/StartUp.h"
#include "app/WidgetBookWindow.h"
#include "platform/qt/QtDesktopLauncher.h"
#include "platform/qt/QtPrompter.h"
#include "security/PasswordWindow.h"

#include <QApplication>

using namespace orvelan;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvelan"));
    QApplication::setApplicationDisplayName(QStringLiteral("ORVELAN Secure Address Book"));
    QApplication::setQuitOnLastWindowClosed(false);

    QtPrompter prompter;
    SystemClock clock;
    QtDesktopLauncher launcher;
    StartUp startUp(BookFolder(BookFolder::defaultRoot()), {prompter, clock, launcher},
                    QCoreApplication::arguments());
    if (!startUp.begin())
        return 0;
    Session& session = startUp.session();
    const HelpPages help = HelpPages::forProgram(QCoreApplication::applicationDirPath());

    using MainWindow = StandInBook;
    MainWindow mainWindow(session);
    Program* program = nullptr;
    WidgetBookWindow<MainWindow> book(mainWindow, [&program] { program->mainWindowLoaded(); });
    PasswordWindowPrompt password(session, help);
    Program run(session, help, book, password);
    program = &run;
    connectMainWindow(mainWindow, run);
    QObject::connect(&mainWindow, &MainWindow::helpRequested, &mainWindow,
                     [&run] { run.mainWindowHelp(); });
    QObject::connect(&mainWindow, &MainWindow::escapePressed, &mainWindow, [&run] {
        if (run.optionsPanel().isOpen())
            run.optionsPanel().closeAndStore();
    });
    QObject::connect(&mainWindow, &MainWindow::minimiseRequested, &mainWindow, [&run, &mainWindow] {
        if (run.mainWindowMayMinimise())
            mainWindow.showMinimized();
    });
    QObject::connect(
        &run.run(), &BookRun::endRequested, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);

    run.start();
    return QApplication::exec();
}
