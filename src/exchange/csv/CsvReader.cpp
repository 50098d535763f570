#include "exchange/csv/CsvReader.h"

#include "exchange/Charsets.h"

#include "store/Windows1252.h"

#include <QString>
#include <QStringDecoder>

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

// What a run of bytes holds: only ASCII, valid UTF-8 with at least one longer sequence, or
// bytes that are not UTF-8.
enum class Utf8Check { Ascii, Valid, Invalid };

Utf8Check checkUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    bool high = false;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        high = true;
        int extra = 0;
        unsigned int code = 0;
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
            return Utf8Check::Invalid;
        }
        if (i + extra >= n)
            return Utf8Check::Invalid;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return Utf8Check::Invalid;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return Utf8Check::Invalid;
        i += extra + 1;
    }
    return high ? Utf8Check::Valid : Utf8Check::Ascii;
}

// The physical lines of `bytes`, each with its line end.
template <typename Visit> void forEachPhysicalLine(QByteArrayView bytes, Visit visit) {
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        if (end < n && bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n')
            end += 2;
        else if (end < n)
            ++end;
        visit(bytes.sliced(start, end - start));
        start = end;
    }
}

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

CsvText::CsvText(QByteArray bytes, const QString& charset) {
    QString text;
    if (!charset.trimmed().isEmpty() && decodeNamedCharset(bytes, charset, text)) {
        m_encoding = FileEncoding::Named;
        m_charset = charset.trimmed();
        if (text.startsWith(QChar::ByteOrderMark))
            text.remove(0, 1);
        m_text = text.toUtf8();
    } else {
        decode(std::move(bytes));
    }
    // The separator: a comma, unless the header line holds none but semicolons or tabs.
    qsizetype end = 0;
    while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r')
        ++end;
    const QByteArrayView header = QByteArrayView(m_text).sliced(m_pos, end - m_pos);
    if (!header.contains(',')) {
        if (header.contains(';'))
            m_separator = ';';
        else if (header.contains('\t'))
            m_separator = '\t';
    }
}

void CsvText::decode(QByteArray bytes) {
    FileEncoding utf16 = FileEncoding::Ascii;
    qsizetype skip = 0;
    if (bytes.startsWith("\xFF\xFE")) {
        utf16 = FileEncoding::Utf16LE;
        skip = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        utf16 = FileEncoding::Utf16BE;
        skip = 2;
    } else if (!bytes.startsWith("\xEF\xBB\xBF")) {
        utf16 = guessUtf16(bytes);
    }
    if (utf16 != FileEncoding::Ascii) {
        m_encoding = utf16;
        QStringDecoder decoder(utf16 == FileEncoding::Utf16LE ? QStringDecoder::Utf16LE
                                                              : QStringDecoder::Utf16BE);
        m_text = QString(decoder.decode(QByteArrayView(bytes).sliced(skip))).toUtf8();
        return;
    }

    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    bool anyValid = false;
    bool anyInvalid = false;
    forEachPhysicalLine(QByteArrayView(bytes).sliced(bom ? 3 : 0), [&](QByteArrayView line) {
        const Utf8Check check = checkUtf8(line);
        anyValid = anyValid || check == Utf8Check::Valid;
        anyInvalid = anyInvalid || check == Utf8Check::Invalid;
    });
    if (!anyInvalid) {
        m_encoding = bom || anyValid ? FileEncoding::Utf8 : FileEncoding::Ascii;
        m_text = std::move(bytes);
        m_pos = bom ? 3 : 0;
        return;
    }
    if (!bom && !anyValid) {
        m_encoding = FileEncoding::Windows1252;
        m_text = fromWindows1252(bytes).toUtf8();
        return;
    }
    // UTF-8 with some lines that are not: those lines are read as Windows-1252.
    m_encoding = FileEncoding::Utf8;
    m_text.reserve(bytes.size() + 64);
    forEachPhysicalLine(QByteArrayView(bytes).sliced(bom ? 3 : 0), [&](QByteArrayView line) {
        if (checkUtf8(line) == Utf8Check::Invalid) {
            m_text += fromWindows1252(line).toUtf8();
            ++m_windows1252Lines;
        } else {
            m_text += line;
        }
    });
}

bool CsvText::nextLine(QByteArray& line) {
    const qsizetype n = m_text.size();
    if (m_pos >= n)
        return false;
    // A line ends at CR, CR LF or LF outside a quoted field. A field is quoted when a double
    // quote opens it, at the start of the line or right after a separator.
    const char* data = m_text.constData();
    const qsizetype start = m_pos;
    qsizetype i = start;
    bool inQuotes = false;
    bool fieldStart = true;
    bool damaged = false;
    qsizetype firstLineEnd = -1; // where the record's own physical line ends
    int extraLines = 0;
    while (i < n) {
        const char c = data[i];
        if (inQuotes) {
            if (c == '"') {
                if (i + 1 < n && data[i + 1] == '"') {
                    ++i;
                } else {
                    inQuotes = false;
                    if (firstLineEnd >= 0) {
                        // A field that ran over lines must close as a field closes.
                        qsizetype k = i + 1;
                        while (k < n && data[k] == ' ')
                            ++k;
                        if (k < n && data[k] != m_separator && data[k] != '\r' && data[k] != '\n') {
                            damaged = true;
                            break;
                        }
                    }
                }
            } else if (c == '\r' || c == '\n') {
                if (firstLineEnd < 0)
                    firstLineEnd = i;
                if (c == '\n' || i + 1 >= n || data[i + 1] != '\n')
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
    if (end < n && data[end] == '\r' && end + 1 < n && data[end + 1] == '\n')
        end += 2;
    else if (end < n)
        ++end;
    m_pos = end;
    m_lineNumber += 1 + extraLines;
    return true;
}

} // namespace orvelan
