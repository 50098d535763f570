#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>

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
//
// A file is read a window at a time: what stays in memory is a window and the line being read,
// whatever the file's size. Telling UTF-8 from Windows-1252 takes one look at every byte first.
class CsvText {
public:
    // With a `charset` a converter knows, the file is read in that character set.
    // `windowBytes` is how much of the file is read at a time.
    static constexpr qsizetype WindowBytes = qsizetype(1) << 20;
    explicit CsvText(QByteArray bytes, const QString& charset = {},
                     qsizetype windowBytes = WindowBytes);
    // The file at `path`. When it cannot be opened, or read to its end, readError() says so and
    // no further line is given.
    static CsvText fromFile(const QString& path, const QString& charset = {},
                            qsizetype windowBytes = WindowBytes);
    CsvText(CsvText&&) noexcept;
    ~CsvText();

    FileEncoding encoding() const { return m_encoding; }
    // The encoding's name for a summary: encodingName(), or the character set given.
    QString encodingText() const;
    char separator() const { return m_separator; }
    // Lines of a UTF-8 file that were not UTF-8 and were read as Windows-1252.
    qsizetype windows1252Lines() const { return m_windows1252Lines; }
    // A runtime error number when the file could not be opened or read to its end (it was cut
    // short while it was read), else 0.
    int readError() const { return m_error; }

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
    // Back to the first line.
    void restart();

    class Source;

private:
    CsvText(std::unique_ptr<Source> source, const QString& charset, qsizetype windowBytes);
    void examine(const QString& charset);
    void findSeparator();
    // Appends the next window of the file, as UTF-8, to the text; false at its end.
    bool more();
    // Whether the text holds byte `at` (more() is asked for it when needed).
    bool has(qsizetype at) { return at < m_text.size() || fill(at); }
    bool fill(qsizetype at);

    struct Decoding;
    std::unique_ptr<Source> m_source;
    std::unique_ptr<Decoding> m_decoding;
    qsizetype m_windowBytes = WindowBytes;
    QByteArray m_text; // a window of the text, from a line's start on
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 1;
    qint64 m_lastLineNumber = 0;
    FileEncoding m_encoding = FileEncoding::Ascii;
    char m_separator = ',';
    QString m_charset;
    qsizetype m_windows1252Lines = 0;
    bool m_lastDamaged = false;
    int m_error = 0;
};

} // namespace orvelan
