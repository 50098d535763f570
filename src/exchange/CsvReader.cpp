#include "exchange/CsvReader.h"

#include "store/Windows1252.h"

#include <QString>

namespace orvelan {

namespace {

struct RawField {
    QByteArray text;
    bool quoted = false;
};

// Splits at commas outside quoted fields. `limit` stops after that many fields (-1: none);
// `truncated` tells whether more fields followed.
QList<RawField> splitFields(QByteArrayView line, qsizetype limit, bool& truncated) {
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
            // Anything between the closing quote and the next comma stays with the field.
            while (i < n && line[i] != ',')
                field.text.append(line[i++]);
        } else {
            const qsizetype comma = line.indexOf(',', i);
            const qsizetype end = comma < 0 ? n : comma;
            field.text = line.sliced(i, end - i).toByteArray();
            i = end;
        }
        endedWithComma = i < n; // stopped at a comma
        if (endedWithComma)
            ++i;
        fields.append(std::move(field));
    }
    // "a,,b" has three fields; "a,b," two: a trailing comma only closes the last field. A line
    // made of one comma holds one empty field.
    return fields;
}

} // namespace

SplitLine splitLine(QByteArrayView line) {
    SplitLine result;
    bool truncated = false;
    QList<RawField> raw = splitFields(line, MaxLineFields, truncated);
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

QList<QByteArray> readHeaderLine(QByteArrayView line) {
    bool truncated = false;
    const QList<RawField> raw = splitFields(line, -1, truncated);
    QList<QByteArray> names;
    names.reserve(raw.size());
    for (const RawField& field : raw)
        names.append(field.text);
    return names;
}

namespace {

bool isValidUtf8(QByteArrayView bytes, bool& hasHigh) {
    hasHigh = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        hasHigh = true;
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
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

CsvText::CsvText(QByteArray bytes) : m_bytes(std::move(bytes)) {
    if (m_bytes.startsWith("\xEF\xBB\xBF")) {
        m_utf8 = true;
        m_pos = 3;
    } else {
        bool hasHigh = false;
        m_utf8 = isValidUtf8(m_bytes, hasHigh) && hasHigh;
    }
}

bool CsvText::nextLine(QByteArray& line) {
    const qsizetype n = m_bytes.size();
    if (m_pos >= n)
        return false;
    // A line ends at CR, CR LF or LF outside a quoted field. A field is quoted when a double
    // quote opens it, at the start of the line or right after a comma.
    const char* data = m_bytes.constData();
    qsizetype i = m_pos;
    bool inQuotes = false;
    bool fieldStart = true;
    while (i < n) {
        const char c = data[i];
        if (inQuotes) {
            if (c == '"') {
                if (i + 1 < n && data[i + 1] == '"')
                    ++i;
                else
                    inQuotes = false;
            }
        } else if (c == '\r' || c == '\n') {
            break;
        } else if (c == '"' && fieldStart) {
            inQuotes = true;
        }
        fieldStart = !inQuotes && c == ',';
        ++i;
    }
    const QByteArrayView raw(data + m_pos, i - m_pos);
    if (i < n && data[i] == '\r' && i + 1 < n && data[i + 1] == '\n')
        i += 2;
    else if (i < n)
        ++i;
    m_pos = i;

    // Lines are handed on in UTF-8, so every character of any script reaches the page.
    m_lastReplaced = false;
    line = m_utf8 ? raw.toByteArray() : fromWindows1252(raw).toUtf8();
    if (m_lastReplaced)
        ++m_replacedLines;
    return true;
}

} // namespace orvelan
