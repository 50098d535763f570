// orvelan-book: inspect and change an address book without a window.
#include "cli/BookPassword.h"
#include "cli/CliCommand.h"
#include "cli/DesktopModule.h"
#include "cli/ToolCommandLine.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Printouts are rendered with Qt Gui, from the desktop module; every other command needs Qt Core
// alone and starts without any display. Without the module, print fails with the module's
// message when it asks for its PDF.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[],
                                                  orvelan::cli::DesktopServices& desktop) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "print") == 0) {
            try {
                return desktop.printingApplication(argc, argv);
            } catch (const orvelan::cli::CliError&) {
                break;
            }
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    // A file size limit makes a write fail like a full disk, with a message, instead of ending
    // the tool part way through a record.
    std::signal(SIGXFSZ, SIG_IGN);
    // Files and folders this tool creates (exports, printouts, the book) are private.
    ::umask(077);
    orvelan::cli::DesktopModule desktop(QStringLiteral("/proc/self/exe"));
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv, desktop);
    QCoreApplication::setApplicationName(QStringLiteral("orvelan-book"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvelan::cli::runTool(QCoreApplication::arguments().mid(1), out, err, desktop,
                                 isatty(STDERR_FILENO) == 1, orvelan::cli::askOnTerminal);
}
