#pragma once

#include "cli/CliCommand.h"

namespace orvelan::cli {

// What can go wrong in a command, each with one exit status, whatever the command:
//   0 done, 1 failed (or found nothing), 2 a wrong command line or a book folder that does not
//   exist, 3 the book is busy (the window or another command has it), 4 a file of the book is
//   missing, damaged or not a file (the command read what it could), 5 the system refused to
//   read or write a file (the disk is full, no permission, a device error), 6 an encrypted
//   book's password is wrong or was not given.
enum class Fault { Failed, Usage, BookBusy, BookDamaged, FileSystem, Password };

int exitStatus(Fault fault);
CliError toolError(Fault fault, const QString& message);

enum class FileAccess { Read, Write };
// The one message and exit status of a file the command could not read or write:
// "Cannot read PATH: A folder or a link stands where the file should be." and the like.
CliError fileFault(FileAccess access, const QString& path, int runtimeError);
// The fault a runtime error number stands for.
Fault faultOf(int runtimeError);

// The files every command reads before it starts: each tab file (once the book has its data
// folder) and the settings file, when it exists, must be regular files this user can read. A
// missing tab file is a fault only when `missingTabs` (commands that change the book complete a
// book whose first run was cut short, as the window does when it starts).
void checkBookFiles(const BookFolder& folder, bool missingTabs);

} // namespace orvelan::cli
