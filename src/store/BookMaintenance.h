#pragma once

#include "store/BookFolder.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace orvelan {

// What a whole-book operation did: pages dropped and the file operations that failed.
struct MaintenanceReport {
    qint64 pagesRemoved = 0;
    QStringList failures; // one clear sentence per failed file operation
    bool ok() const { return failures.isEmpty(); }
};

// Shows a status text and waits the given seconds while the windows stay responsive.
using StatusReporter = std::function<void(const QString& status, double pauseSeconds)>;

// Rewrites each of the 26 tab files as one blank page. Each file is replaced as a whole.
MaintenanceReport resetData(const BookFolder& folder);

// A book folder without DataBook/ gets one with one blank page per tab. Returns true when it
// created the book.
bool createBookIfMissing(const BookFolder& folder, MaintenanceReport& report);

// Completes a book whose first run was cut short: each missing tab file is created with one
// blank page; files that exist are never touched. Returns the number of files created. A book
// that has been synced (it has a sync state) is never completed: a missing tab file there is
// damage for the user to mend ('check' names it), not a first run.
int completeBook(const BookFolder& folder, MaintenanceReport& report);

// Removes the blank pages of the letter tabs 1..25 after copying them to Reserve/. Each backup
// replaces the older copy only once it is written whole; a tab whose backup fails is left as it
// is. Each tab file is replaced by its compacted form with one rename and keeps its mode, so no
// tab file is ever missing; a tab whose compaction fails keeps all its pages. Tab files are read
// in chunks: memory does not grow with the book. Status texts go to `status` up to "Removing
// Temporary Files"; the caller shows "Done" and returns to page 1 of tab 1.
MaintenanceReport removeBlankPages(const BookFolder& folder, const StatusReporter& status);

// The records a compacted tab keeps, in order: named pages, or the last page of an all-blank tab.
QByteArray compactedRecords(QByteArrayView tabFileContents, qint64* removed = nullptr);

} // namespace orvelan
