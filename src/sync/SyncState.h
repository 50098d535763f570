#pragma once

#include "store/RecordSealer.h"

#include "store/PageIdentity.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace orvelan {

// What the last sync left behind for one page and its card: where the card lives on the
// server, the card's ETag then, and the hash of the page's texts then. A change on either side
// shows against these.
struct CardState {
    PageId id;
    QString href;    // the card's path on the server, percent-decoded
    QByteArray etag; // as the server gave it
    QByteArray hash; // PageHash of the page's texts after the last sync
    int tab = -1;    // where the page stood then: the first choice among pages that share
    qint64 page = 0; // an identity (a copied record)
};

// The sync state of a book: one CardState per synchronised page, the address book it belongs
// to and the server's sync token. Kept in the book folder's sync/state.json and replaced as a
// whole on every save, so a crash leaves the old state or the new one.
class SyncState {
public:
    QString addressBookUrl;
    QString syncToken;

    const QHash<PageId, CardState>& cards() const { return m_cards; }
    const CardState* find(PageId id) const;
    const CardState* findByHref(const QString& href) const;
    void put(const CardState& card);
    void remove(PageId id);
    void clear();
    // Forgets the pages the last sync saw in `tab` after its first `keptPages`: pages the book
    // lost to damage, which the next sync brings back from the server instead of deleting their
    // cards. Returns how many it forgot.
    int forgetPagesAfter(int tab, qint64 keptPages);

    // Empty state for a missing file; false with `error` set for a damaged one.
    // In an encrypted book (`sealing`) the file is sealed whole; without one it is plain.
    static bool load(const QString& path, SyncState& state, QString& error,
                     const BookSealing* sealing = nullptr);
    // 0 when written; else a runtime error number.
    int save(const QString& path, const BookSealing* sealing = nullptr) const;
    static constexpr char SealLabel[] = "orvelan-sync-state-v1";

private:
    QHash<PageId, CardState> m_cards;
    QHash<QString, PageId> m_byHref;
};

} // namespace orvelan
