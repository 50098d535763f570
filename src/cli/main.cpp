// orvelan-book: inspect and change an address book without a window.
#include "cli/BookPassword.h"
#include "cli/ToolCommandLine.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    // A file size limit makes a write fail like a full disk, with a message, instead of ending
    // the tool part way through a record.
    std::signal(SIGXFSZ, SIG_IGN);
    // Files and folders this tool creates (exports, printouts, the book) are private.
    ::umask(077);
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvelan-book"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvelan::cli::runTool(QCoreApplication::arguments().mid(1), out, err,
                                 isatty(STDERR_FILENO) == 1, orvelan::cli::askOnTerminal);
}
