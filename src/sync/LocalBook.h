#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"
#include "store/PageIdentity.h"
#include "store/PageTexts.h"
#include "sync/SyncPlan.h"

#include <QList>
#include <QSet>
#include <QString>

namespace orvelan {

// The hash that tells whether a page's texts changed since the last sync.
QByteArray pageHash(const PageTexts& texts);

// The book as the sync reads and writes it: every named page with its identity, and the
// page writes a sync makes. Each write replaces one record; the page keeps its identity.
class LocalBook {
public:
    LocalBook(BookFolder folder, const Clock& clock)
        : m_folder(std::move(folder)), m_clock(clock) {}

    // Every named page of the 26 tabs.
    bool snapshot(QList<LocalPage>& pages, QString& error) const;
    bool readPage(int tab, qint64 page, PageTexts& texts, PageId& id, QString& error) const;
    // The page's record as it is stored, for the trash.
    bool readStored(int tab, qint64 page, QByteArray& stored, QString& error) const;

    struct Placed {
        int tab = 0;
        qint64 page = 0;
        QByteArray hash; // of the texts as they were stored (cut to the field widths)
    };
    // Rewrites the page at (tab, page). When its name now belongs under another tab, the page
    // moves there (the old record is blanked), keeping its identity.
    bool writePage(int tab, qint64 page, const PageTexts& texts, PageId id, Placed& placed,
                   QString& error);
    // Files a new page under the tab of its name: the first blank page there, else at the end.
    bool addPage(const PageTexts& texts, PageId id, Placed& placed, QString& error);
    // Blanks the page, as Delete does.
    bool blankPage(int tab, qint64 page, QString& error);
    // Gives the page an identity, changing nothing else.
    bool setId(int tab, qint64 page, PageId id, QString& error);

    const BookFolder& folder() const { return m_folder; }
    const Clock& clock() const { return m_clock; }

    // Makes the pages written since the last call durable (fsync), so that a sync state saved
    // after it never records a page the book could lose to a crash of the machine.
    bool flush(QString& error);

private:
    QByteArray storedPage(qint64 pageNo, const PageTexts& texts, PageId id) const;
    bool write(int tab, qint64 page, const QByteArray& record, QString& error);

    BookFolder m_folder;
    const Clock& m_clock;
    QSet<int> m_unflushed; // tabs written since the last flush
};

} // namespace orvelan
