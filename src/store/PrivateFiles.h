#pragma once

#include "store/BookFolder.h"

#include <QString>

namespace orvelan {

// The book is private to its user: folders this program creates are 0700, files 0600. A file
// that is rewritten keeps the mode it had.
inline constexpr unsigned PrivateFileMode = 0600;
inline constexpr unsigned PrivateFolderMode = 0700;

// Creates the folder and any missing parents, each new one 0700. True when the folder exists.
bool makePrivateFolder(const QString& path);

// Every temporary file of an unfinished write is named after its target followed by this and
// six random characters ("Orvel01.raf.orvelan-tmp-k3F9aQ"), so a crash leaves files that are
// recognised and removed at the next start.
inline constexpr char TemporaryInfix[] = ".orvelan-tmp-";
bool isTemporaryFileName(const QString& fileName);

// Removes the temporaries that interrupted writes left in the book folder, DataBook/, Reserve/
// Prints/ and sync/, and completes or undoes an interrupted conversion (ConversionJournal.h). Call
// it only while holding the book's lock. Returns how many were removed.
int removeLeftoverTemporaries(const BookFolder& folder);

} // namespace orvelan
