#pragma once

#include "sync/SyncState.h"

#include <QHash>
#include <QList>
#include <QString>

namespace orvelan {

// A named page of the book as the sync sees it.
struct LocalPage {
    PageId id; // null for a page never synchronised
    int tab = 0;
    qint64 page = 0;
    QByteArray hash; // PageHash of its texts
};

// What one sync does for one page or card. The rules: a change on one side goes to the other;
// a change on both keeps the page and files the server's version as a conflict copy; a deletion
// on one side deletes on the other unless the other side changed, when the change wins.
enum class SyncAction {
    Send,        // a page the server does not have: create its card
    Update,      // changed here only: write the page over the card
    Receive,     // a card this book does not have: file it as a new page
    Refresh,     // changed on the server only: rewrite the page from the card
    Conflict,    // changed on both sides
    DeleteHere,  // deleted on the server, unchanged here: blank the page
    DeleteThere, // deleted here, unchanged on the server: delete the card
    Restore,     // deleted here but changed on the server: the card comes back as a page
    Recreate,    // deleted on the server but changed here: the page goes back as a card
    Forget,      // deleted on both sides
    Match,       // a page and a card that belong together but have no state (a sync that
                 // stopped between the two writes): compare them
    Link,        // a new page and a new card that hold the same contact: they become one
};

struct SyncStep {
    SyncAction action = SyncAction::Send;
    int local = -1;  // index into the local pages, or -1
    QString href;    // the card, when there is one
    QByteArray etag; // the card's ETag on the server now
    PageId id;       // the identity the step concerns (null: Send gives the page a new one)
};

// A card on the server now: href -> ETag.
using RemoteCards = QHash<QString, QByteArray>;

// The card path a page's new card gets in the address book at `bookPath`.
QString cardHrefFor(const QString& bookPath, PageId id);

// Decides the steps of a sync from the book, the server's cards and the state of the last sync.
// Pure: it reads nothing and writes nothing. Pages sharing an identity (a copied record) keep
// it once, at the place the state remembers, else the first; the others are sent as new pages.
QList<SyncStep> planSync(const QList<LocalPage>& local, const RemoteCards& remote,
                         const SyncState& state, const QString& bookPath);

} // namespace orvelan
