// orvelan-book: inspect and change an address book without a window.
#include "cli/CliCommand.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

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

} // namespace

int main(int argc, char* argv[]) {
    // A file size limit makes a write fail like a full disk, with a message, instead of ending
    // the tool part way through a record.
    std::signal(SIGXFSZ, SIG_IGN);
    // Files and folders this tool creates (exports, printouts, the book) are private.
    ::umask(077);
    QCoreApplication app(argc, argv);
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
            // Commands that change the book take its lock, which also completes a new book.
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
