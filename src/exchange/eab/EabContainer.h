#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <QString>

#include <array>
#include <functional>

namespace orvelan {

// The enciphered exchange file: a 250-byte header of 25 decimal segment lengths, 10 characters
// each, left-aligned and space-padded, then the segments of tabs 1..25 one after another, each
// whole 1690-byte page records exactly as stored.
inline constexpr int EabHeaderSize = 250;
inline constexpr int EabSegments = 25;
using EabSegmentList = std::array<QByteArray, EabSegments>; // index 0 = tab 1

// The header for these segment lengths.
QByteArray eabHeader(const std::array<qsizetype, EabSegments>& lengths);

// Builds the file. An empty segment is written as one blank page.
QByteArray buildEab(const EabSegmentList& segments);

struct EabRead {
    enum class Status {
        Ok,
        Damaged, // lengths beyond the file's end or not whole records: whole records kept
        Refused, // not an exchange file: too short, or a length that is not a number
    };
    Status status = Status::Ok;
    EabSegmentList segments;
};

// Reads a file without trusting it: nothing is read past its end, a header length that is not
// a number refuses the file, and only whole records that lie inside the file are kept.
EabRead readEab(QByteArrayView file);

// Where the whole records of each segment lie in a file of `fileSize` bytes whose header is
// `header` (its first 250 bytes), as readEab() finds them.
struct EabLayout {
    EabRead::Status status = EabRead::Status::Ok;
    std::array<qint64, EabSegments> offsets{};
    std::array<qint64, EabSegments> wholeBytes{};
};
EabLayout eabLayout(QByteArrayView header, qint64 fileSize);

// The layout of the file at `path` from its header and size; `error` receives a runtime error
// number when the file cannot be opened (the layout is then Refused), else 0.
EabLayout eabLayout(const QString& path, int& error);

// Reads the whole records of the file at `path` as `layout` places them, as readEab() reads one in
// memory but a window at a time: `visit(tab, records)` receives each segment's records in order,
// in batches of at most `batchRecords`, and returns false to stop. Returns a runtime error number
// when the file cannot be read to the end of its records (cut short while it is read), else 0.
int scanEab(const QString& path, const EabLayout& layout,
            const std::function<bool(int tab, QByteArrayView records)>& visit,
            qint64 batchRecords = 600);

} // namespace orvelan
