#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace orvelan {

// The text that marks an empty field of a data line.
inline constexpr char NoDataMarker[] = "NoData";
// A data line keeps at most this many fields.
inline constexpr int MaxLineFields = 200;

// The fields of one data line.
struct SplitLine {
    QList<QByteArray> fields;
    bool lineError = false; // the line reached the field limit and lost its later fields
};

// Splits one logical line at the commas outside double quotes. A field that begins with a
// double quote is read as RFC 4180 says: it may hold commas, doubled quotes and line breaks, and
// its quotes are removed. Other fields keep their spaces and quotation marks. A trailing comma
// ends the line without adding a field; every other empty field carries the NoData marker.
SplitLine splitLine(QByteArrayView line);

// The column names of a header line: split as a data line but without a limit and without the
// marker (an empty name stays empty). Names are not trimmed.
QList<QByteArray> readHeaderLine(QByteArrayView line);

// A comma-separated file, its lines converted to UTF-8.
class CsvText {
public:
    // Reads raw file bytes. A UTF-8 byte-order mark, or non-ASCII bytes that form valid UTF-8,
    // make the file UTF-8; otherwise it is Windows-1252.
    explicit CsvText(QByteArray bytes);

    bool isUtf8() const { return m_utf8; }

    // The next logical line (a quoted field may span several physical lines), converted to
    // UTF-8, without its line end. Returns false at the end of the file.
    bool nextLine(QByteArray& line);

    // Lines so far in which a character could not be read and was replaced (none while every
    // file is read either as valid UTF-8 or as Windows-1252, which maps every byte).
    qsizetype linesWithReplacements() const { return m_replacedLines; }
    // Whether the last line returned had such a character.
    bool lastLineReplaced() const { return m_lastReplaced; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    bool m_utf8 = false;
    qsizetype m_replacedLines = 0;
    bool m_lastReplaced = false;
};

} // namespace orvelan
