#pragma once

#include "cli/CliCommand.h"

namespace orvelan::cli {

// The master password for this command: the first line of --password-file, else asked on the
// terminal. Throws a CliError that says how to give one when there is neither.
QString masterPassword(CliContext& context, const QString& prompt);

// Unlocks an encrypted book before a command reads or writes its pages: with the password
// file, else the key remembered in the keyring, else the terminal. A wrong password ends the
// command with status 1 before anything is written. A plain book passes through.
void unlockForCommand(CliContext& context);

// Asks on the terminal (standard input) without echo; empty when it is not a terminal.
std::optional<QString> askOnTerminal(const QString& prompt);

} // namespace orvelan::cli
