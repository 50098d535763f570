#include "app/Session.h"
#include "book/MainWindow.h"
#include "platform/qt/QtDesktopLauncher.h"
#include "platform/qt/QtPrompter.h"
#include "store/BookMaintenance.h"

#include <QApplication>

using namespace orvelan;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVELAN Secure Address Book"));

    BookFolder folder(BookFolder::defaultRoot());
    MaintenanceReport report;
    createBookIfMissing(folder, report);

    QtPrompter prompter;
    SystemClock clock;
    QtDesktopLauncher launcher;
    Session session(folder, Services{prompter, clock, launcher},
                    CommandLine::parse(QApplication::arguments().join(u' ')));
    session.loadSettings();

    OrVel book(session);
    QObject::connect(&book, &OrVel::closeRequested, &app, &QApplication::quit);
    book.showFirstPage();
    book.show();
    return app.exec();
}
