#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace orvelan {

// One tab data file: a header-less run of 1690-byte records, page n at offset (n - 1) * 1690.
// Every call opens the file, does its one read or write and closes it again. Results carry a
// runtime error number (0 when it went well).
class TabFile {
public:
    explicit TabFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // Whole records in the file; a trailing part record is never counted. Empty when the file
    // cannot be examined (missing, unreadable).
    std::optional<qint64> pageCount() const;

    struct Read {
        int error = 0;
        QByteArray record; // RecordSize bytes; empty when page lies beyond the end
    };
    Read readPage(qint64 page) const;

    // Writes one record at page `page` (the file grows when it lies behind the end). A write
    // that fails part way leaves the file at its old length. A new file is private; a link
    // planted at the path is refused, never followed.
    int writePage(qint64 page, QByteArrayView record) const;
    // Appends whole records at the end of the file, on the same terms as writePage.
    int appendPages(QByteArrayView records) const;

    // Calls `visit(page, storedRecord)` for each whole record in order, reading in large chunks.
    // `visit` returns false to stop early.
    int scan(const std::function<bool(qint64, QByteArrayView)>& visit) const;

    // `slot` receives the first page whose Name is blank (0 when there is none), `count` the
    // pages of the file.
    int findFirstBlank(qint64& slot, qint64& count) const;

private:
    QString m_path;
};

} // namespace orvelan
