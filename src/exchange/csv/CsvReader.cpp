#include "exchange/csv/CsvReader.h"

#include "exchange/Charsets.h"

#include "store/RuntimeError.h"
#include "store/Windows1252.h"

#include <QFile>
#include <QString>
#include <QStringDecoder>

#include <cerrno>
#include <optional>
#include <unistd.h>
#include <vector>

namespace orvelan {

namespace {

struct RawField {
    QByteArray text;
    bool quoted = false;
};

// Splits at `separator` outside quoted fields. `limit` stops after that many fields (-1: none);
// `truncated` tells whether more fields followed.
QList<RawField> splitFields(QByteArrayView line, char separator, qsizetype limit, bool& truncated) {
    QList<RawField> fields;
    truncated = false;
    qsizetype i = 0;
    const qsizetype n = line.size();
    bool endedWithComma = false;
    while (i < n) {
        if (limit >= 0 && fields.size() >= limit) {
            truncated = true;
            return fields;
        }
        RawField field;
        if (line[i] == '"') {
            field.quoted = true;
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field.text.append('"');
                        i += 2;
                        continue;
                    }
                    ++i; // closing quote
                    break;
                }
                field.text.append(line[i]);
                ++i;
            }
            // Anything between the closing quote and the next separator stays with the field.
            while (i < n && line[i] != separator)
                field.text.append(line[i++]);
        } else {
            const qsizetype comma = line.indexOf(separator, i);
            const qsizetype end = comma < 0 ? n : comma;
            field.text = line.sliced(i, end - i).toByteArray();
            i = end;
        }
        endedWithComma = i < n; // stopped at a separator
        if (endedWithComma)
            ++i;
        fields.append(std::move(field));
    }
    // "a,,b" has three fields; "a,b," two: a trailing comma only closes the last field. A line
    // made of one comma holds one empty field.
    return fields;
}

} // namespace

SplitLine splitLine(QByteArrayView line, char separator) {
    SplitLine result;
    bool truncated = false;
    QList<RawField> raw = splitFields(line, separator, MaxLineFields, truncated);
    // A line of exactly the limit also counts as reaching it.
    result.lineError = truncated || raw.size() >= MaxLineFields;
    result.fields.reserve(raw.size());
    for (RawField& field : raw) {
        if (field.text.isEmpty() && !field.quoted)
            result.fields.append(QByteArray(NoDataMarker));
        else
            result.fields.append(std::move(field.text));
    }
    return result;
}

QList<QByteArray> readHeaderLine(QByteArrayView line, char separator) {
    bool truncated = false;
    const QList<RawField> raw = splitFields(line, separator, -1, truncated);
    QList<QByteArray> names;
    names.reserve(raw.size());
    for (const RawField& field : raw)
        names.append(field.text);
    return names;
}

QString encodingName(FileEncoding encoding) {
    switch (encoding) {
    case FileEncoding::Ascii:
        return QStringLiteral("ASCII");
    case FileEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case FileEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case FileEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case FileEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case FileEncoding::Named:
        return QStringLiteral("a named character set");
    }
    return {};
}

QString CsvText::encodingText() const {
    return m_encoding == FileEncoding::Named ? m_charset : encodingName(m_encoding);
}

QString separatorName(char separator) {
    switch (separator) {
    case ';':
        return QStringLiteral("semicolon");
    case '\t':
        return QStringLiteral("tab");
    default:
        return QStringLiteral("comma");
    }
}

namespace {

// UTF-16 without a byte-order mark: most of the first characters are ASCII with a zero byte.
FileEncoding guessUtf16(QByteArrayView bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size() & ~qsizetype(1), 64);
    if (n < 4)
        return FileEncoding::Ascii;
    int zeroEven = 0;
    int zeroOdd = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] == 0)
            ++(i % 2 ? zeroOdd : zeroEven);
    }
    if (zeroOdd * 4 >= n * 3 / 2 && zeroEven == 0)
        return FileEncoding::Utf16LE;
    if (zeroEven * 4 >= n * 3 / 2 && zeroOdd == 0)
        return FileEncoding::Utf16BE;
    return FileEncoding::Ascii;
}

} // namespace

// Where the bytes of the file come from: memory, or the file itself a window at a time.
class CsvText::Source {
public:
    virtual ~Source() = default;
    virtual qint64 size() const = 0;
    // Reads up to `max` bytes at `offset` into `into`. Returns a runtime error number when bytes
    // the file had could not be read (it was cut short meanwhile), else 0.
    virtual int read(qint64 offset, qint64 max, QByteArray& into) = 0;
};

namespace {

class MemorySource final : public CsvText::Source {
public:
    explicit MemorySource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    qint64 size() const override { return m_bytes.size(); }
    int read(qint64 offset, qint64 max, QByteArray& into) override {
        into = m_bytes.mid(offset, max);
        return 0;
    }

private:
    QByteArray m_bytes;
};

class FileSource final : public CsvText::Source {
public:
    explicit FileSource(const QString& path) : m_file(path) {}
    int open() {
        if (const int error = notARegularFileError(m_file.fileName()))
            return error;
        errno = 0;
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return runtimeErrorFromErrno(errno ? errno : ENOENT, m_file.fileName());
        m_size = m_file.size();
        return 0;
    }
    qint64 size() const override { return m_size; }
    int read(qint64 offset, qint64 max, QByteArray& into) override {
        const qint64 wanted = std::max<qint64>(0, std::min(max, m_size - offset));
        into.resize(wanted);
        qint64 got = 0;
        while (got < wanted) {
            const ssize_t n = ::pread(m_file.handle(), into.data() + got, size_t(wanted - got),
                                      off_t(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) // unreadable, or shorter than when it was opened
                return RuntimeError::DeviceIoError;
            got += n;
        }
        return 0;
    }

private:
    QFile m_file;
    qint64 m_size = 0;
};

// Which lines of a file are UTF-8, looking at a window of bytes at a time: a line ends at CR or
// LF (the LF of a CR LF begins an empty line, which changes nothing here).
struct LineCheck {
    enum class Status { Ascii, Valid, Invalid };
    Status status = Status::Ascii;
    int need = 0; // continuation bytes still to come
    int extra = 0;
    unsigned int code = 0;
    qint64 lineStart = 0;
    bool anyValid = false;
    bool anyInvalid = false;
    qsizetype invalidLines = 0;
    bool validSinceRange = false;
    // The runs of bytes that are read as Windows-1252: the lines that are not UTF-8, joined over
    // the ASCII-only lines between them (which read the same either way).
    std::vector<std::pair<qint64, qint64>> ranges;

    void endLine(qint64 end) {
        if (need > 0)
            status = Status::Invalid;
        if (status == Status::Valid) {
            anyValid = true;
            validSinceRange = true;
        } else if (status == Status::Invalid) {
            anyInvalid = true;
            ++invalidLines;
            if (!ranges.empty() && !validSinceRange)
                ranges.back().second = end;
            else
                ranges.emplace_back(lineStart, end);
            validSinceRange = false;
        }
        status = Status::Ascii;
        need = 0;
        lineStart = end;
    }

    void feed(QByteArrayView bytes, qint64 base) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const qsizetype n = bytes.size();
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned char c = p[i];
            if (c == '\r' || c == '\n') {
                endLine(base + i + 1);
                continue;
            }
            if (status == Status::Invalid || (c < 0x80 && need == 0))
                continue;
            if (need > 0) {
                if ((c & 0xC0) != 0x80) {
                    status = Status::Invalid;
                    need = 0;
                    continue;
                }
                code = (code << 6) | (c & 0x3F);
                if (--need == 0 &&
                    ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
                     (extra == 3 && (code < 0x10000 || code > 0x10FFFF))))
                    status = Status::Invalid;
                continue;
            }
            status = Status::Valid;
            if (c >= 0xC2 && c <= 0xDF) {
                extra = 1;
                code = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                extra = 2;
                code = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                extra = 3;
                code = c & 0x07;
            } else {
                status = Status::Invalid;
                continue;
            }
            need = extra;
        }
    }

    void finish(qint64 end) {
        if (lineStart < end)
            endLine(end);
    }
};

// Past this much text already read, the text before the line being read is let go.
constexpr qsizetype LetGoBytes = qsizetype(1) << 20;

} // namespace

struct CsvText::Decoding {
    enum class Mode { Bytes, Windows1252, Mixed, Utf16, Named };
    Mode mode = Mode::Bytes;
    qint64 start = 0; // where the text begins in the file (behind a byte-order mark)
    qint64 raw = 0;   // the next byte of the file to read
    bool done = false;
    std::vector<std::pair<qint64, qint64>> windows1252; // Mixed: runs read as Windows-1252
    std::size_t range = 0;
    std::optional<QStringDecoder> utf16;
    std::unique_ptr<CharsetDecoder> named;
    QString held; // a high surrogate at the end of a window waits for its pair
    bool markChecked = false;
    QByteArray window;

    void restart() {
        raw = start;
        done = false;
        range = 0;
        if (utf16)
            utf16->resetState();
        if (named)
            named->reset();
        held.clear();
        markChecked = false;
    }
};

CsvText::CsvText(QByteArray bytes, const QString& charset, qsizetype windowBytes)
    : CsvText(std::make_unique<MemorySource>(std::move(bytes)), charset, windowBytes) {}

CsvText::CsvText(std::unique_ptr<Source> source, const QString& charset, qsizetype windowBytes)
    : m_source(std::move(source)), m_decoding(std::make_unique<Decoding>()),
      m_windowBytes(std::max<qsizetype>(1, windowBytes)) {
    examine(charset);
    findSeparator();
}

CsvText CsvText::fromFile(const QString& path, const QString& charset, qsizetype windowBytes) {
    auto file = std::make_unique<FileSource>(path);
    const int error = file->open();
    CsvText text(error ? std::unique_ptr<Source>(std::make_unique<MemorySource>(QByteArray()))
                       : std::unique_ptr<Source>(std::move(file)),
                 error ? QString() : charset, windowBytes);
    if (error)
        text.m_error = error;
    return text;
}

CsvText::CsvText(CsvText&&) noexcept = default;
CsvText::~CsvText() = default;

void CsvText::examine(const QString& charset) {
    Decoding& d = *m_decoding;
    if (!charset.trimmed().isEmpty()) {
        auto named = std::make_unique<CharsetDecoder>(charset);
        if (named->valid()) {
            m_encoding = FileEncoding::Named;
            m_charset = charset.trimmed();
            d.mode = Decoding::Mode::Named;
            d.named = std::move(named);
            return;
        }
    }
    QByteArray head;
    if ((m_error = m_source->read(0, 64, head)))
        return;
    FileEncoding utf16 = FileEncoding::Ascii;
    if (head.startsWith("\xFF\xFE")) {
        utf16 = FileEncoding::Utf16LE;
        d.start = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        utf16 = FileEncoding::Utf16BE;
        d.start = 2;
    } else if (!head.startsWith("\xEF\xBB\xBF")) {
        utf16 = guessUtf16(head);
    }
    if (utf16 != FileEncoding::Ascii) {
        m_encoding = utf16;
        d.mode = Decoding::Mode::Utf16;
        d.utf16.emplace(utf16 == FileEncoding::Utf16LE ? QStringDecoder::Utf16LE
                                                       : QStringDecoder::Utf16BE);
        d.raw = d.start;
        return;
    }

    // Whether the file is UTF-8 takes a look at every line.
    const bool bom = head.startsWith("\xEF\xBB\xBF");
    d.start = bom ? 3 : 0;
    LineCheck check;
    check.lineStart = d.start;
    const qint64 size = m_source->size();
    for (qint64 at = d.start; at < size; at += d.window.size()) {
        if ((m_error = m_source->read(at, m_windowBytes, d.window)))
            return;
        if (d.window.isEmpty())
            break;
        check.feed(d.window, at);
    }
    check.finish(size);
    if (!check.anyInvalid) {
        m_encoding = bom || check.anyValid ? FileEncoding::Utf8 : FileEncoding::Ascii;
    } else if (!bom && !check.anyValid) {
        m_encoding = FileEncoding::Windows1252;
        d.mode = Decoding::Mode::Windows1252;
    } else {
        // UTF-8 with some lines that are not: those lines are read as Windows-1252.
        m_encoding = FileEncoding::Utf8;
        d.mode = Decoding::Mode::Mixed;
        d.windows1252 = std::move(check.ranges);
        m_windows1252Lines = check.invalidLines;
    }
    d.raw = d.start;
}

void CsvText::findSeparator() {
    // A comma, unless the header line holds none but semicolons or tabs.
    qsizetype end = m_pos;
    while (has(end) && m_text[end] != '\n' && m_text[end] != '\r')
        ++end;
    const QByteArrayView header = QByteArrayView(m_text).sliced(m_pos, end - m_pos);
    if (!header.contains(',')) {
        if (header.contains(';'))
            m_separator = ';';
        else if (header.contains('\t'))
            m_separator = '\t';
    }
}

void CsvText::restart() {
    m_decoding->restart();
    m_text.clear();
    m_pos = 0;
    m_lineNumber = 1;
    m_lastLineNumber = 0;
    m_lastDamaged = false;
}

bool CsvText::fill(qsizetype at) {
    while (at >= m_text.size()) {
        if (!more())
            return false;
    }
    return true;
}

bool CsvText::more() {
    Decoding& d = *m_decoding;
    if (m_error || d.done)
        return false;
    const auto appendText = [&](QString text, bool last) {
        text.prepend(d.held);
        d.held.clear();
        if (!d.markChecked && !text.isEmpty() && d.mode == Decoding::Mode::Named) {
            d.markChecked = true;
            if (text.startsWith(QChar::ByteOrderMark))
                text.remove(0, 1);
        }
        if (!last && !text.isEmpty() && text.back().isHighSurrogate()) {
            d.held = text.back();
            text.chop(1);
        }
        m_text += text.toUtf8();
    };
    if (d.raw >= m_source->size()) {
        d.done = true;
        if (d.mode == Decoding::Mode::Named) {
            QString rest;
            d.named->decode({}, true, rest);
            appendText(std::move(rest), true);
        } else if (!d.held.isEmpty()) {
            appendText({}, true);
        }
        return true;
    }
    if ((m_error = m_source->read(d.raw, m_windowBytes, d.window)))
        return false;
    const QByteArrayView window = d.window;
    if (window.isEmpty()) {
        m_error = RuntimeError::DeviceIoError;
        return false;
    }
    switch (d.mode) {
    case Decoding::Mode::Bytes:
        m_text += window;
        break;
    case Decoding::Mode::Windows1252:
        appendWindows1252AsUtf8(m_text, window);
        break;
    case Decoding::Mode::Mixed: {
        const qint64 end = d.raw + window.size();
        for (qint64 at = d.raw; at < end;) {
            while (d.range < d.windows1252.size() && d.windows1252[d.range].second <= at)
                ++d.range;
            const bool inRange =
                d.range < d.windows1252.size() && d.windows1252[d.range].first <= at;
            const qint64 until = inRange ? std::min(end, d.windows1252[d.range].second)
                                         : (d.range < d.windows1252.size()
                                                ? std::min(end, d.windows1252[d.range].first)
                                                : end);
            const QByteArrayView part = window.sliced(at - d.raw, until - at);
            if (inRange)
                appendWindows1252AsUtf8(m_text, part);
            else
                m_text += part;
            at = until;
        }
        break;
    }
    case Decoding::Mode::Utf16:
        appendText(d.utf16->decode(window), false);
        break;
    case Decoding::Mode::Named: {
        QString text;
        d.named->decode(window, false, text);
        appendText(std::move(text), false);
        break;
    }
    }
    d.raw += window.size();
    return true;
}

bool CsvText::nextLine(QByteArray& line) {
    if (m_pos >= LetGoBytes) {
        m_text.remove(0, m_pos);
        m_pos = 0;
    }
    if (!has(m_pos))
        return false;
    // A line ends at CR, CR LF or LF outside a quoted field. A field is quoted when a double
    // quote opens it, at the start of the line or right after a separator.
    const char* data = m_text.constData();
    qsizetype n = m_text.size();
    // Whether byte k has been read; more of the file is read when it is needed.
    const auto at = [&](qsizetype k) {
        if (k < n)
            return true;
        const bool got = fill(k);
        data = m_text.constData();
        n = m_text.size();
        return got;
    };
    const qsizetype start = m_pos;
    qsizetype i = start;
    bool inQuotes = false;
    bool fieldStart = true;
    bool damaged = false;
    qsizetype firstLineEnd = -1; // where the record's own physical line ends
    int extraLines = 0;
    while (at(i)) {
        const char c = data[i];
        if (inQuotes) {
            if (c == '"') {
                if (at(i + 1) && data[i + 1] == '"') {
                    ++i;
                } else {
                    inQuotes = false;
                    if (firstLineEnd >= 0) {
                        // A field that ran over lines must close as a field closes.
                        qsizetype k = i + 1;
                        while (at(k) && data[k] == ' ')
                            ++k;
                        if (at(k) && data[k] != m_separator && data[k] != '\r' && data[k] != '\n') {
                            damaged = true;
                            break;
                        }
                    }
                }
            } else if (c == '\r' || c == '\n') {
                if (firstLineEnd < 0)
                    firstLineEnd = i;
                if (c == '\n' || !at(i + 1) || data[i + 1] != '\n')
                    ++extraLines;
                if (extraLines > LookAheadLines || i - firstLineEnd > LookAheadBytes) {
                    damaged = true;
                    break;
                }
            }
        } else if (c == '\r' || c == '\n') {
            break;
        } else if (c == '"' && fieldStart) {
            inQuotes = true;
        }
        fieldStart = !inQuotes && c == m_separator;
        ++i;
    }
    if (m_error)
        return false; // the file could not be read to its end: no part line is given
    if (inQuotes && !damaged && firstLineEnd >= 0)
        damaged = true; // the file ended inside a quoted field that ran over lines

    m_lastLineNumber = m_lineNumber;
    m_lastDamaged = damaged;
    qsizetype end = i;
    if (damaged) {
        end = firstLineEnd;
        extraLines = 0;
    }
    line = QByteArray(data + start, end - start);
    if (at(end) && data[end] == '\r' && at(end + 1) && data[end + 1] == '\n')
        end += 2;
    else if (at(end))
        ++end;
    m_pos = end;
    m_lineNumber += 1 + extraLines;
    return true;
}

} // namespace orvelan
