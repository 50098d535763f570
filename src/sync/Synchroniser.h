#pragma once

#include "sync/CardMapping.h"
#include "sync/DavClient.h"
#include "sync/LocalBook.h"
#include "sync/SyncPlan.h"
#include "sync/SyncState.h"

#include <QStringList>
#include <QUrl>

#include <functional>

namespace orvelan {

// What a sync did (or, in a dry run, would do).
struct SyncReport {
    int sent = 0;         // cards created or updated on the server
    int received = 0;     // pages filed or updated here
    int deletedHere = 0;  // pages blanked because their cards were deleted
    int deletedThere = 0; // cards deleted because their pages were
    int conflicts = 0;    // pages changed on both sides: the server's version filed as a copy
    QStringList conflictNames;
    // Pages filed or updated here with values cut to fit their fields: "Name (Notes, Email)".
    // The server keeps the whole values; a cut value is never sent back.
    QStringList cut;
    QStringList changes; // one line per change, "here: ..." or "server: ..."
    int requests = 0;    // HTTP requests made
    // Deletions the delete limit held back (the sync stopped before changing anything), or
    // that a dry run found over the limit.
    int heldDeletionsHere = 0;  // of `pagesHere` named pages
    int heldDeletionsThere = 0; // of `cardsThere` cards
    int pagesHere = 0;
    int cardsThere = 0;
    bool deletionsHeld() const { return heldDeletionsHere || heldDeletionsThere; }
    bool changed() const { return sent || received || deletedHere || deletedThere || conflicts; }
};

// "Sent 2, received 1, deleted here 0, deleted on the server 0, conflicts 1." and, for each
// conflict, a line naming the page whose server version was filed as a conflict copy; then a
// line naming the pages that hold values cut to fit their fields.
QString syncSummary(const SyncReport& report);

// A status line short enough for the book's status label: "Synced: 2 in, 1 out", or the number
// of conflict copies filed.
QString syncStatus(const SyncReport& report);

// The delete limit: a sync that would delete more than this many cards (or pages) and more
// than a quarter of those on that side stops before changing anything, unless allowed.
inline constexpr int DeleteLimit = 10;
bool overDeleteLimit(int deletions, int total);
// "The sync would delete 12 of the 20 cards on the server ..." for the deletions held back.
QString heldDeletionsText(const SyncReport& report);

// done / total steps, for a progress bar.
using SyncProgress = std::function<void(int done, int total)>;

// One two-way sync of the book with an address book on the server. The state file is saved as
// the work goes on, so a sync that stops (the server goes away, the connection drops) loses
// nothing and the next one completes the work.
class Synchroniser {
public:
    Synchroniser(DavClient& client, LocalBook& book, const CardMapping& mapping, QString statePath)
        : m_client(client), m_book(book), m_mapping(mapping), m_statePath(std::move(statePath)) {}

    bool run(const QUrl& addressBook, bool dryRun, SyncReport& report, QString& error,
             const SyncProgress& progress = {});
    // Lets a sync delete more than the delete limit allows.
    void allowDeletions(bool allow) { m_allowDeletions = allow; }

private:
    class Run;
    DavClient& m_client;
    LocalBook& m_book;
    const CardMapping& m_mapping;
    QString m_statePath;
    bool m_allowDeletions = false;
};

// The name a conflict copy gets: the page's name with " (conflict)" after it, cut so the mark
// always fits the name field.
QString conflictCopyName(const QString& name);

} // namespace orvelan
