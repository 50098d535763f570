#include "exchange/vcard/VCardMapping.h"

#include "store/HiddenCharacters.h"
#include "store/PageEncoding.h"
#include "store/PageViewIndex.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <QTimeZone>

#include <nettle/sha1.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

// Properties that hold nothing a person reads: they are neither placed nor noted.
bool isTechnical(const QString& name) {
    static const QStringList names = {
        QStringLiteral("PRODID"),
        QStringLiteral("UID"),
        QStringLiteral("REV"),
        QStringLiteral("CLASS"),
        QStringLiteral("NAME"),
        QStringLiteral("PROFILE"),
        QStringLiteral("SOURCE"),
        QStringLiteral("KIND"),
        QStringLiteral("CLIENTPIDMAP"),
        QStringLiteral("XML"),
        QStringLiteral("MAILER"),
        QStringLiteral("X-ABLABEL"),
        QStringLiteral("X-ABUID"),
        QStringLiteral("X-ABSHOWAS"),
        QStringLiteral("X-EVOLUTION-FILE-AS"),
        QStringLiteral("X-MOZILLA-HTML"),
        QStringLiteral("X-ABADR"),
        QStringLiteral("X-MS-OL-DEFAULT-POSTAL-ADDRESS"),
    };
    return names.contains(name);
}

// A reading of the name (a phone's SOUND;X-IRMC-N) rather than a sound.
bool isPhoneticName(const VCardProperty& p) {
    return p.name == u"SOUND"_s && (p.hasType(u"X-IRMC-N") || p.hasParameter(u"X-IRMC-N"));
}

// Properties that carry a program's layout or private data rather than the contact's facts.
bool isProgramData(const VCardProperty& p) {
    static const QStringList names = {
        QStringLiteral("X-MS-OL-DESIGN"),
        QStringLiteral("X-MS-CARDPICTURE"),
    };
    if (names.contains(p.name))
        return true;
    const QStringView value = QStringView(p.value).trimmed();
    return p.name.startsWith(u"X-") && (value.startsWith(u"<?xml", Qt::CaseInsensitive) ||
                                        value.startsWith(u"<card ", Qt::CaseInsensitive));
}

bool isDataProperty(const VCardProperty& p) {
    if (isPhoneticName(p))
        return false;
    return p.name == u"PHOTO"_s || p.name == u"LOGO"_s || p.name == u"SOUND"_s ||
           p.name == u"KEY"_s || p.isBinary() || isProgramData(p);
}

QString groupLabel(const VCard& card, const QString& group);

enum class PhoneKind { Home, Work, Cell, Fax, Pager, Other };

// What the words of a number's types and label say of it.
struct PhoneWords {
    bool fax = false, pager = false, cell = false, work = false, home = false, other = false;

    // One word: a standard type or an Apple label word ("iPhone", "HomeFAX"), else a label of
    // the number's own (X-BOAT, "Boat", "Summer house"), which says Other.
    void see(QStringView word) {
        const auto is = [&](const char* known) {
            return word.compare(QLatin1StringView(known), Qt::CaseInsensitive) == 0;
        };
        if (word.isEmpty())
            return;
        if (is("IPHONE") || is("CELL") || is("MOBILE")) {
            cell = true;
        } else if (is("FAX")) {
            fax = true;
        } else if (word.size() > 3 && word.endsWith(u"FAX", Qt::CaseInsensitive)) {
            fax = true;
            see(word.chopped(3));
        } else if (is("PAGER")) {
            pager = true;
        } else if (is("WORK")) {
            work = true;
        } else if (is("HOME")) {
            home = true;
        } else if (!(is("MAIN") || is("VOICE") || is("PREF") || is("MSG") || is("TEXT") ||
                     is("INTERNET"))) {
            other = true; // OTHER, CAR, ISDN, MODEM, BBS, VIDEO, PCS, TEXTPHONE, or its own
        }
    }
};

// The kind of a number by its standard types, or by the label of its group ("mobile", "work
// fax" ...). Words no standard knows (X-USELESS) do not decide the field beside a standard kind
// (HOME); a number with a label of its own and no standard kind is Other, so it is noted with
// its label ("Phone (Boat): ...") rather than filed as a home number without it.
PhoneKind phoneKind(const VCardProperty& p, const QString& label) {
    PhoneWords words;
    for (const VCardParameter& parameter : p.parameters) {
        if (parameter.name.compare(u"TYPE", Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& value : parameter.values)
            words.see(QStringView(value).trimmed());
    }
    for (const QStringView word : QStringView(label).tokenize(u' ', Qt::SkipEmptyParts))
        words.see(word);
    if (words.fax)
        return PhoneKind::Fax;
    if (words.pager)
        return PhoneKind::Pager;
    if (words.cell)
        return PhoneKind::Cell;
    if (words.work)
        return PhoneKind::Work;
    return words.other && !words.home ? PhoneKind::Other : PhoneKind::Home;
}

QString oneLine(QString text) {
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return std::move(text).trimmed();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(QStringLiteral(", "));
}

QString phoneNumber(const VCardProperty& p) {
    QString text = p.text().trimmed();
    if (text.startsWith(u"tel:", Qt::CaseInsensitive))
        text = text.mid(4);
    return oneLine(text);
}

// The address lines of an ADR: post office box, extended address, street lines, then locality,
// region and postal code on one line, then the country.
QStringList addressLines(const VCardProperty& adr) {
    // The parts read where they stand in the value (split at each ';' no backslash escapes, as
    // components() splits it); a part is unescaped into a text of its own only when it holds
    // an escape.
    constexpr int Parts = 7;
    std::array<QStringView, Parts> parts{};
    std::array<QString, Parts> unescaped;
    int count = 0;
    const QStringView value(adr.value);
    const auto take = [&](QStringView part) {
        if (count == Parts)
            return;
        if (part.contains(u'\\')) {
            unescaped[count] = unescapeText(part);
            part = unescaped[count];
        }
        parts[count++] = part.trimmed();
    };
    forEachEscapedPart(value, u';', take);
    QStringList lines;
    lines.reserve(9);
    for (int i : {0, 1, 2}) {
        for (QStringView rest = parts[i];;) {
            const qsizetype lineEnd = rest.indexOf(u'\n');
            const QStringView line = (lineEnd < 0 ? rest : rest.first(lineEnd)).trimmed();
            if (!line.isEmpty())
                lines.append(line.toString());
            if (lineEnd < 0)
                break;
            rest = rest.sliced(lineEnd + 1);
        }
    }
    QString place;
    for (int i : {3, 4, 5}) {
        if (parts[i].isEmpty())
            continue;
        if (!place.isEmpty())
            place += u' ';
        place += parts[i];
    }
    if (!place.isEmpty())
        lines.append(place);
    if (!parts[6].isEmpty())
        lines.append(parts[6].toString());
    return lines;
}

// The lines of a label: its empty lines inside are kept, so each line keeps its place.
QStringList labelLines(const QString& label) {
    if (label.isEmpty())
        return {};
    QString text = label;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    return lines;
}

// Whether `part` stands in `text` as whole words (both folded to one case and one spacing).
bool holdsWords(const QString& text, const QString& part) {
    if (part.isEmpty())
        return true;
    for (qsizetype at = text.indexOf(part); at >= 0; at = text.indexOf(part, at + 1)) {
        const qsizetype end = at + part.size();
        const bool startsWord = at == 0 || !text[at - 1].isLetterOrNumber();
        const bool endsWord = end == text.size() || !text[end].isLetterOrNumber();
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

// The lines of a label with every part of its ADR the label lacks added: the post office box,
// extended address and street lines, then the place and the country.
QStringList labelWithAddress(const QStringList& label, const VCardProperty& adr) {
    const QString text = label.join(u' ').simplified().toCaseFolded();
    const auto missing = [&](const QString& part) {
        return !holdsWords(text, part.simplified().toCaseFolded());
    };
    const QStringList parts = adr.components();
    QStringList lines = label;
    for (int i : {0, 1, 2}) {
        for (const QString& line : parts.value(i).split(u'\n')) {
            if (!line.trimmed().isEmpty() && missing(line))
                lines.append(line.trimmed());
        }
    }
    QStringList place;
    for (int i : {3, 4, 5}) {
        if (missing(parts.value(i)))
            place.append(parts.value(i).trimmed());
    }
    place.removeAll(QString());
    if (!place.isEmpty())
        lines.append(place.join(u' '));
    if (missing(parts.value(6)))
        lines.append(parts.value(6).trimmed());
    return lines;
}

void placeAddress(PageTexts& texts, int firstView, QStringList lines) {
    if (lines.size() > AddressLines) {
        const QStringList rest = lines.mid(AddressLines - 1);
        lines = lines.first(AddressLines - 1);
        QStringList tail = rest;
        tail.removeAll(QString());
        lines.append(tail.join(QStringLiteral(", ")));
    }
    for (int i = 0; i < AddressLines; ++i)
        texts[firstView + i] = lines.value(i);
}

QString readableDate(const QString& value) {
    // 19800412 reads better as 1980-04-12; --0412 (no year) as --04-12.
    const QString v = value.trimmed();
    if (v.size() == 8 && std::all_of(v.begin(), v.end(), [](QChar c) { return c.isDigit(); }))
        return v.left(4) + u'-' + v.mid(4, 2) + u'-' + v.mid(6, 2);
    if (v.size() == 6 && v.startsWith(u"--"))
        return v.left(4) + u'-' + v.mid(4, 2);
    return v;
}

QString labelOf(const VCardProperty& p, const QString& groupLabel) {
    static const QList<std::pair<QString, QString>> labels = {
        {QStringLiteral("TEL"), QStringLiteral("Phone")},
        {QStringLiteral("EMAIL"), QStringLiteral("E-mail")},
        {QStringLiteral("ADR"), QStringLiteral("Address")},
        {QStringLiteral("LABEL"), QStringLiteral("Address")},
        {QStringLiteral("BDAY"), QStringLiteral("Birthday")},
        {QStringLiteral("ANNIVERSARY"), QStringLiteral("Anniversary")},
        {QStringLiteral("X-ANNIVERSARY"), QStringLiteral("Anniversary")},
        {QStringLiteral("NICKNAME"), QStringLiteral("Nickname")},
        {QStringLiteral("IMPP"), QStringLiteral("Instant messaging")},
        {QStringLiteral("URL"), QStringLiteral("Web")},
        {QStringLiteral("TITLE"), QStringLiteral("Job title")},
        {QStringLiteral("ROLE"), QStringLiteral("Role")},
        {QStringLiteral("ORG"), QStringLiteral("Organisation")},
        {QStringLiteral("N"), QStringLiteral("Name")},
        {QStringLiteral("FN"), QStringLiteral("Name")},
        {QStringLiteral("GEO"), QStringLiteral("Location")},
        {QStringLiteral("TZ"), QStringLiteral("Time zone")},
        {QStringLiteral("GENDER"), QStringLiteral("Gender")},
        {QStringLiteral("LANG"), QStringLiteral("Language")},
        {QStringLiteral("RELATED"), QStringLiteral("Related")},
        {QStringLiteral("MEMBER"), QStringLiteral("Member")},
        {QStringLiteral("X-SPOUSE"), QStringLiteral("Spouse")},
        {QStringLiteral("X-ASSISTANT"), QStringLiteral("Assistant")},
        {QStringLiteral("X-MANAGER"), QStringLiteral("Manager")},
        {QStringLiteral("X-ABRELATEDNAMES"), QStringLiteral("Related")},
        {QStringLiteral("X-ABDATE"), QStringLiteral("Date")},
        {QStringLiteral("X-SOCIALPROFILE"), QStringLiteral("Social profile")},
        {QStringLiteral("X-PHONETIC-FIRST-NAME"), QStringLiteral("Phonetic first name")},
        {QStringLiteral("X-PHONETIC-LAST-NAME"), QStringLiteral("Phonetic last name")},
        {QStringLiteral("X-PHONETIC-MIDDLE-NAME"), QStringLiteral("Phonetic middle name")},
        {QStringLiteral("X-PHONETIC-ORG"), QStringLiteral("Phonetic organisation")},
        {QStringLiteral("SOUND"), QStringLiteral("Phonetic name")},
        {QStringLiteral("SORT-STRING"), QStringLiteral("Sort as")},
        {QStringLiteral("X-MS-MANAGER"), QStringLiteral("Manager")},
        {QStringLiteral("X-MS-ASSISTANT"), QStringLiteral("Assistant")},
        {QStringLiteral("X-MS-SPOUSE"), QStringLiteral("Spouse")},
        {QStringLiteral("X-MS-CHILD"), QStringLiteral("Child")},
        {QStringLiteral("FBURL"), QStringLiteral("Free/busy")},
    };
    QString label;
    for (const auto& [name, text] : labels) {
        if (name == p.name) {
            label = text;
            break;
        }
    }
    if (label.isEmpty()) {
        QString name = p.name;
        if (name.startsWith(u"X-"))
            name = name.mid(2);
        label = name.left(1) + name.mid(1).toLower();
    }
    QStringList kinds;
    if (!groupLabel.isEmpty()) {
        kinds.append(groupLabel);
    } else {
        for (const QString& t : p.types()) {
            if (t != u"PREF"_s && t != u"INTERNET"_s && t != u"VOICE"_s && t != u"X400"_s &&
                t != u"X-IRMC-N"_s)
                kinds.append(t.startsWith(u"X-") ? t.mid(2).toLower() : t.toLower());
        }
    }
    return kinds.isEmpty() ? label : label + QStringLiteral(" (") + kinds.join(u", ") + u')';
}

QString readableValue(const VCardProperty& p) {
    if (p.name == u"ADR"_s)
        return addressLines(p).join(QStringLiteral(", "));
    if (p.name == u"BDAY"_s || p.name == u"ANNIVERSARY"_s || p.name == u"X-ANNIVERSARY"_s)
        return readableDate(p.text());
    if (isPhoneticName(p)) {
        QStringList parts = p.components();
        for (QString& part : parts)
            part = oneLine(part);
        parts.removeAll(QString());
        return parts.join(u' ');
    }
    if (p.name == u"N"_s || p.name == u"ORG"_s || p.name == u"GEO"_s || p.name.startsWith(u"X-")) {
        QStringList parts = p.components();
        for (QString& part : parts)
            part = oneLine(part);
        parts.removeAll(QString());
        return parts.join(QStringLiteral(", "));
    }
    if (p.name == u"NICKNAME"_s || p.name == u"CATEGORIES"_s)
        return p.listValues().join(QStringLiteral(", "));
    QString text = p.text().trimmed();
    if (p.name == u"TEL"_s)
        return phoneNumber(p);
    return oneLine(text);
}

// The label Apple-style cards give a group ("item1.X-ABLabel:_$!<Mobile>!$_" gives "mobile").
QString groupLabel(const VCard& card, const QString& group) {
    if (group.isEmpty())
        return {};
    for (const VCardProperty& p : card.properties) {
        if (p.group == group && p.name == u"X-ABLABEL"_s) {
            QString text = p.text().trimmed();
            if (text.startsWith(u"_$!<") && text.endsWith(u">!$_"))
                text = text.mid(4, text.size() - 8).toLower();
            return text;
        }
    }
    return {};
}

// The LABEL of an ADR: its LABEL parameter (4.0), or a LABEL property of the same group or,
// failing that, of the same home or work type.
qsizetype pairedLabel(const VCard& card, const VCardProperty& adr, QString& text,
                      const QList<bool>& used) {
    const QStringList parameter = adr.parameterValues(u"LABEL");
    if (!parameter.isEmpty()) {
        text = unescapeText(parameter.join(u','));
        return -1;
    }
    const bool work = adr.hasType(u"WORK");
    qsizetype byType = -1;
    for (qsizetype i = 0; i < card.properties.size(); ++i) {
        const VCardProperty& p = card.properties[i];
        if (p.name != u"LABEL"_s || used[i])
            continue;
        if (!adr.group.isEmpty() && p.group == adr.group) {
            text = p.text();
            return i;
        }
        if (byType < 0 && p.hasType(u"WORK") == work && p.hasType(u"HOME") == adr.hasType(u"HOME"))
            byType = i;
    }
    if (byType >= 0)
        text = card.properties[byType].text();
    return byType;
}

} // namespace

CardOnPage pageFromCard(const VCard& card) {
    CardOnPage page;
    PageTexts& texts = page.texts;
    const QList<VCardProperty>& props = card.properties;
    QList<bool> used(props.size(), false);
    page.placedIn = QList<int>(props.size(), -1);
    page.inFields.reserve(props.size());
    const auto take = [&](qsizetype i, int view) {
        used[i] = true;
        page.inFields.append(i);
        page.placedIn[i] = view;
    };

    // Name: FN, else N, else the organisation.
    QStringList notes;
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name == u"FN"_s && texts[VName].isEmpty() && !oneLine(p.text()).isEmpty()) {
            texts[VName] = oneLine(p.text());
            take(i, VName);
        } else if (p.name == u"NOTE"_s) {
            notes.append(p.text().trimmed());
            take(i, VNotes);
        }
    }
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name != u"N"_s)
            continue;
        used[i] = true; // N decides nothing but the name, and only without FN
        if (!texts[VName].isEmpty())
            continue;
        const QStringList parts = p.components();
        const QString family = oneLine(parts.value(0));
        QStringList given;
        for (int k : {1, 2})
            given.append(oneLine(parts.value(k)));
        given.removeAll(QString());
        if (!family.isEmpty() && !given.isEmpty())
            texts[VName] = family + QStringLiteral(", ") + given.join(u' ');
        else
            texts[VName] = family.isEmpty() ? given.join(u' ') : family;
        if (!texts[VName].isEmpty()) {
            page.inFields.append(i);
            page.placedIn[i] = VName;
        }
    }

    // Addresses: the first home (or untyped) and the first work ADR, or a LABEL alone.
    bool home = false;
    bool work = false;
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name != u"ADR"_s)
            continue;
        const bool isWork = p.hasType(u"WORK");
        const bool isHome = p.hasType(u"HOME") || (!isWork && !p.hasType(u"OTHER"));
        if ((isWork && work) || (!isWork && (!isHome || home)))
            continue;
        QString label;
        const qsizetype labelIndex = pairedLabel(card, p, label, used);
        QStringList lines = labelLines(label);
        lines = lines.isEmpty() ? addressLines(p) : labelWithAddress(lines, p);
        if (lines.isEmpty())
            continue;
        placeAddress(texts, isWork ? VOrgAddr1 : VAddr1, lines);
        take(i, isWork ? VOrgAddr1 : VAddr1);
        if (labelIndex >= 0)
            take(labelIndex, isWork ? VOrgAddr1 : VAddr1);
        (isWork ? work : home) = true;
    }
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name != u"LABEL"_s || used[i])
            continue;
        const bool isWork = p.hasType(u"WORK");
        if ((isWork && work) || (!isWork && home))
            continue;
        const QStringList lines = labelLines(p.text());
        if (lines.isEmpty())
            continue;
        placeAddress(texts, isWork ? VOrgAddr1 : VAddr1, lines);
        take(i, isWork ? VOrgAddr1 : VAddr1);
        (isWork ? work : home) = true;
    }

    // Telephone numbers: the first of each kind.
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name != u"TEL"_s || phoneNumber(p).isEmpty())
            continue;
        int view = -1;
        switch (phoneKind(p, groupLabel(card, p.group))) {
        case PhoneKind::Home:
            view = VPhone1;
            break;
        case PhoneKind::Work:
            view = VPhone2;
            break;
        case PhoneKind::Cell:
            view = VMobile;
            break;
        case PhoneKind::Fax:
            view = VFax;
            break;
        case PhoneKind::Pager:
            view = VPager;
            break;
        case PhoneKind::Other:
            break;
        }
        if (view >= 0 && texts[view].isEmpty()) {
            texts[view] = phoneNumber(p);
            take(i, view);
        }
    }

    // E-mail: the first work address, and the home address or else the first other one.
    const auto placeEmail = [&](int view, const auto& wanted) {
        for (qsizetype i = 0; i < props.size() && texts[view].isEmpty(); ++i) {
            const VCardProperty& p = props[i];
            if (p.name == u"EMAIL"_s && !used[i] && wanted(p) && !oneLine(p.text()).isEmpty()) {
                texts[view] = oneLine(p.text());
                take(i, view);
            }
        }
    };
    placeEmail(VOrgEmail, [](const VCardProperty& p) { return p.hasType(u"WORK"); });
    placeEmail(VEmail, [](const VCardProperty& p) { return p.hasType(u"HOME"); });
    placeEmail(VEmail, [](const VCardProperty& p) { return !p.hasType(u"WORK"); });

    // Organisation, job title, web address, group.
    QStringList groups;
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (p.name == u"ORG"_s && texts[VOrganisation].isEmpty() && texts[VDepartment].isEmpty()) {
            const QStringList units = p.components();
            texts[VOrganisation] = oneLine(units.value(0));
            QStringList rest = units.mid(1);
            for (QString& unit : rest)
                unit = oneLine(unit);
            rest.removeAll(QString());
            texts[VDepartment] = rest.join(QStringLiteral(", "));
            take(i, VOrganisation);
        } else if (p.name == u"TITLE"_s && texts[VJobTitle].isEmpty()) {
            texts[VJobTitle] = oneLine(p.text());
            take(i, VJobTitle);
        } else if (p.name == u"URL"_s && texts[VOrgWeb].isEmpty()) {
            texts[VOrgWeb] = oneLine(p.text());
            take(i, VOrgWeb);
        } else if (p.name == u"CATEGORIES"_s) {
            groups += p.listValues();
            take(i, VGroup);
        }
    }
    groups.removeDuplicates();
    texts[VGroup] = groups.join(QStringLiteral(", "));
    if (texts[VName].isEmpty())
        texts[VName] = texts[VOrganisation];

    // Everything else is noted, so nothing is lost; data is left out and named.
    for (qsizetype i = 0; i < props.size(); ++i) {
        const VCardProperty& p = props[i];
        if (used[i] || isTechnical(p.name) || p.name == u"FN"_s)
            continue;
        if (isDataProperty(p)) {
            page.leftOut.append(p.name);
            continue;
        }
        const QString value = readableValue(p);
        if (!value.isEmpty())
            page.extraLines.append(labelOf(p, groupLabel(card, p.group)) + QStringLiteral(": ") +
                                   value);
    }
    notes.removeAll(QString());
    notes += page.extraLines;
    texts[VNotes] = notes.join(u'\n');
    for (int i = 0; i < ViewFieldCount; ++i)
        page.hiddenRemoved += removeHiddenCharacters(texts[i], i == VNotes);
    return page;
}

QStringList structuredName(const QString& name) {
    const QString n = name.trimmed();
    if (const qsizetype comma = n.indexOf(u','); comma >= 0)
        return {n.left(comma).trimmed(), n.mid(comma + 1).trimmed()};
    // Without a comma no rule tells the family name ("Dr. Anna Schmidt", "Nguyen Van An"): the
    // whole name is the given name.
    return {QString(), n};
}

VCard cardFromPage(const PageTexts& texts, const PageCardOptions& options, const VCard* base) {
    const bool v4 = options.version == VCardVersion::V40;
    const auto type = [v4](const char* text) {
        return v4 ? QString::fromLatin1(text).toLower() : QString::fromLatin1(text);
    };
    VCard card;
    card.version = options.version;
    card.properties.reserve(16 + (base ? base->properties.size() : 0));

    // What the base card keeps: every property no page field holds.
    QList<VCardProperty> kept;
    QString notes = texts[VNotes];
    QString baseFamilyName;
    if (base) {
        const CardOnPage mapped = pageFromCard(*base);
        QStringList droppedGroups;
        for (qsizetype i = 0; i < base->properties.size(); ++i) {
            const VCardProperty& p = base->properties[i];
            if (mapped.inFields.contains(i)) {
                if (!p.group.isEmpty())
                    droppedGroups.append(p.group);
                continue;
            }
            if (p.name == u"FN"_s || p.name == u"REV"_s || p.name == u"PRODID"_s ||
                (p.name == u"UID"_s && !options.uid.isEmpty()))
                continue;
            if (p.name == u"N"_s) {
                if (base->firstText(u"FN").trimmed() == texts[VName].trimmed())
                    baseFamilyName = p.value;
                continue;
            }
            kept.append(p);
        }
        kept.removeIf([&](const VCardProperty& p) {
            return p.name == u"X-ABLABEL"_s && droppedGroups.contains(p.group);
        });
        // The lines the kept properties put into Notes go back into those properties only.
        const QString extra = mapped.extraLines.join(u'\n');
        if (!extra.isEmpty() && notes.endsWith(extra)) {
            notes.chop(extra.size());
            while (notes.endsWith(u'\n'))
                notes.chop(1);
        }
    }

    const QString name = texts[VName].trimmed();
    card.appendText(QStringLiteral("FN"), name);
    if (!baseFamilyName.isEmpty()) {
        card.append({{}, QStringLiteral("N"), {}, baseFamilyName});
    } else {
        const QStringList n = structuredName(name);
        card.appendStructured(QStringLiteral("N"), {n.value(0), n.value(1), {}, {}, {}});
    }

    const auto address = [&](int firstView, const char* kind) {
        QStringList lines;
        for (int i = 0; i < AddressLines; ++i)
            lines.append(texts[firstView + i].trimmed());
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        if (lines.isEmpty())
            return;
        QStringList street = lines;
        street.removeAll(QString());
        const QString label = lines.join(u'\n');
        card.appendStructured(QStringLiteral("ADR"), {{}, {}, street.join(u'\n'), {}, {}, {}, {}},
                              {type(kind)});
        if (v4) // newlines written as \n, as in the examples of the format
            card.properties.last().parameters.append(
                {QStringLiteral("LABEL"),
                 {QString(label)
                      .replace(u'\\', QStringLiteral("\\\\"))
                      .replace(u'\n', QStringLiteral("\\n"))}});
        else
            card.appendText(QStringLiteral("LABEL"), label, {type(kind)});
    };
    address(VAddr1, "HOME");
    address(VOrgAddr1, "WORK");

    const auto phone = [&](int view, QStringList kinds) {
        if (texts[view].trimmed().isEmpty())
            return;
        for (QString& k : kinds)
            k = type(k.toLatin1().constData());
        card.appendText(QStringLiteral("TEL"), texts[view].trimmed(), kinds);
    };
    phone(VPhone1, {QStringLiteral("HOME"), QStringLiteral("VOICE")});
    phone(VPhone2, {QStringLiteral("WORK"), QStringLiteral("VOICE")});
    phone(VMobile, {QStringLiteral("CELL")});
    phone(VFax, {QStringLiteral("FAX")});
    phone(VPager, {QStringLiteral("PAGER")});

    const auto email = [&](int view, const char* kind) {
        if (texts[view].trimmed().isEmpty())
            return;
        QStringList kinds{type(kind)};
        if (!v4)
            kinds.prepend(QStringLiteral("INTERNET"));
        card.appendText(QStringLiteral("EMAIL"), texts[view].trimmed(), kinds);
    };
    email(VEmail, "HOME");
    email(VOrgEmail, "WORK");

    const QString organisation = texts[VOrganisation].trimmed();
    const QString department = texts[VDepartment].trimmed();
    if (!department.isEmpty())
        card.appendStructured(QStringLiteral("ORG"), {organisation, department});
    else if (!organisation.isEmpty())
        card.appendStructured(QStringLiteral("ORG"), {organisation});
    const auto text = [&](const char* property, int view) {
        if (!texts[view].trimmed().isEmpty())
            card.appendText(QString::fromLatin1(property), texts[view].trimmed());
    };
    text("TITLE", VJobTitle);
    text("URL", VOrgWeb);
    QStringList categories;
    for (const QString& group : texts[VGroup].split(u',')) {
        if (!group.trimmed().isEmpty())
            categories.append(escapeText(group.trimmed()));
    }
    if (!categories.isEmpty())
        card.append({{}, QStringLiteral("CATEGORIES"), {}, categories.join(u',')});
    if (!notes.trimmed().isEmpty())
        card.appendText(QStringLiteral("NOTE"), notes);

    card.properties += kept;
    if (!options.uid.isEmpty())
        card.append({{}, QStringLiteral("UID"), {}, options.uid});
    if (options.revision.isValid()) {
        card.append({{}, QStringLiteral("REV"), {}, revisionText(options.revision)});
    }
    card.append(
        {{}, QStringLiteral("PRODID"), {}, QStringLiteral("-//ORVELAN//Secure Address Book//EN")});
    return card;
}

QString revisionText(const QDateTime& revision) {
    // Written digit by digit: a date format goes through the locale on every card.
    const QDateTime utc = revision.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    char stamp[16];
    const auto put = [&stamp](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            stamp[at + i] = static_cast<char>('0' + value % 10);
    };
    put(0, day.year(), 4);
    put(4, day.month(), 2);
    put(6, day.day(), 2);
    stamp[8] = 'T';
    put(9, time.hour(), 2);
    put(11, time.minute(), 2);
    put(13, time.second(), 2);
    stamp[15] = 'Z';
    return QString::fromLatin1(stamp, sizeof stamp);
}

QDateTime pageRevision(QStringView date, QStringView time) {
    const QDate day = QDate::fromString(date.trimmed().toString(), QStringLiteral("dd/MM/yy"));
    if (!day.isValid())
        return {};
    QTime clock = QTime::fromString(time.trimmed().toString(), QStringLiteral("HH:mm"));
    if (!clock.isValid())
        clock = QTime(0, 0);
    // Two-digit years: 70..99 are the last century, the rest this one.
    const int year = day.year() % 100;
    const QDate full(year >= 70 ? 1900 + year : 2000 + year, day.month(), day.day());
    // The zone is read once: converting through the C library looks it up on every call.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return QDateTime(full, clock, zone);
}

QString derivedUid(QStringView seed) {
    return QString::fromLatin1(CardUids().uid(seed));
}

QByteArrayView CardUids::uid(QStringView seed, int occurrence) {
    if (std::all_of(seed.begin(), seed.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        m_utf8.resize(seed.size());
        for (qsizetype i = 0; i < seed.size(); ++i)
            m_utf8[i] = static_cast<char>(seed[i].unicode());
    } else {
        m_utf8 = seed.toUtf8();
    }
    return uid(QByteArrayView(m_utf8), occurrence);
}

QByteArrayView CardUids::uid(QByteArrayView utf8Seed, int occurrence) {
    // A name-based (version 5) UUID: SHA-1 of the namespace and the seed in UTF-8.
    static constexpr char space[16] = {'\x6f', '\x7c', '\x2a', '\x52', '\x3e', '\x0b',
                                       '\x4d', '\x6e', '\x9a', '\x51', '\x0b', '\x5e',
                                       '\x8f', '\x4a', '\x1c', '\x3d'};
    // The hash of the namespace alone, taken once and copied for each seed.
    static const sha1_ctx afterSpace = [] {
        sha1_ctx start;
        sha1_init(&start);
        sha1_update(&start, sizeof space, reinterpret_cast<const std::uint8_t*>(space));
        return start;
    }();
    sha1_ctx sha1 = afterSpace;
    sha1_update(&sha1, static_cast<std::size_t>(utf8Seed.size()),
                reinterpret_cast<const std::uint8_t*>(utf8Seed.data()));
    if (occurrence != 1) {
        char number[16];
        const int length = std::snprintf(number, sizeof number, "#%d", occurrence);
        sha1_update(&sha1, static_cast<std::size_t>(length),
                    reinterpret_cast<const std::uint8_t*>(number));
    }
    unsigned char bytes[SHA1_DIGEST_SIZE];
    sha1_digest(&sha1, sizeof bytes, bytes);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x50);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    static constexpr char hex[] = "0123456789abcdef";
    std::memcpy(m_uid, "urn:uuid:", 9);
    char* at = m_uid + 9;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *at++ = '-';
        *at++ = hex[bytes[i] >> 4];
        *at++ = hex[bytes[i] & 0x0F];
    }
    return QByteArrayView(m_uid, sizeof m_uid);
}

QString fittedToField(int viewIndex, const QString& text, TextEncoding encoding) {
    const QString trimmed = trimSpaces(QStringView(text)).toString();
    if (fitsWhole(viewIndex, trimmed, encoding))
        return trimmed;
    const int width = specOf(viewField(viewIndex)).width;
    QByteArray bytes = storedFormOf(viewIndex, trimmed, encoding);
    bytes = fittedBytes(bytes, width, encoding);
    if (bytes.endsWith('\r')) // half a notes line break
        bytes.chop(1);
    return trimSpaces(QStringView(viewFormOf(viewIndex, bytes, encoding))).toString();
}

QStringList fitToFields(PageTexts& texts) {
    QStringList cut;
    for (QString& text : texts) {
        if (const QStringView trimmed = trimSpaces(QStringView(text));
            trimmed.size() != text.size())
            text = trimmed.toString();
    }
    // Widths are bytes in the encoding the page will be stored in; a character is never split.
    // Printable ASCII, most texts, takes a byte a character in Windows-1252.
    std::array<bool, ViewFieldCount> printable{};
    bool allPrintable = true;
    for (int i = 0; i < ViewFieldCount; ++i) {
        printable[i] = isPrintableAscii(texts[i]);
        allPrintable = allPrintable && printable[i];
    }
    const TextEncoding encoding = allPrintable ? TextEncoding::Windows1252 : encodingFor(texts);
    for (int i = 0; i < ViewFieldCount; ++i) {
        QString& text = texts[i];
        if (printable[i] && encoding == TextEncoding::Windows1252
                ? text.size() <= specOf(viewField(i)).width
                : fitsWhole(i, text, encoding))
            continue;
        text = fittedToField(i, text, encoding);
        cut.append(QString::fromLatin1(specOf(viewField(i)).name));
    }
    return cut;
}

} // namespace orvelan
