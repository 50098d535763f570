#include "sync/CardMerge.h"

#include "store/PageEncoding.h"
#include "store/PageViewIndex.h"
#include "store/TabTable.h"

#include <QHash>
#include <QSet>

namespace orvelan {

namespace {

// The first field of every group of fields one property fills.
constexpr int Groups[] = {0, 1, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 23, 24, 25};

QList<int> fieldsOf(int group) {
    if (group == VAddr1 || group == VOrgAddr1) {
        QList<int> fields;
        for (int i = 0; i < AddressLines; ++i)
            fields.append(group + i);
        return fields;
    }
    if (group == VOrganisation)
        return {VOrganisation, VDepartment};
    return {group};
}

// The group of fields a property of a card fills, or -1. FN and N both belong to the name,
// whichever of them gave it.
int groupOf(const CardOnPage& mapped, const VCardProperty& p, qsizetype index) {
    if (p.name == u"FN" || p.name == u"N")
        return VName;
    return mapped.placedIn.value(index, -1);
}

QString comparable(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return trimSpaces(QStringView(t)).toString();
}

// Whether the page still holds what the card gave the field: the whole text, or the text cut
// as the field cuts it (in whichever encoding the page was stored when it was cut).
bool sameAsReceived(int view, const QString& page, const QString& received,
                    const QString& fittedNow) {
    const QString p = comparable(page);
    const QString r = comparable(received);
    if (p == r || p == comparable(fittedNow))
        return true;
    for (const TextEncoding encoding :
         {TextEncoding::Windows1252, TextEncoding::Utf8, TextEncoding::Scsu}) {
        if (p == fittedToField(view, r, encoding))
            return true;
    }
    return false;
}

QString joinedComponents(const QStringList& components) {
    QStringList escaped;
    for (const QString& c : components)
        escaped.append(escapeText(c));
    return escaped.join(u';');
}

bool isOrganisationCard(const VCard& card) {
    if (card.firstText(u"KIND").trimmed().compare(u"org", Qt::CaseInsensitive) == 0 ||
        card.firstText(u"X-ABSHOWAS").trimmed().compare(u"COMPANY", Qt::CaseInsensitive) == 0)
        return true;
    return card.firstText(u"FN").trimmed().isEmpty() && card.first(u"ORG") && !card.first(u"N");
}

// The components of a changed address. The parts of the old address that the page still shows
// as lines of their own keep their places (post office box, extended address, country, and
// the locality line with its region and postal code); the other lines are the street.
QString mergedAddress(const VCardProperty& old, QStringList lines) {
    QStringList c = old.components();
    for (QString& part : c)
        part = part.trimmed();
    while (c.size() < 7)
        c.append(QString());
    QStringList out(7);
    if (!lines.isEmpty() && !c[6].isEmpty() && lines.last() == c[6]) {
        out[6] = c[6];
        lines.removeLast();
    }
    if (!lines.isEmpty() && !(c[3] + c[4] + c[5]).isEmpty()) {
        QString rest = lines.last();
        QStringList place{c[3], c[4], c[5]};
        place.removeAll(QString());
        bool matched = rest == place.join(u' ');
        if (matched) {
            out[3] = c[3];
            out[4] = c[4];
            out[5] = c[5];
        } else {
            // A changed locality line keeps the region and postal code still at its end.
            for (const int k : {5, 4}) {
                if (c[k].isEmpty())
                    continue;
                if (rest == c[k] || rest.endsWith(u' ' + c[k])) {
                    out[k] = c[k];
                    rest.chop(c[k].size());
                    rest = rest.trimmed();
                    matched = true;
                }
            }
            if (matched)
                out[3] = rest;
        }
        if (matched)
            lines.removeLast();
    }
    for (const int k : {0, 1}) {
        if (!lines.isEmpty() && !c[k].isEmpty() && lines.first() == c[k]) {
            out[k] = c[k];
            lines.removeFirst();
        }
    }
    out[2] = lines.join(u'\n');
    return joinedComponents(out);
}

QStringList addressLinesOf(const PageTexts& page, int group) {
    QStringList lines;
    for (int i = 0; i < AddressLines; ++i) {
        const QString line = trimSpaces(QStringView(page[group + i])).toString();
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

class Merge {
public:
    Merge(const PageTexts& page, const VCard& base, const PageCardOptions& options)
        : m_page(page), m_base(base), m_options(options), m_was(pageFromCard(base)) {
        PageTexts received = m_was.texts;
        if (trimSpaces(QStringView(received[VName])).isEmpty())
            received[VName] = nameForUnnamed(received);
        PageTexts fitted = received;
        fitToFields(fitted);
        for (const int group : Groups) {
            for (const int field : fieldsOf(group)) {
                if (!sameAsReceived(field, page[field], received[field], fitted[field])) {
                    m_changed.insert(group);
                    break;
                }
            }
        }
        m_departmentChanged = !sameAsReceived(VDepartment, page[VDepartment], received[VDepartment],
                                              fitted[VDepartment]);

        // The page's groups as a card of their own, to take changed values from.
        PageTexts texts = page;
        texts[VNotes] = notesWithoutExtraLines(page[VNotes], m_was.extraLines);
        PageCardOptions freshOptions;
        freshOptions.version = options.version;
        const VCard fresh = cardFromPage(texts, freshOptions);
        const CardOnPage freshMapped = pageFromCard(fresh);
        for (qsizetype i = 0; i < fresh.properties.size(); ++i) {
            const VCardProperty& p = fresh.properties[i];
            const int group = groupOf(freshMapped, p, i);
            if (group >= 0)
                m_fresh[group].append(p);
        }
    }

    VCard card() const {
        VCard card;
        card.version = m_options.version;
        QSet<int> written;
        for (qsizetype i = 0; i < m_base.properties.size(); ++i) {
            const VCardProperty& p = m_base.properties[i];
            const int group = groupOf(m_was, p, i);
            if (group < 0) {
                if (p.name == u"REV" || p.name == u"PRODID" ||
                    (p.name == u"UID" && !m_options.uid.isEmpty()))
                    continue;
                card.append(p);
            } else if (!m_changed.contains(group)) {
                card.append(p);
            } else if (!written.contains(group)) {
                written.insert(group);
                card.properties += rewritten(group);
            }
        }
        for (const int group : Groups) {
            if (m_changed.contains(group) && !written.contains(group))
                card.properties += rewritten(group);
        }
        dropOrphanLabels(card);
        if (!m_options.uid.isEmpty())
            card.append({{}, QStringLiteral("UID"), {}, m_options.uid});
        if (m_options.revision.isValid())
            card.append(
                {{},
                 QStringLiteral("REV"),
                 {},
                 m_options.revision.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"))});
        card.append({{},
                     QStringLiteral("PRODID"),
                     {},
                     QStringLiteral("-//ORVELAN//Secure Address Book//EN")});
        return card;
    }

private:
    // The properties of a changed group: the page's values in the card's own properties.
    QList<VCardProperty> rewritten(int group) const {
        QList<VCardProperty> sources;
        for (qsizetype i = 0; i < m_base.properties.size(); ++i) {
            if (groupOf(m_was, m_base.properties[i], i) == group)
                sources.append(m_base.properties[i]);
        }
        const auto hasSource = [&](QStringView name) {
            return std::any_of(sources.begin(), sources.end(),
                               [&](const VCardProperty& p) { return p.name == name; });
        };
        QList<bool> taken(sources.size(), false);
        QList<VCardProperty> out;
        for (const VCardProperty& fresh : m_fresh.value(group)) {
            qsizetype k = 0;
            while (k < sources.size() && (taken[k] || sources[k].name != fresh.name))
                ++k;
            if (k == sources.size()) {
                // What the card did without stays so: no label beside its addresses, no
                // person's name on a company's card.
                if (fresh.name == u"LABEL" && hasSource(u"ADR"))
                    continue;
                if (fresh.name == u"N" && isOrganisationCard(m_base))
                    continue;
                out.append(fresh);
                continue;
            }
            taken[k] = true;
            VCardProperty p = sources[k];
            p.value = valueFor(group, sources[k], fresh);
            if (p.name == u"ADR" && p.hasParameter(u"LABEL"))
                p.setParameter(QStringLiteral("LABEL"), fresh.parameterValues(u"LABEL"));
            out.append(p);
        }
        return out;
    }

    QString valueFor(int group, const VCardProperty& old, const VCardProperty& fresh) const {
        if (old.name == u"ADR")
            return mergedAddress(old, addressLinesOf(m_page, group));
        if (old.name == u"TEL" && old.value.startsWith(u"tel:", Qt::CaseInsensitive))
            return QStringLiteral("tel:") + fresh.text().trimmed().replace(u' ', u'-');
        if (old.name == u"N") {
            QStringList parts = old.components();
            while (parts.size() < 5)
                parts.append(QString());
            const QStringList name = fresh.components();
            parts[0] = name.value(0);
            parts[1] = name.value(1);
            // Additional names, prefixes and suffixes stay while the name still shows them.
            for (int k = 2; k < parts.size(); ++k) {
                if (!m_page[VName].contains(parts[k].trimmed()))
                    parts[k].clear();
            }
            return joinedComponents(parts);
        }
        if (old.name == u"ORG") {
            QStringList units = old.components();
            const QString organisation = trimSpaces(QStringView(m_page[VOrganisation])).toString();
            const QString department = trimSpaces(QStringView(m_page[VDepartment])).toString();
            if (m_departmentChanged || units.isEmpty()) {
                units = {organisation};
                if (!department.isEmpty())
                    units.append(department);
            } else {
                units[0] = organisation;
            }
            return joinedComponents(units);
        }
        return fresh.value;
    }

    // Apple-style labels of a group whose property the page removed go with it.
    static void dropOrphanLabels(VCard& card) {
        QSet<QString> groups;
        for (const VCardProperty& p : card.properties) {
            if (!p.group.isEmpty() && p.name != u"X-ABLABEL" && p.name != u"X-ABADR")
                groups.insert(p.group.toLower());
        }
        card.properties.removeIf([&](const VCardProperty& p) {
            return !p.group.isEmpty() && (p.name == u"X-ABLABEL" || p.name == u"X-ABADR") &&
                   !groups.contains(p.group.toLower());
        });
    }

    const PageTexts& m_page;
    const VCard& m_base;
    const PageCardOptions& m_options;
    const CardOnPage m_was;
    QSet<int> m_changed;
    bool m_departmentChanged = false;
    QHash<int, QList<VCardProperty>> m_fresh; // the page's own properties by group
};

} // namespace

QString nameForUnnamed(const PageTexts& texts) {
    for (const int fallback : {VJobTitle, VEmail, VOrgWeb}) {
        const QStringView text = trimSpaces(QStringView(texts[fallback]));
        if (!text.isEmpty())
            return text.toString();
    }
    return QStringLiteral("No Name");
}

QString notesWithoutExtraLines(const QString& notes, const QStringList& extraLines) {
    QStringList lines = notes.split(u'\n');
    for (auto extra = extraLines.crbegin(); extra != extraLines.crend(); ++extra) {
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            if (lines[i].trimmed() == extra->trimmed()) {
                lines.removeAt(i);
                break;
            }
        }
    }
    QString kept = lines.join(u'\n');
    while (kept.endsWith(u'\n') || kept.endsWith(u' '))
        kept.chop(1);
    return kept;
}

VCard mergePageIntoCard(const PageTexts& page, const VCard& base, const PageCardOptions& options) {
    return Merge(page, base, options).card();
}

} // namespace orvelan
