#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

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

// Splits one logical line at the separators outside double quotes. A field that begins with a
// double quote is read as RFC 4180 says: it may hold separators, doubled quotes and line breaks,
// and its quotes are removed. Other fields keep their spaces and quotation marks. A trailing
// separator ends the line without adding a field; every other empty field carries the NoData
// marker.
SplitLine splitLine(QByteArrayView line, char separator = ',');

// The column names of a header line: split as a data line but without a limit and without the
// marker (an empty name stays empty). Names are not trimmed.
QList<QByteArray> readHeaderLine(QByteArrayView line, char separator = ',');

// How the bytes of an import file were read.
enum class FileEncoding { Ascii, Utf8, Windows1252, Utf16LE, Utf16BE, Named };
QString encodingName(FileEncoding encoding);
// "comma", "semicolon", "tab".
QString separatorName(char separator);

// A comma-separated file as UTF-8 text, split into logical lines.
//
// UTF-16 (with a byte-order mark, or recognised by its zero bytes) and UTF-8 are converted; a
// file with no valid UTF-8 sequence is Windows-1252. In a UTF-8 file, a line that is not valid
// UTF-8 is read as Windows-1252 and counted. When the header line holds no comma but semicolons
// or tabs, that character separates the fields.
class CsvText {
public:
    // With a `charset` a converter knows, the file is read in that character set.
    explicit CsvText(QByteArray bytes, const QString& charset = {});

    FileEncoding encoding() const { return m_encoding; }
    // The encoding's name for a summary: encodingName(), or the character set given.
    QString encodingText() const;
    char separator() const { return m_separator; }
    // Lines of a UTF-8 file that were not UTF-8 and were read as Windows-1252.
    qsizetype windows1252Lines() const { return m_windows1252Lines; }

    // A quoted field that is still open at the end of its record's line may run on for at most
    // this many further lines and bytes; past that, or when it closes in a way no field closes
    // (text right behind the closing quote), the record is damaged.
    static constexpr int LookAheadLines = 50;
    static constexpr qsizetype LookAheadBytes = 64 * 1024;

    // The next logical line (a quoted field may span several physical lines), UTF-8, without
    // its line end. Returns false at the end of the file. A damaged record gives its first
    // physical line alone, and reading goes on at the line after it.
    bool nextLine(QByteArray& line);
    // Whether the last line returned is a damaged record.
    bool lastLineDamaged() const { return m_lastDamaged; }
    // The physical line number (1 = the header) at which the last line returned began.
    qint64 lastLineNumber() const { return m_lastLineNumber; }

private:
    void decode(QByteArray bytes);

    QByteArray m_text;
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 1;
    qint64 m_lastLineNumber = 0;
    FileEncoding m_encoding = FileEncoding::Ascii;
    char m_separator = ',';
    QString m_charset;
    qsizetype m_windows1252Lines = 0;
    bool m_lastDamaged = false;
};

} // namespace orvelan
