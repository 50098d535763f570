#include "exchange/vcard/VCardWriter.h"

#include <cstring>

namespace orvelan {

namespace {

bool isDroppedParameter(const VCardParameter& p) {
    if (p.name == u"CHARSET")
        return true;
    if (p.name != u"ENCODING")
        return false;
    for (const QString& v : p.values) {
        if (v.compare(u"b", Qt::CaseInsensitive) == 0 ||
            v.compare(u"BASE64", Qt::CaseInsensitive) == 0)
            return false;
    }
    return true; // quoted-printable, 8bit, 7bit: the value is already decoded
}

QString parameterValue(const QString& value, VCardVersion version) {
    QString v = value;
    if (version == VCardVersion::V40) {
        v.replace(u'^', QStringLiteral("^^"));
        v.replace(QStringLiteral("\r\n"), QStringLiteral("^n"));
        v.replace(u'\n', QStringLiteral("^n"));
        v.replace(u'\r', QStringLiteral("^n"));
        v.replace(u'"', QStringLiteral("^'"));
    } else {
        v.replace(u'"', u'\'');
        v.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        v.replace(u'\n', u' ');
        v.replace(u'\r', u' ');
    }
    const bool quote =
        v.contains(u':') || v.contains(u';') || v.contains(u',') || v.contains(u' ') || v.isEmpty();
    return quote ? u'"' + v + u'"' : v;
}

// Base64 data in the form of the version written: ENCODING=b with a TYPE for 2.1 and 3.0, a
// data: URI for 4.0.
VCardProperty binaryFor(const VCardProperty& property, VCardVersion version) {
    VCardProperty p = property;
    const bool isUri = p.value.startsWith(u"data:", Qt::CaseInsensitive);
    if (version == VCardVersion::V40 && !isUri && p.isBinary()) {
        const QStringList types = p.types();
        QString media = p.parameterValues(u"MEDIATYPE").value(0);
        if (media.isEmpty() && !types.isEmpty()) {
            const QString kind = p.name == u"SOUND" ? QStringLiteral("audio/")
                                 : p.name == u"KEY" ? QStringLiteral("application/")
                                                    : QStringLiteral("image/");
            media = kind + types.first().toLower();
        }
        p.setParameter(QStringLiteral("ENCODING"), {});
        p.setParameter(QStringLiteral("TYPE"), {});
        p.value = QStringLiteral("data:") + media + QStringLiteral(";base64,") +
                  QString(p.value).remove(u' ');
    } else if (version != VCardVersion::V40 && isUri && p.isBinary()) {
        const qsizetype comma = p.value.indexOf(u',');
        const QString media = p.value.mid(5, p.value.indexOf(u';') - 5);
        p.value = p.value.mid(comma + 1);
        p.setParameter(QStringLiteral("ENCODING"), {QStringLiteral("b")});
        if (const qsizetype slash = media.indexOf(u'/'); slash >= 0)
            p.setParameter(QStringLiteral("TYPE"), {media.mid(slash + 1).toUpper()});
    } else if (version != VCardVersion::V40 && p.isBinary()) {
        p.setParameter(QStringLiteral("ENCODING"), {QStringLiteral("b")});
    }
    return p;
}

void appendProperty(QByteArray& out, const VCardProperty& property, VCardVersion version) {
    // Only data is written in another form; a text property is written as it is.
    const bool data = property.isBinary();
    const VCardProperty converted = data ? binaryFor(property, version) : VCardProperty();
    const VCardProperty& p = data ? converted : property;
    QString line;
    line.reserve(p.value.size() + 32);
    if (!p.group.isEmpty())
        line += p.group + u'.';
    line += p.name;
    for (const VCardParameter& parameter : p.parameters) {
        if (isDroppedParameter(parameter))
            continue;
        line += u';';
        line += parameter.name;
        if (parameter.values.isEmpty())
            continue;
        line += u'=';
        for (qsizetype i = 0; i < parameter.values.size(); ++i) {
            if (i)
                line += u',';
            line += parameterValue(parameter.values[i], version);
        }
    }
    line += u':';
    if (p.value.contains(u'\n') || p.value.contains(u'\r')) {
        QString value = p.value;
        value.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
        value.replace(u'\n', QStringLiteral("\\n"));
        value.replace(u'\r', QStringLiteral("\\n"));
        line += value;
    } else {
        line += p.value;
    }
    appendFolded(out, line.toUtf8());
}

} // namespace

void appendFolded(QByteArray& out, QByteArrayView line) {
    // Appended by hand: QByteArray's append goes through its general insert, line after line.
    const auto put = [&out](QByteArrayView bytes) {
        const qsizetype at = out.size();
        out.resize(at + bytes.size());
        std::memcpy(out.data() + at, bytes.data(), static_cast<std::size_t>(bytes.size()));
    };
    qsizetype pos = 0;
    qsizetype limit = VCardLineOctets;
    while (line.size() - pos > limit) {
        qsizetype cut = pos + limit;
        // Never inside a character: step back over UTF-8 continuation bytes.
        while (cut > pos + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        put(line.sliced(pos, cut - pos));
        put("\r\n ");
        pos = cut;
        limit = VCardLineOctets - 1; // the leading space counts
    }
    put(line.sliced(pos));
    put("\r\n");
}

void appendVCard(QByteArray& out, const VCard& card, VCardVersion version) {
    out += "BEGIN:VCARD\r\nVERSION:";
    out += versionText(version).toLatin1();
    out += "\r\n";
    for (const VCardProperty& p : card.properties) {
        if (p.name == u"BEGIN" || p.name == u"END" || p.name == u"VERSION")
            continue;
        appendProperty(out, p, version);
    }
    out += "END:VCARD\r\n";
}

QByteArray writeVCard(const VCard& card, VCardVersion version) {
    QByteArray out;
    appendVCard(out, card, version);
    return out;
}

} // namespace orvelan
