#include "exchange/vcard/VCardReader.h"

#include "exchange/Charsets.h"
#include "store/Windows1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

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

// The names and parameter values most cards are made of, as shared texts: reading one takes no
// allocation. Names match in any case (they are kept in upper case); values only as written.
const QString* sharedText(QByteArrayView bytes, bool anyCase) {
    static const QString texts[] = {
        u"VERSION"_s,  u"FN"_s,        u"N"_s,          u"TEL"_s,      u"EMAIL"_s, u"ADR"_s,
        u"ORG"_s,      u"TITLE"_s,     u"NOTE"_s,       u"UID"_s,      u"REV"_s,   u"URL"_s,
        u"BDAY"_s,     u"LABEL"_s,     u"CATEGORIES"_s, u"NICKNAME"_s, u"PHOTO"_s, u"PRODID"_s,
        u"ROLE"_s,     u"X-ABLABEL"_s, u"TYPE"_s,       u"VALUE"_s,    u"PREF"_s,  u"CHARSET"_s,
        u"ENCODING"_s, u"HOME"_s,      u"WORK"_s,       u"CELL"_s,     u"VOICE"_s, u"FAX"_s,
        u"INTERNET"_s, u"home"_s,      u"work"_s,       u"cell"_s,     u"voice"_s, u"fax"_s,
        u"internet"_s, u"pref"_s,      u"text"_s,       u"uri"_s,
    };
    // The texts of each length, looked up by the length read.
    constexpr qsizetype Longest = 10;
    static const auto byLength = [] {
        std::array<QList<const QString*>, Longest + 1> lists;
        for (const QString& text : texts)
            lists[text.size()].append(&text);
        return lists;
    }();
    if (bytes.isEmpty() || bytes.size() > Longest)
        return nullptr;
    for (const QString* text : byLength[bytes.size()]) {
        qsizetype i = 0;
        for (; i < bytes.size(); ++i) {
            const char16_t wanted = (*text)[i].unicode();
            const char c = bytes[i];
            if (c != wanted && !(anyCase && c >= 'a' && c <= 'z' && c - ('a' - 'A') == wanted))
                break;
        }
        if (i == bytes.size())
            return text;
    }
    return nullptr;
}

QString upperName(QByteArrayView name) {
    if (const QString* shared = sharedText(name, true))
        return *shared;
    return QString::fromLatin1(name).toUpper();
}

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '/';
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
    constexpr QByteArrayView wanted("QUOTED-PRINTABLE");
    for (qsizetype at = 0; at + wanted.size() <= head.size(); ++at) {
        if ((head[at] == 'Q' || head[at] == 'q') &&
            head.sliced(at, wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Whether a line begins a card, ends one or begins a property any program writes: a value that
// ends in "=" does not continue onto such a line.
bool startsOwnLine(QByteArrayView line) {
    if (equalsIgnoringCase(line, "END:VCARD") || equalsIgnoringCase(line, "BEGIN:VCARD"))
        return true;
    qsizetype end = 0;
    while (end < line.size() && (isNameCharacter(line[end]) || line[end] == '.'))
        ++end;
    if (end == 0 || end >= line.size() || (line[end] != ':' && line[end] != ';'))
        return false;
    QByteArrayView name = line.first(end);
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name = name.sliced(dot + 1);
    if (name.size() > 2 && (name[0] == 'X' || name[0] == 'x') && name[1] == '-')
        return true;
    static const char* const known[] = {
        "VERSION", "N",           "FN",    "TEL",      "EMAIL",      "ADR",   "LABEL", "NOTE",
        "ORG",     "TITLE",       "ROLE",  "URL",      "BDAY",       "PHOTO", "LOGO",  "SOUND",
        "KEY",     "UID",         "REV",   "NICKNAME", "CATEGORIES", "AGENT", "GEO",   "TZ",
        "MAILER",  "SORT-STRING", "CLASS", "PRODID",   "IMPP",       "KIND"};
    for (const char* k : known) {
        if (name.compare(QByteArrayView(k), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The property name at the head of a line too long to read whole (without its group).
QString overlongName(QByteArrayView head) {
    qsizetype end = 0;
    while (end < head.size() && head[end] != ';' && head[end] != ':')
        ++end;
    QByteArrayView name = head.first(end).trimmed();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name = name.sliced(dot + 1);
    return QString::fromLatin1(name).toUpper();
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

QString decodeCharset(QByteArrayView bytes, QStringView charset, bool* known) {
    // Most values are plain ASCII in UTF-8 files: nothing to look up.
    if (charset.isEmpty() && std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0; }))
        return QString::fromLatin1(bytes);
    const QString name = charset.trimmed().toString().toLower();
    if (name.isEmpty() || name == u"utf-8" || name == u"utf8") {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        return fromWindows1252(bytes);
    }
    // Latin-1 labels mostly stand for what Windows wrote, whose extra letters Latin-1 lacks.
    if (name == u"iso-8859-1" || name == u"latin1" || name == u"windows-1252" ||
        name == u"cp1252" || name == u"us-ascii" || name == u"ascii")
        return fromWindows1252(bytes);
    QString text;
    if (decodeNamedCharset(bytes, charset.trimmed().toString(), text))
        return text;
    if (known)
        *known = false;
    return fromWindows1252(bytes);
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
    m_lineFeeds = m_bytes.contains('\n');
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
    if (!m_lineFeeds) {
        // A file without line feeds ends its lines with a lone carriage return.
        if (const void* cr = std::memchr(start, '\r', static_cast<size_t>(end - m_pos)))
            end = static_cast<const char*>(cr) - data;
    }
    m_pos = end + 1;
    // CR LF, and the CR CR LF some phones write.
    while (end > start - data && data[end - 1] == '\r' && m_lineFeeds)
        --end;
    line = QByteArrayView(start, end - (start - data));
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
        const bool softBreak =
            quotedPrintable && current.endsWith('=') && !next.isEmpty() && !startsOwnLine(next);
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
            m_joined.truncate(HeadBytes); // enough to name the property
        }
    }
    if (joined)
        line.bytes = m_joined;
    if (line.bytes.size() > MaxLineBytes)
        line.overlong = true;
    return true;
}

bool VCardReader::parseProperty(QByteArrayView line, VCardVersion version, VCardProperty& property,
                                ParameterBudget& budget) const {
    const qsizetype colon = findOutsideQuotes(line, ':');
    if (colon <= 0)
        return false;
    QByteArrayView head = line.first(colon);
    const qsizetype firstSemicolon = findOutsideQuotes(head, ';');
    QByteArrayView name = (firstSemicolon < 0 ? head : head.first(firstSemicolon)).trimmed();
    head = firstSemicolon < 0 ? QByteArrayView() : head.sliced(firstSemicolon + 1);
    property = {};
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
        if (!isName(name.first(dot)))
            return false;
        property.group = QString::fromLatin1(name.first(dot));
        name = name.sliced(dot + 1);
    }
    if (!isName(name))
        return false;
    property.name = upperName(name);

    QString charset;
    bool quotedPrintable = false;
    // The parameters one by one: a line of millions of them is walked, never held.
    for (bool more = firstSemicolon >= 0; more;) {
        const qsizetype end = findOutsideQuotes(head, ';');
        const QByteArrayView parameter = (end < 0 ? head : head.first(end)).trimmed();
        more = end >= 0;
        if (more)
            head = head.sliced(end + 1);
        if (parameter.isEmpty())
            continue;
        const qsizetype equals = parameter.indexOf('=');
        const QByteArrayView parameterName =
            equals < 0 ? QByteArrayView() : parameter.first(equals).trimmed();
        const QByteArrayView values = equals < 0 ? parameter : parameter.sliced(equals + 1);
        const bool isCharset = parameterName.compare("CHARSET", Qt::CaseInsensitive) == 0;
        const bool isEncoding = equals < 0
                                    ? isBareEncoding(parameter)
                                    : parameterName.compare("ENCODING", Qt::CaseInsensitive) == 0;
        // How the value is written is always heeded; other parameters only within the limits.
        if (isCharset)
            charset = QString::fromLatin1(values.trimmed()).remove(u'"');
        if (isEncoding && values.trimmed().compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0)
            quotedPrintable = true;
        if (property.parameters.size() >= MaxParameters || budget.left <= 0) {
            ++budget.dropped;
            continue;
        }
        --budget.left;
        VCardParameter p;
        if (equals < 0)
            p.name = isEncoding ? QStringLiteral("ENCODING") : QStringLiteral("TYPE");
        else
            p.name = sharedText(parameterName, true) ? *sharedText(parameterName, true)
                                                     : QString::fromUtf8(parameterName).toUpper();
        for (QByteArrayView rest = values, v; !rest.isNull();) {
            const qsizetype comma = findOutsideQuotes(rest, ',');
            v = (comma < 0 ? rest : rest.first(comma)).trimmed();
            rest = comma < 0 ? QByteArrayView() : rest.sliced(comma + 1);
            if (p.values.size() >= MaxParameters) {
                ++budget.dropped;
                continue;
            }
            if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
                v = v.sliced(1, v.size() - 2);
            const QString* shared = sharedText(v, false);
            QString text = shared ? *shared : QString::fromUtf8(v);
            if (version == VCardVersion::V40)
                text = decodeCarets(std::move(text));
            if (p.name == u"TYPE" && text.contains(u',')) // TYPE="work,voice"
                p.values += text.split(u',', Qt::SkipEmptyParts);
            else
                p.values.append(text);
        }
        property.parameters.append(std::move(p));
    }

    const QByteArrayView raw = line.sliced(colon + 1);
    bool known = true;
    if (quotedPrintable) {
        // The value is decoded here, so its encoding and character set no longer apply.
        property.value = decodeCharset(decodeQuotedPrintable(raw), charset, &known);
        property.value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        property.value.replace(u'\r', u'\n');
        property.parameters.removeIf(
            [](const VCardParameter& p) { return p.name == u"ENCODING" || p.name == u"CHARSET"; });
    } else {
        property.value = decodeCharset(raw, charset, &known);
        property.parameters.removeIf([](const VCardParameter& p) { return p.name == u"CHARSET"; });
    }
    if (!known && !budget.unknownCharsets.contains(charset, Qt::CaseInsensitive))
        budget.unknownCharsets.append(charset);
    return true;
}

namespace {

bool isAgentOpening(const VCardProperty& p) {
    if (p.name != u"AGENT")
        return false;
    const QString value = p.value.trimmed();
    return value.isEmpty() || value.compare(u"BEGIN:VCARD", Qt::CaseInsensitive) == 0;
}

} // namespace

bool VCardReader::readNestedCard(QString& name) {
    int depth = 1;
    bool agentBefore = false; // the line before opened an agent of the agent
    QString family;
    Line line;
    while (depth > 0) {
        const qsizetype lineStart = m_pos;
        if (!nextLogical(line))
            return true;
        if (equalsIgnoringCase(line.bytes, "END:VCARD")) {
            --depth;
            agentBefore = false;
            continue;
        }
        if (equalsIgnoringCase(line.bytes, "BEGIN:VCARD")) {
            if (!agentBefore) {
                m_pos = lineStart; // a new card: the agent and its holder lost their END
                return false;
            }
            ++depth;
            agentBefore = false;
            continue;
        }
        VCardProperty p;
        ParameterBudget budget;
        agentBefore = false;
        if (line.overlong || !parseProperty(line.bytes, VCardVersion::V21, p, budget))
            continue;
        if (depth == 1 && p.name == u"FN" && name.isEmpty())
            name = p.text().trimmed();
        else if (depth == 1 && p.name == u"N" && family.isEmpty())
            family = p.components().join(u' ').simplified();
        if (isAgentOpening(p)) {
            if (!p.value.trimmed().isEmpty())
                ++depth; // AGENT:BEGIN:VCARD opens it on the same line
            else
                agentBefore = true;
        }
    }
    if (name.isEmpty())
        name = family;
    return true;
}

bool VCardReader::next(VCard& card, VCardDamage* damage) {
    VCardDamage local;
    VCardDamage& d = damage ? *damage : local;
    d = {};
    card.version = VCardVersion::V30;
    card.properties.clear(); // keeps its room for the next card
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
    bool agentBefore = false; // the last property was an AGENT whose card follows
    ParameterBudget budget;
    const auto readAgent = [&](VCardProperty& agent) {
        QString name;
        const bool closed = readNestedCard(name);
        agent.value = escapeText(name);
        return closed;
    };
    while (true) {
        const qsizetype lineStart = m_pos;
        if (!nextLogical(line)) {
            d.missingEnd = true;
            break;
        }
        if (line.overlong) {
            agentBefore = false;
            // A photo, sound or key too large to read is left out like any other; a text that
            // long is damage.
            const QString name =
                overlongName(line.bytes.first(std::min(line.bytes.size(), HeadBytes)));
            if (name == u"PHOTO" || name == u"LOGO" || name == u"SOUND" || name == u"KEY")
                d.leftOut.append(name);
            else
                ++d.overlongLines;
            continue;
        }
        if (line.bytes.trimmed().isEmpty())
            continue;
        if (equalsIgnoringCase(line.bytes, "END:VCARD"))
            break;
        if (equalsIgnoringCase(line.bytes, "BEGIN:VCARD")) {
            if (agentBefore) {
                agentBefore = false;
                if (readAgent(card.properties.last()))
                    continue;
                d.missingEnd = true;
                break;
            }
            m_pos = lineStart; // the next card begins: this one has lost its END
            d.missingEnd = true;
            break;
        }
        agentBefore = false;
        VCardProperty property;
        if (!parseProperty(line.bytes, version, property, budget)) {
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
        const bool agent = isAgentOpening(property);
        const bool inline_ = agent && !property.value.trimmed().isEmpty();
        card.properties.append(std::move(property));
        if (inline_) {
            if (!readAgent(card.properties.last())) {
                d.missingEnd = true;
                break;
            }
        } else {
            agentBefore = agent;
        }
    }
    d.droppedParameters = budget.dropped;
    d.unknownCharsets = budget.unknownCharsets;
    return true;
}

} // namespace orvelan
