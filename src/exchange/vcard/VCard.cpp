#include "exchange/vcard/VCard.h"

namespace orvelan {

QString versionText(VCardVersion version) {
    switch (version) {
    case VCardVersion::V21:
        return QStringLiteral("2.1");
    case VCardVersion::V30:
        return QStringLiteral("3.0");
    case VCardVersion::V40:
        return QStringLiteral("4.0");
    }
    return {};
}

bool parseVersion(QStringView text, VCardVersion& version) {
    const QStringView t = text.trimmed();
    if (t == u"2.1")
        version = VCardVersion::V21;
    else if (t == u"3.0" || t == u"3")
        version = VCardVersion::V30;
    else if (t == u"4.0" || t == u"4")
        version = VCardVersion::V40;
    else
        return false;
    return true;
}

bool VCardProperty::hasParameter(QStringView wanted) const {
    for (const VCardParameter& p : parameters) {
        if (p.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList VCardProperty::parameterValues(QStringView wanted) const {
    QStringList values;
    for (const VCardParameter& p : parameters) {
        if (p.name.compare(wanted, Qt::CaseInsensitive) == 0)
            values += p.values;
    }
    return values;
}

QStringList VCardProperty::types() const {
    QStringList values = parameterValues(u"TYPE");
    for (QString& v : values)
        v = v.trimmed().toUpper();
    return values;
}

bool VCardProperty::hasType(QStringView type) const {
    for (const VCardParameter& p : parameters) {
        if (p.name.compare(u"TYPE", Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& v : p.values) {
            if (QStringView(v).trimmed().compare(type, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

void VCardProperty::setParameter(const QString& name, const QStringList& values) {
    parameters.removeIf(
        [&](const VCardParameter& p) { return p.name.compare(name, Qt::CaseInsensitive) == 0; });
    if (!values.isEmpty())
        parameters.append({name.toUpper(), values});
}

QString VCardProperty::text() const {
    return value.contains(u'\\') ? unescapeText(value) : value;
}

QStringList VCardProperty::components() const {
    QStringList parts = splitEscaped(value, u';');
    for (QString& part : parts) {
        if (part.contains(u'\\'))
            part = unescapeText(part);
    }
    return parts;
}

QStringList VCardProperty::listValues() const {
    QStringList parts = splitEscaped(value, u',');
    for (QString& part : parts)
        part = (part.contains(u'\\') ? unescapeText(part) : part).trimmed();
    parts.removeAll(QString());
    return parts;
}

bool VCardProperty::isBinary() const {
    for (const VCardParameter& p : parameters) {
        if (p.name.compare(u"ENCODING", Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& encoding : p.values) {
            if (encoding.compare(u"b", Qt::CaseInsensitive) == 0 ||
                encoding.compare(u"BASE64", Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return value.startsWith(u"data:", Qt::CaseInsensitive) && value.contains(u";base64,");
}

const VCardProperty* VCard::first(QStringView name) const {
    for (const VCardProperty& p : properties) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

QString VCard::firstText(QStringView name) const {
    const VCardProperty* p = first(name);
    return p ? p->text() : QString();
}

void VCard::appendText(const QString& name, const QString& text, const QStringList& types) {
    VCardProperty p{{}, name, {}, escapeText(text)};
    if (!types.isEmpty())
        p.parameters.append({QStringLiteral("TYPE"), types});
    properties.append(std::move(p));
}

void VCard::appendStructured(const QString& name, const QStringList& components,
                             const QStringList& types) {
    QString value;
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (i)
            value += u';';
        value += escapeText(components[i]);
    }
    VCardProperty p{{}, name, {}, value};
    if (!types.isEmpty())
        p.parameters.append({QStringLiteral("TYPE"), types});
    properties.append(std::move(p));
}

void VCard::removeAll(QStringView name) {
    properties.removeIf([&](const VCardProperty& p) { return p.name == name; });
}

QString escapeText(QStringView text) {
    // Most texts hold nothing to escape: they are copied whole, and the rest from the first
    // character that needs it.
    qsizetype plain = 0;
    while (plain < text.size() && text[plain] != u'\\' && text[plain] != u',' &&
           text[plain] != u';' && text[plain] != u'\r' && text[plain] != u'\n')
        ++plain;
    if (plain == text.size())
        return text.toString();
    QString out;
    out.reserve(text.size() + 8);
    out.append(text.first(plain));
    for (qsizetype i = plain; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u',':
            out += QStringLiteral("\\,");
            break;
        case u';':
            out += QStringLiteral("\\;");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += QStringLiteral("\\n");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapeText(QStringView value) {
    if (!value.contains(u'\\'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == u'n' || next == u'N')
            out += u'\n';
        else
            out += next;
    }
    return out;
}

QStringList splitEscaped(QStringView value, QChar separator) {
    QStringList parts;
    parts.reserve(value.count(separator) + 1);
    forEachEscapedPart(value, separator, [&](QStringView part) { parts.append(part.toString()); });
    return parts;
}

} // namespace orvelan
