#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "store/RecordSealer.h"

#include <functional>
#include <memory>
#include <optional>

namespace orvelan {

// One tab data file: a header-less run of 1690-byte records, page n at offset (n - 1) * 1690.
// In an encrypted book each record is sealed on its own (RecordSealer): 1730 bytes, bound to its
// tab and page number; every call here takes and gives plain 1690-byte records either way.
// Every call opens the file, does its one read or write and closes it again. Results carry a
// runtime error number (0 when it went well); a sealed page that fails its tag reads as
// RuntimeError::PageDamaged, and every call on a book not yet unlocked fails with BookLocked.
class TabFile {
public:
    // A plain file of records.
    explicit TabFile(QString path) : m_path(std::move(path)) {}
    // A file of `tab`'s records, read and written as `sealing` says (BookFolder::tabFile).
    TabFile(QString path, int tab, const BookSealing& sealing);

    const QString& path() const { return m_path; }
    bool sealed() const { return m_locked || m_sealer; }
    qint64 storedRecordSize() const;

    // Whole records in the file; a trailing part record is never counted. Empty when the file
    // cannot be examined (missing, unreadable).
    std::optional<qint64> pageCount() const;

    struct Read {
        int error = 0;
        QByteArray record; // RecordSize bytes; empty when page lies beyond the end
        bool damaged() const;
    };
    Read readPage(qint64 page) const;

    // Reads page after page through one opening of the file (readPage opens it for each read):
    // for many reads in a row. Each read gives what readPage would, for a file that does not
    // shrink meanwhile.
    class Reader;

    // Writes one record at page `page` (the file grows when it lies behind the end). A write
    // that fails part way leaves the file at its old length. A new file is private; a link
    // planted at the path is refused, never followed.
    int writePage(qint64 page, QByteArrayView record) const;
    // Writes whole records from page `firstPage` on, on the same terms as writePage.
    int writePages(qint64 firstPage, QByteArrayView records) const;
    // Appends whole records at the end of the file, on the same terms as writePage.
    int appendPages(QByteArrayView records) const;

    // Calls `visit(page, storedRecord)` for each whole record in order, reading in large chunks.
    // `visit` returns false to stop early. A sealed page that fails its tag is not visited; it
    // goes to `damaged` instead (when given).
    int scan(const std::function<bool(qint64, QByteArrayView)>& visit,
             const std::function<void(qint64)>& damaged = {}) const;

    // The bytes `records` (whole 1690-byte records, the first of them page `firstPage`) take in
    // this file: themselves, or sealed. Empty when the book is locked.
    QByteArray storedForm(qint64 firstPage, QByteArrayView records) const;

    // `slot` receives the first page whose Name is blank (0 when there is none), `count` the
    // pages of the file.
    int findFirstBlank(qint64& slot, qint64& count) const;

private:
    int writeRecords(qint64 page, QByteArrayView records) const;

    QString m_path;
    int m_tab = 0;
    bool m_locked = false;
    std::shared_ptr<const RecordSealer> m_sealer;
};

// Visits `count` whole records of the plain file at `path` that lie one after another from byte
// `offset` on, as TabFile::scan visits a tab file's: through read-only mappings of a window at a
// time, released behind the reader. A file that is missing, unreadable, or cut short while it is
// read ends the scan with an error (a runtime error number; 0 when every record was visited or
// `visit` stopped).
int scanRecordsAt(const QString& path, qint64 offset, qint64 count,
                  const std::function<bool(qint64, QByteArrayView)>& visit);

class TabFile::Reader {
public:
    explicit Reader(TabFile file) : m_file(std::move(file)) {}
    Read readPage(qint64 page);

private:
    TabFile m_file;
    std::unique_ptr<QFile> m_open;
    int m_openError = 0;
    qint64 m_length = 0;
};

// A write that makes a file longer notes where it starts beside the file while it runs
// ("Orvel01.raf.appending" holds "START OLDLENGTH RECORDSIZE"). A kill between two of the file's
// pages can leave part of a record behind the last whole one; cutInterruptedAppend() cuts that
// part off, which never held anything but the record being written, and removes the note at
// `notePath`. Call it only while holding the book's lock. Returns whether it cut.
inline constexpr char AppendNoteSuffix[] = ".appending";
bool cutInterruptedAppend(const QString& notePath);

} // namespace orvelan
