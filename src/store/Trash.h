#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"
#include "store/PageIdentity.h"
#include "store/PageTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

namespace orvelan {

// A page (or a card) that left the book, kept so it can be put back.
struct TrashEntry {
    int number = 0;      // given when it goes in, never reused
    QString name;        // the page's name, or the card's
    QDateTime deletedAt; // UTC
    QString why;         // "Deleted", "Deleted on the server", "Deleted by the sync" ...
    QString from;        // where it was: "tab M, page 3", "the server"
    QByteArray record;   // the page as stored (RecordSize bytes), or empty
    PageId id;           // the page's sync identity, if it had one
    QByteArray card;     // the card as the server last had it (photo and all), or empty
    QString href;        // where the card was on the server
};

// Why an entry went into the trash: the words every entry uses.
namespace TrashReason {
inline const QString Deleted = QStringLiteral("Deleted");
inline const QString DeletedOnServer = QStringLiteral("Deleted on the server");
inline const QString DeletedBySync = QStringLiteral("Deleted by the sync");
inline const QString Overwritten = QStringLiteral("Overwritten by a conflict");
inline const QString Merged = QStringLiteral("Merged into another page");
inline const QString BeforeMerge = QStringLiteral("As it was before a merge");
} // namespace TrashReason

// The book's trash: the file trash.json in the book folder, private and replaced whole on every
// change (written beside it, flushed and renamed, so a crash leaves the old trash or the new
// one). docs/trash.md describes the format. All trash I/O goes through this class.
class Trash {
public:
    static constexpr int KeepDays = 30;
    static constexpr char SealLabel[] = "orvelan-trash-v1";

    explicit Trash(BookFolder folder) : m_folder(std::move(folder)) {}

    QString path() const;

    // Reads the trash; a missing file is an empty trash. False with `error` for a damaged one.
    bool load(QString& error);
    // Writes the trash whole; 0 when written, else a runtime error number.
    int save() const;

    // Oldest first.
    const QList<TrashEntry>& entries() const { return m_entries; }
    // Newest first, as the lists show them.
    QList<TrashEntry> newestFirst() const;
    const TrashEntry* find(int number) const;
    // The newest entry of a page with this identity that holds no card yet.
    TrashEntry* findWithoutCard(PageId id);

    // Puts an entry in and gives it its number.
    int add(TrashEntry entry);
    bool remove(int number);
    // Removes the entries deleted before `cutoff`; returns how many.
    int removeOlderThan(const QDateTime& cutoff);

    // A card to send back with a restored page of this identity, so the server gets the whole
    // card again (photo and all) when the page goes back as a new card.
    QByteArray cardToSendBack(PageId id) const { return m_sendBack.value(id); }
    void keepCardToSendBack(PageId id, const QByteArray& card) { m_sendBack.insert(id, card); }
    bool forgetCardToSendBack(PageId id) { return m_sendBack.remove(id) > 0; }

private:
    BookFolder m_folder;
    QList<TrashEntry> m_entries;
    int m_next = 1;
    QHash<PageId, QByteArray> m_sendBack;
};

// "tab M, page 3".
QString trashPlace(int tab, qint64 page);
// One line of the trash list: number, name, when (local time), why, from where.
QString trashLine(const TrashEntry& entry);

// Puts page `page` of tab `tab` into the trash and then blanks it; a blank page is only
// blanked. Nothing is blanked unless the trash was written. 0 when done, else a runtime error
// number (the trash's own, or the tab file's).
int deletePageToTrash(const BookFolder& folder, const Clock& clock, int tab, qint64 page,
                      const QString& why, QString& error);

// Removes the entries older than Trash::KeepDays; returns how many (0 also when the trash
// cannot be read or written: it is tried again at the next start).
int removeExpiredTrash(const BookFolder& folder, const QDateTime& now);

// Where a restored page went.
struct RestoredPage {
    int tab = 0;
    qint64 page = 0;
    QString name;
};

// Turns a card into page texts (the sync's mapping), for entries that hold only a card.
using CardToPage = std::function<PageTexts(const QByteArray& card)>;

// Puts entry `number` back into the book: the first blank page of its name's tab, else a new
// page at its end. The page keeps its identity unless another page holds it now; a card kept
// with the entry goes back to the server with it. The entry leaves the trash.
bool restoreFromTrash(const BookFolder& folder, const Clock& clock, int number,
                      const CardToPage& cardToPage, RestoredPage& restored, QString& error);

} // namespace orvelan
