// orvelan-book: inspect and change an address book without a window.
#include "cli/ToolCommandLine.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvelan-book"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvelan::cli::runTool(QCoreApplication::arguments().mid(1), out, err,
                                 isatty(STDERR_FILENO) == 1);
}
