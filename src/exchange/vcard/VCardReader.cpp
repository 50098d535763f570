#include "exchange/vcard/VCardReader.h"

#include "store/Windows1252.h"

#include <QStringDecoder>

#include <cstring>

namespace orvelan {

namespace {

bool isFoldContinuation(QByteArrayView line) {
    return !line.isEmpty() && (line[0] == ' ' || line[0] == '\t');
}

bool equalsIgnoringCase(QByteArrayView a, const char* b) {
    return a.trimmed().compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The position of the first `wanted` that no double quotes enclose, or -1.
qsizetype findOutsideQuotes(QByteArrayView text, char wanted) {
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == wanted && !quoted)
            return i;
    }
    return -1;
}

QList<QByteArrayView> splitOutsideQuotes(QByteArrayView text, char separator) {
    QList<QByteArrayView> parts;
    while (true) {
        const qsizetype at = findOutsideQuotes(text, separator);
        if (at < 0) {
            parts.append(text);
            return parts;
        }
        parts.append(text.first(at));
        text = text.sliced(at + 1);
    }
}

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool isName(QByteArrayView text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (!isNameCharacter(c))
            return false;
    }
    return true;
}

// RFC 6868: ^n is a line break, ^^ a caret, ^' a double quote.
QString decodeCarets(QString value) {
    if (!value.contains(u'^'))
        return value;
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'^' && i + 1 < value.size()) {
            const QChar next = value[i + 1];
            if (next == u'n' || next == u'N') {
                out += u'\n';
                ++i;
                continue;
            }
            if (next == u'^' || next == u'\'') {
                out += next == u'^' ? u'^' : u'"';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

// Bare 2.1 parameters that name an encoding rather than a type.
bool isBareEncoding(QByteArrayView value) {
    for (const char* e : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT", "B"}) {
        if (value.compare(QByteArrayView(e), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool headIsQuotedPrintable(QByteArrayView line) {
    const qsizetype colon = findOutsideQuotes(line, ':');
    const QByteArrayView head = colon < 0 ? line : line.first(colon);
    return QByteArray(head.data(), head.size()).toUpper().contains("QUOTED-PRINTABLE");
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QByteArray decodeQuotedPrintable(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) {
            // A soft line break: the line goes on after it.
            ++i;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            if (i + 1 < text.size()) // a stray '=' is kept; one at the very end is a soft break
                out += c;
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

QString decodeCharset(QByteArrayView bytes, QStringView charset) {
    const QString name = charset.trimmed().toString().toLower();
    if (name.isEmpty() || name == u"utf-8" || name == u"utf8") {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        return fromWindows1252(bytes);
    }
    if (name == u"iso-8859-1" || name == u"latin1" || name == u"windows-1252" ||
        name == u"cp1252" || name == u"us-ascii" || name == u"ascii" || name == u"iso-8859-15")
        return fromWindows1252(bytes);
    if (const auto encoding = QStringConverter::encodingForName(name.toLatin1().constData())) {
        QStringDecoder decoder(*encoding);
        return decoder.decode(bytes);
    }
    return decodeCharset(bytes, {});
}

VCardReader::VCardReader(QByteArrayView bytes) : m_bytes(bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        m_converted = QString(decoder.decode(bytes.sliced(2))).toUtf8();
        m_bytes = m_converted;
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_pos = 3;
    }
}

bool VCardReader::looksLikeVCard(QByteArrayView head) {
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(head.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                           : QStringDecoder::Utf16BE);
        return looksLikeVCard(QString(decoder.decode(head.sliced(2))).toUtf8());
    }
    VCardReader reader(head);
    QByteArrayView line;
    while (reader.nextPhysical(line)) {
        if (line.trimmed().isEmpty())
            continue;
        return equalsIgnoringCase(line, "BEGIN:VCARD");
    }
    return false;
}

bool VCardReader::nextPhysical(QByteArrayView& line) {
    const qsizetype size = m_bytes.size();
    if (m_pos >= size)
        return false;
    const char* data = m_bytes.data();
    const char* start = data + m_pos;
    const qsizetype left = size - m_pos;
    const void* lf = std::memchr(start, '\n', static_cast<size_t>(left));
    qsizetype end = lf ? static_cast<const char*>(lf) - data : size;
    // A lone carriage return also ends a line.
    if (const void* cr = std::memchr(start, '\r', static_cast<size_t>(end - m_pos)))
        end = static_cast<const char*>(cr) - data;
    line = QByteArrayView(start, end - m_pos);
    if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
        m_pos = end + 2;
    else
        m_pos = end + 1;
    return true;
}

bool VCardReader::nextLogical(Line& line) {
    QByteArrayView first;
    if (!nextPhysical(first))
        return false;
    line = {first, false};
    bool joined = false;
    const bool quotedPrintable = first.contains('=') && headIsQuotedPrintable(first);
    while (m_pos < m_bytes.size()) {
        const qsizetype mark = m_pos;
        QByteArrayView next;
        nextPhysical(next);
        const QByteArrayView current = joined ? QByteArrayView(m_joined) : line.bytes;
        const bool folded = isFoldContinuation(next);
        const bool softBreak = quotedPrintable && current.endsWith('=') && !next.isEmpty();
        if (!folded && !softBreak) {
            m_pos = mark;
            break;
        }
        if (!joined) {
            m_joined = line.bytes.toByteArray();
            joined = true;
        }
        if (line.overlong)
            continue;
        if (softBreak) {
            m_joined += "\r\n"; // kept for the quoted-printable decoder
            m_joined += next;
        } else {
            m_joined += next.sliced(1);
        }
        if (m_joined.size() > MaxLineBytes) {
            line.overlong = true;
            m_joined.clear();
        }
    }
    if (joined)
        line.bytes = m_joined;
    if (line.bytes.size() > MaxLineBytes)
        line.overlong = true;
    return true;
}

bool VCardReader::parseProperty(QByteArrayView line, VCardVersion version,
                                VCardProperty& property) const {
    const qsizetype colon = findOutsideQuotes(line, ':');
    if (colon <= 0)
        return false;
    const QList<QByteArrayView> head = splitOutsideQuotes(line.first(colon), ';');
    QByteArrayView name = head[0].trimmed();
    property = {};
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
        if (!isName(name.first(dot)))
            return false;
        property.group = QString::fromLatin1(name.first(dot));
        name = name.sliced(dot + 1);
    }
    if (!isName(name))
        return false;
    property.name = QString::fromLatin1(name).toUpper();

    QString charset;
    bool quotedPrintable = false;
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QByteArrayView parameter = head[i].trimmed();
        if (parameter.isEmpty())
            continue;
        const qsizetype equals = parameter.indexOf('=');
        VCardParameter p;
        QByteArrayView values;
        if (equals < 0) {
            p.name =
                isBareEncoding(parameter) ? QStringLiteral("ENCODING") : QStringLiteral("TYPE");
            values = parameter;
        } else {
            p.name = QString::fromUtf8(parameter.first(equals).trimmed()).toUpper();
            values = parameter.sliced(equals + 1);
        }
        for (QByteArrayView v : splitOutsideQuotes(values, ',')) {
            v = v.trimmed();
            if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
                v = v.sliced(1, v.size() - 2);
            QString text = QString::fromUtf8(v);
            if (version == VCardVersion::V40)
                text = decodeCarets(std::move(text));
            if (p.name == u"TYPE" && text.contains(u',')) // TYPE="work,voice"
                p.values += text.split(u',', Qt::SkipEmptyParts);
            else
                p.values.append(text);
        }
        if (p.name == u"CHARSET" && !p.values.isEmpty())
            charset = p.values.first();
        if (p.name == u"ENCODING" &&
            p.values.contains(QStringLiteral("QUOTED-PRINTABLE"), Qt::CaseInsensitive))
            quotedPrintable = true;
        property.parameters.append(std::move(p));
    }

    const QByteArrayView raw = line.sliced(colon + 1);
    if (quotedPrintable) {
        // The value is decoded here, so its encoding and character set no longer apply.
        property.value = decodeCharset(decodeQuotedPrintable(raw), charset);
        property.value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        property.value.replace(u'\r', u'\n');
        property.parameters.removeIf(
            [](const VCardParameter& p) { return p.name == u"ENCODING" || p.name == u"CHARSET"; });
    } else {
        property.value = decodeCharset(raw, charset);
        property.parameters.removeIf([](const VCardParameter& p) { return p.name == u"CHARSET"; });
    }
    return true;
}

void VCardReader::skipNestedCard() {
    int depth = 1;
    Line line;
    while (depth > 0 && nextLogical(line)) {
        if (equalsIgnoringCase(line.bytes, "BEGIN:VCARD"))
            ++depth;
        else if (equalsIgnoringCase(line.bytes, "END:VCARD"))
            --depth;
    }
}

bool VCardReader::next(VCard& card, VCardDamage* damage) {
    VCardDamage local;
    VCardDamage& d = damage ? *damage : local;
    d = {};
    card = VCard();
    Line line;
    while (true) {
        if (!nextLogical(line))
            return false;
        if (equalsIgnoringCase(line.bytes, "BEGIN:VCARD"))
            break;
        if (!line.bytes.trimmed().isEmpty())
            ++m_outside;
    }
    VCardVersion version = VCardVersion::V30;
    bool sawVersion = false;
    while (true) {
        const qsizetype lineStart = m_pos;
        if (!nextLogical(line)) {
            d.missingEnd = true;
            break;
        }
        if (line.overlong) {
            ++d.overlongLines;
            continue;
        }
        if (line.bytes.trimmed().isEmpty())
            continue;
        if (equalsIgnoringCase(line.bytes, "END:VCARD"))
            break;
        if (equalsIgnoringCase(line.bytes, "BEGIN:VCARD")) {
            const VCardProperty* last =
                card.properties.isEmpty() ? nullptr : &card.properties.last();
            if (last && last->name == u"AGENT" && last->value.trimmed().isEmpty()) {
                skipNestedCard(); // a 2.1 agent's card inside this one
                continue;
            }
            m_pos = lineStart; // the next card begins: this one has lost its END
            d.missingEnd = true;
            break;
        }
        VCardProperty property;
        if (!parseProperty(line.bytes, version, property)) {
            ++d.skippedLines;
            continue;
        }
        if (property.name == u"VERSION") {
            if (!sawVersion && parseVersion(property.value, version)) {
                sawVersion = true;
                card.version = version;
            }
            continue;
        }
        if (card.properties.size() >= MaxProperties) {
            ++d.droppedProperties;
            continue;
        }
        card.properties.append(std::move(property));
    }
    return true;
}

} // namespace orvelan
