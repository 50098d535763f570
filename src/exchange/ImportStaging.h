#pragma once

#include "exchange/FieldMapping.h"
#include "exchange/RecordList.h"
#include "search/BookMatcher.h"
#include "store/BookFolder.h"
#include "store/PageIdentity.h"
#include "store/PageTexts.h"

#include <QDateTime>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace orvelan {

// Called now and then during long loops so the windows stay responsive.
using Yield = std::function<void()>;
// Called after each tab of a listing with the number of records listed so far.
using TabProgress = std::function<void(qsizetype listed)>;

// The match keys of the records staged in one run, taken while each page was in hand, so the
// import meets the book without reading its staged pages back. Page p of `keys` is the record
// staged p-th, filed under tab `tabs[p]`; each tab's records follow one another in its staging
// file from record number `firstRecord[tab]` on.
struct StagedKeys {
    IncomingKeys keys;
    std::vector<std::uint8_t> tabs;
    std::array<qint64, 26> firstRecord{};
};

// The staging files: the ".ra_" twin of each tab, in the tab file format. Imported records wait
// here, one page record each, until they are listed and filed into the tabs.
class ImportStaging {
public:
    explicit ImportStaging(BookFolder folder);

    const BookFolder& folder() const { return m_folder; }

    // Before a comma-separated file is read: every staging file becomes one blank page.
    // Returns the number of files that could not be written.
    int reset();

    // What staging did with one record.
    struct Staged {
        enum class Outcome { Staged, NoName, NotFileable };
        Outcome outcome = Outcome::Staged;
        int tab = 0;
        QString name;                     // trimmed, as read
        qsizetype replacedCharacters = 0; // characters the page cannot hold, stored as '?'
        QList<int> cutFields;             // fields (0 = Name .. 25 = Notes) cut to their width
        qsizetype hiddenRemoved = 0;      // control and direction characters removed
    };
    // Stages one record (UTF-8 values) under the tab of its name, stamped with `now`, in
    // Windows-1252 when all its texts fit, else in SCSU. A record whose name is empty, or
    // begins with a control character or a combining mark, is refused.
    // Records are kept in memory until flush().
    // A non-null `id` becomes the staged page's identity (a card's UID, so the same card is
    // known when it comes again).
    Staged stage(const ImportRecord& record, const QDateTime& now, PageId id = {});
    // Stages the texts of a page (Unicode) as stage() stages a record's values.
    Staged stageTexts(PageTexts texts, const QDateTime& now, PageId id = {});
    // Appends the staged records to their files. Returns the number of files that failed.
    int flush();

    // From now on, the match keys of each record staged are kept (a reset() lets go of those
    // kept before), with room for about `expected` records.
    void keepMatchKeys(qsizetype expected = 0);
    // The keys kept, let go here; none when a staging file could not be written since.
    StagedKeys takeMatchKeys();

    // Replaces the staging files of tabs 1..25 with the given contents (index 0 = tab 1): whole
    // stored records, their hidden characters removed as on every other way in and counted in
    // `hiddenRemoved` (when given).
    int replaceLetterTabs(const std::array<QByteArray, 25>& contents,
                          qint64* hiddenRemoved = nullptr);
    // The same a batch of records at a time: empty staging files for tabs 1..25, then whole
    // stored records appended to a tab's file. Each returns the number of files not written.
    int startLetterTabs();
    int appendLetterRecords(int tab, QByteArrayView records, qint64* hiddenRemoved = nullptr);
    // Deletes the staging files of tabs 1..25.
    void removeLetterTabs();

    // The named records of the staging files of tabs 1..25 in tab and record order that hold
    // `filter` (see recordMatches).
    // Without `withLines` the entries carry no list line (an import that shows no list).
    QList<ListedRecord> list(const QString& filter = {}, const TabProgress& progress = {},
                             bool withLines = true) const;

private:
    qint64& countOf(int tab);

    BookFolder m_folder;
    std::array<qint64, 26> m_counts;
    std::array<QByteArray, 26> m_pending;
    std::array<qsizetype, 26> m_lastBatch{}; // the bytes of each tab's last batch written
    std::unique_ptr<NameKeys> m_names;       // set while match keys are kept
    StagedKeys m_keys;
    QDateTime m_stampedAt; // the time of the last record staged, and its stamp
    QByteArray m_stampDate;
    QByteArray m_stampTime;
};

// Gives the heap room that staging let go (card texts, page batches) back to the system, so the
// listing and the meeting with the book that follow, an import's largest moment, do not sit on
// top of it.
void returnStagingMemory();

// What an import run did.
struct ImportOutcome {
    std::array<qint64, 26> perTab{}; // pages written to each tab
    qint64 written = 0;
    int failures = 0; // records that could not be read or written
    int error = 0;    // the runtime error number of the first failed write, 0 when none
    std::vector<qsizetype> notFiled; // the records of the list given that failed, by place in it
    bool ok() const { return failures == 0; }
};

// The message for an import that did not write every record: how many failed, and why. The
// count is exact: the other records are in the book.
QString importFailureText(const ImportOutcome& outcome);
// The message for staging files that could not be written: nothing was imported.
QString stagingFailureText();

// Files each listed staged record into its tab's data file, byte for byte: into the first blank
// page of the tab, else behind its last page. Records go in list order; within one run a cursor
// per tab remembers the blank pages still free, so each tab is scanned once.
ImportOutcome importListed(const BookFolder& folder, const QList<ListedRecord>& records,
                           const Yield& yield = {});

} // namespace orvelan
