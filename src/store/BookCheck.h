#pragma once

#include "store/BookFolder.h"
#include "store/PageIdentity.h"
#include "store/PageRecord.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace orvelan {

// One thing wrong with the book's tab files, found by reading every record of every tab.
struct BookProblem {
    enum class Kind {
        MissingFile,      // no tab file at its path
        Link,             // a link stands where the tab file should be (never followed)
        NotAFile,         // a folder or a device stands there
        Unreadable,       // the file cannot be opened or read
        PartialRecord,    // the file ends in part of a record: it is not a whole number of pages
        UndecodablePage,  // a named page whose texts cannot be read as they were written
        DamagedPage,      // an encrypted book's page that fails its authentication
        DuplicateIdentity // two pages carry the same sync identity (a copied record)
    };
    Kind kind = Kind::MissingFile;
    int tab = 0;
    qint64 page = 0;      // the page concerned (0: the whole file); for a part record, the page
                          // the part would have been
    qint64 otherPage = 0; // DuplicateIdentity: the earlier page with the same identity
    int otherTab = 0;
    QString path;    // the tab file
    QString detail;  // what exactly is wrong, in words
    qint64 size = 0; // PartialRecord: the file's size in bytes

    // One sentence naming the file or page and what is wrong.
    QString describe() const;
    // Whether the sync must stop for it (everything but a copied identity, which the sync
    // sorts out by itself).
    bool stopsSync() const { return kind != Kind::DuplicateIdentity; }
};

// What a check found; `pages` counts the whole records read.
struct BookCheckResult {
    QList<BookProblem> problems;
    qint64 pages = 0;
    bool ok() const { return problems.isEmpty(); }
    bool stopsSync() const;
};

// Why the stored page cannot be read as it was written, or an empty string when it can: an
// unknown marker in its Reserved field, texts that are not valid in the page's encoding, texts
// that read as UTF-8 in a page marked Windows-1252 (a damaged marker would show them as
// mojibake), or control characters that no text box can produce. Blank pages always read.
QString undecodableReason(QByteArrayView storedRecord);
// The same for a page already read into `plain` (the texts of `storedRecord`).
QString undecodableReason(QByteArrayView storedRecord, const PlainRecord& plain);

// Reads every record of the 26 tab files, in chunks, and names every problem.
BookCheckResult checkBook(const BookFolder& folder);

// The message of a sync that stops for the problems: each problem on a line, then what to do.
QString syncStopMessage(const BookCheckResult& result);

struct RepairReport {
    QStringList done; // one line per damaged record or file set aside or fixed
    QStringList left; // problems a repair cannot solve (a link, a folder, an unreadable file)
    // Pages the repair could not keep: those of `tab` after its first `keptPages`.
    struct LostPages {
        int tab = 0;
        qint64 keptPages = 0;
    };
    QList<LostPages> lost;
};

// Sets damaged records aside and makes the tab files whole again, deleting nothing:
// - a part record at the end of a tab file: its bytes go to Reserve/damaged/ and the file is cut
//   to its whole pages;
// - a page that does not decode: its 1690 bytes are copied to Reserve/damaged/; when the damage
//   is only its encoding mark (the texts are plain UTF-8 or plain ASCII) the mark is set right,
//   otherwise the page stays as it is (nothing that cannot be read is blanked);
// - a missing tab file gets one blank page (there is nothing in it to lose).
// Links, folders and unreadable files are left to the user. Each file set aside is named
// after the tab file and the place of the bytes ("Orvel0C.raf.page-6", "Orvel0C.raf.at-8450").
RepairReport repairBook(const BookFolder& folder, const BookCheckResult& found);

} // namespace orvelan
