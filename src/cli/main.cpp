// orvelan-book: inspect and change an address book without a window.
#include "cli/ToolCommandLine.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // A file size limit makes a write fail like a full disk, with a message, instead of ending
    // the tool part way through a record.
    std::signal(SIGXFSZ, SIG_IGN);
    // Files and folders this tool creates (exports, printouts, the book) are private.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvelan-book"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvelan::cli::runTool(QCoreApplication::arguments().mid(1), out, err,
                                 isatty(STDERR_FILENO) == 1);
}
