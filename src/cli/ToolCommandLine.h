#pragma once

#include "cli/CliCommand.h"

#include <QStringList>
#include <QTextStream>

namespace orvelan::cli {

// The whole run of orvelan-book after the program's name: the global options (--home DIR or
// --home=DIR, --json, --help, --version), 'help [COMMAND]', then one command of the table.
// Returns the exit status: 0 done, 1 the command failed, 2 the command line was wrong.
// `progress` lets long commands draw a progress line on `err` (set when it is a terminal);
// `askPassword` asks for an encrypted book's master password (on the terminal).
// `desktop` prints, syncs and reads the keyring for the commands that do.
int runTool(const QStringList& arguments, QTextStream& out, QTextStream& err,
            DesktopServices& desktop, bool progress = false, const PasswordAsker& askPassword = {});

// "orvelan-book 1.0.0"
QString toolVersionText();

} // namespace orvelan::cli
