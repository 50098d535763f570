#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

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

} // namespace orvelan
