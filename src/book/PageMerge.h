#pragma once

#include "platform/Clock.h"
#include "search/BookSearch.h"
#include "search/NameKey.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "store/Trash.h"
#include "telephony/PhoneNumbers.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvelan {

// The texts of pages merged into one: the first page's texts, with every distinct value of the
// others. An empty field is filled; a second number goes to Phone 2 when that is free; a value
// with no free field, or one its field cannot hold whole, goes to Notes as "Label: value" (an
// address as one line, "Address: 1 High St, Leeds"), and the others' notes follow. A value is
// not repeated: numbers are compared as libphonenumber reads them, other texts whatever their
// letter case and spacing, and a value the notes already hold is not added again.
struct MergedTexts {
    PageTexts texts;
    QStringList noted; // the "Label: value" lines added to Notes
    // Why the pages cannot be merged without losing something (the notes would overflow);
    // empty when they can.
    QString problem;
};
MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones);
// The same with name keys kept from merge to merge (ICU's transliterator is built once).
MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones, NameKeys& names);

// Whether merging `other` into `page` would leave `page` as it is (mergeTexts), found without
// comparing the numbers when another value is new.
bool addsNothing(const PageTexts& page, const PageTexts& other, const PhoneNumbers& phones,
                 NameKeys& names);

// Where a merge left the book.
struct MergeOutcome {
    PagePosition kept;
    QList<PagePosition> trashed; // the pages merged away, now blank
    QStringList noted;
    QList<int> trashEntries; // the trash entries: the kept page as it was, then each merged page
};

// Merges the pages at `pages` (two or more, named, each once) into page `into` (an index into
// `pages`), which keeps its place and its sync identity, so a synced book sends it as an updated
// card. The kept page as it was and every page merged away go to the trash first (restorable);
// the pages merged away are then blanked, so a sync deletes their cards. Nothing changes unless
// the trash was written; the caller holds the book's lock. False with `error` when refused.
bool mergePages(const BookFolder& folder, const Clock& clock, const PhoneNumbers& phones,
                const QList<PagePosition>& pages, int into, MergeOutcome& outcome, QString& error);

// Page writes that each keep pages in the trash first, gathered in batches so that a run of
// merges (an import's) loads the trash once and writes it once a batch instead of once a page:
// the trash with every entry of the batch first, then the batch's pages. A crash in between
// leaves extra entries in the trash, never a changed page whose old form is not there. A page
// that cannot be written takes its entries out again; they leave the file with the next trash
// write (or finish()). A batch grows with the trash, so the trash is written O(log n) times.
class TrashedWrites {
public:
    static constexpr qsizetype SmallestBatch = 256;

    explicit TrashedWrites(const BookFolder& folder) : m_folder(folder), m_trash(folder) {}

    // Reads the trash; false with `error` when it cannot be read (nothing can be written then).
    bool open(QString& error);
    bool isOpen() const { return m_open; }
    const BookFolder& folder() const { return m_folder; }
    QString trashPath() const { return m_trash.path(); }

    // Queues `record` over the page at `page`, once `entries` are in the trash. A page queued
    // already takes the new record, and its entries are added to those it has.
    void add(const PagePosition& page, const QByteArray& record, const QList<TrashEntry>& entries);
    // The record queued for `page`, or null.
    const QByteArray* queued(const PagePosition& page) const;
    // Whether the batch is as large as it may grow before it is written.
    bool full() const;

    // A page of a batch written, or not: `failed` is 0, the trash's error (no page of the batch
    // was written) or the page's own; `entries` are its numbers in the trash when written.
    struct Written {
        PagePosition page;
        int failed = 0;
        bool trashFailed = false;
        QList<int> entries;
    };
    // Writes the trash with the batch's entries, then its pages, in the order queued.
    QList<Written> flush();
    // Writes the trash once more if a failed page took entries out since it was written; 0 or
    // the runtime error number.
    int finish();

private:
    struct Queued {
        PagePosition page;
        QByteArray record;
        QList<TrashEntry> entries;
    };
    BookFolder m_folder;
    Trash m_trash;
    bool m_open = false;
    bool m_unsaved = false;
    QList<Queued> m_queue;
    QHash<qint64, qsizetype> m_queuedAt; // page -> index in m_queue
};

// The page `stored` with `texts`, stamped `now`, keeping its identity (so a synced book sends it
// as an updated card, not a new one).
QByteArray pageWithTexts(const QByteArray& stored, const PageTexts& texts, const QDateTime& now);

// Queues the merge of `incoming` (an imported record's texts) into the book's page at `page` (as
// queued already, else as stored), which keeps its place and identity; the page as stored goes
// to the trash first. Nothing is queued when Notes could not hold it all or the page cannot be
// read: false with `error`. The caller writes `writes` when full and at the end.
bool mergeIntoPage(TrashedWrites& writes, const QDateTime& now, const PhoneNumbers& phones,
                   NameKeys& names, const PagePosition& page, const PageTexts& incoming,
                   QString& error);

} // namespace orvelan
