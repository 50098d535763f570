// orvelan-book: inspect and change an address book without a window.
#include "cli/CliCommand.h"
#include "store/BookMaintenance.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace orvelan;
using namespace orvelan::cli;

namespace {

void printUsage(QTextStream& stream) {
    stream << "usage: orvelan-book [--home DIR] [--json] COMMAND [ARGUMENTS]\n\n"
              "The book folder is --home DIR, else $ORVELAN_HOME, else ~/.local/share/orvelan.\n"
              "Tabs are 0 to 25 or a letter A to Z (I and J are both tab 9).\n\nCommands:\n";
    for (const CliCommand& command : commandTable()) {
        stream << QStringLiteral("  %1 %2\n      %3\n")
                      .arg(QLatin1StringView(command.name), QLatin1StringView(command.usage),
                           QLatin1StringView(command.summary));
    }
}

// Printouts are rendered with Qt Gui on the offscreen platform; every other command needs Qt Core
// alone and starts without any display.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "print") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    QString home;
    bool json = false;
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--json")) {
            json = true;
        } else if (option == QStringLiteral("--home") && !args.isEmpty()) {
            home = args.takeFirst();
        } else if (option == QStringLiteral("--help")) {
            printUsage(out);
            return 0;
        } else {
            err << "orvelan-book: unknown option " << option << "\n";
            return 2;
        }
    }
    // --json may also follow the command.
    if (args.removeAll(QStringLiteral("--json")) > 0)
        json = true;
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& command : commandTable()) {
        if (name != QLatin1StringView(command.name))
            continue;
        CliContext context{BookFolder(home.isEmpty() ? BookFolder::defaultRoot() : home), json, out,
                           err};
        try {
            // A new book folder starts as an empty book: one blank page per tab.
            MaintenanceReport created;
            if (command.changesBook && createBookIfMissing(context.folder, created) &&
                !created.ok())
                throw CliError{created.failures.join(u' ')};
            return command.run(context, args);
        } catch (const CliError& error) {
            out.flush();
            err << "orvelan-book: " << error.message << "\n";
            return error.status;
        }
    }
    err << "orvelan-book: unknown command " << name << " (see --help)\n";
    return 2;
}
