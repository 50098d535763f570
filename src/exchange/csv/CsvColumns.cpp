#include "exchange/csv/CsvColumns.h"

#include "exchange/csv/CsvReader.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QRegularExpression>

namespace orvelan {

namespace {

enum Fields {
    FPhone1 = 7,
    FPhone2 = 8,
    FMobile = 9,
    FFax = 10,
    FPager = 11,
    FEmail = 12,
    FGroup = 13,
    FOrgEmail = 23,
    FNotes = 25,
};

// The values of a field: trimmed, the empty-field marker empty, " ::: " separating several.
QStringList valuesOf(const QList<QByteArray>& fields, int column) {
    if (column < 0 || column >= fields.size())
        return {};
    const QByteArrayView raw = trimSpaces(fields[column]);
    if (raw.isEmpty() || raw == NoDataMarker)
        return {};
    QStringList values;
    for (const QString& v : QString::fromUtf8(raw).split(QStringLiteral(":::"))) {
        if (!v.trimmed().isEmpty())
            values.append(v.trimmed());
    }
    return values;
}

// The labels of a pair's values, one per value ("* Home": the first of its kind).
QStringList labelsOf(const QList<QByteArray>& fields, int column) {
    QStringList labels = valuesOf(fields, column);
    for (QString& label : labels) {
        if (label.startsWith(u'*'))
            label = label.mid(1).trimmed();
    }
    return labels;
}

int phoneField(const QString& label) {
    const QString l = label.toLower();
    if (l.contains(u"fax"))
        return FFax;
    if (l.contains(u"pager"))
        return FPager;
    if (l.contains(u"mobile") || l.contains(u"cell"))
        return FMobile;
    if (l.contains(u"work") || l.contains(u"business"))
        return FPhone2;
    if (l.contains(u"other"))
        return -1;
    return FPhone1; // home, main, none, or a label of the person's own
}

int emailField(const QString& label) {
    const QString l = label.toLower();
    return l.contains(u"work") || l.contains(u"business") ? FOrgEmail : FEmail;
}

void addNote(ImportRecord& record, const QString& line) {
    if (!record[FNotes].isEmpty())
        record[FNotes] += '\n';
    record[FNotes] += line.toUtf8();
}

} // namespace

CsvColumns::CsvColumns(const QStringList& columns, FieldSources& sources) {
    static const QRegularExpression paired(
        QStringLiteral("^\\s*(.+?) (\\d+) - (Label|Type|Value)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QList<Pair> pairs;
    const auto pairOf = [&](const QString& title) -> Pair& {
        for (Pair& p : pairs) {
            if (p.title.compare(title, Qt::CaseInsensitive) == 0)
                return p;
        }
        pairs.append({Kind::Other, title, -1, -1});
        return pairs.last();
    };
    for (int c = 0; c < columns.size(); ++c) {
        const QRegularExpressionMatch m = paired.match(columns[c]);
        if (!m.hasMatch())
            continue;
        Pair& pair = pairOf(m.captured(1) + u' ' + m.captured(2));
        const QString kind = m.captured(1).toLower();
        pair.kind = kind == u"phone"                        ? Kind::Phone
                    : kind == u"e-mail" || kind == u"email" ? Kind::Email
                                                            : Kind::Other;
        if (m.captured(3).compare(u"Value", Qt::CaseInsensitive) == 0)
            pair.value = c;
        else
            pair.label = c;
    }
    QList<bool> used(columns.size(), false);
    for (Pair& pair : pairs) {
        if (pair.value < 0 || pair.kind == Kind::Other)
            continue;
        for (FieldSource& source : sources) {
            if (source.column == pair.value && source.joinWith < 0)
                source = {};
        }
        used[pair.value] = true;
        if (pair.label >= 0)
            used[pair.label] = true;
        m_pairs.append(pair);
    }
    for (const FieldSource& source : sources) {
        if (source.column >= 0 && source.column < used.size())
            used[source.column] = true;
        if (source.joinWith >= 0 && source.joinWith < used.size())
            used[source.joinWith] = true;
    }
    const bool groupFree = sources[FGroup].column < 0;
    for (int c = 0; c < columns.size(); ++c) {
        const QString name = columns[c].trimmed();
        if (used[c] || name.isEmpty())
            continue;
        if (groupFree && m_labelsColumn < 0 &&
            (name.compare(u"Labels", Qt::CaseInsensitive) == 0 ||
             name.compare(u"Group Membership", Qt::CaseInsensitive) == 0 ||
             name.compare(u"Categories", Qt::CaseInsensitive) == 0)) {
            m_labelsColumn = c;
            continue;
        }
        const QRegularExpressionMatch m = paired.match(name);
        if (m.hasMatch()) {
            const Pair& pair = pairOf(m.captured(1) + u' ' + m.captured(2));
            if (c == pair.label && pair.value >= 0 && !used[pair.value])
                continue; // noted with its value
            if (c == pair.value)
                m_noted.append({c, pair.title, pair.label});
            else
                m_noted.append({c, name, -1}); // the label of a value a field holds
            continue;
        }
        m_noted.append({c, name, -1});
    }
}

int CsvColumns::apply(const QList<QByteArray>& fields, ImportRecord& record) const {
    int noted = 0;
    for (const Pair& pair : m_pairs) {
        const QStringList labels = labelsOf(fields, pair.label);
        const QStringList values = valuesOf(fields, pair.value);
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QString& value = values[i];
            const QString label = labels.value(i, labels.value(0));
            const int field = pair.kind == Kind::Phone ? phoneField(label) : emailField(label);
            if (field >= 0 && trimSpaces(record[field]).isEmpty()) {
                record[field] = value.toUtf8();
                continue;
            }
            const QString what =
                pair.kind == Kind::Phone ? QStringLiteral("Phone") : QStringLiteral("E-mail");
            addNote(record, label.isEmpty()
                                ? what + QStringLiteral(": ") + value
                                : QStringLiteral("%1 (%2): %3").arg(what, label, value));
            ++noted;
        }
    }
    if (m_labelsColumn >= 0 && trimSpaces(record[FGroup]).isEmpty()) {
        QStringList groups;
        for (QString group : valuesOf(fields, m_labelsColumn)) {
            if (group.startsWith(u'*'))
                group = group.mid(1).trimmed();
            if (group.compare(u"myContacts", Qt::CaseInsensitive) != 0 && !group.isEmpty())
                groups.append(group);
        }
        record[FGroup] = groups.join(QStringLiteral(", ")).toUtf8();
    }
    for (const Noted& n : m_noted) {
        const QStringList values = valuesOf(fields, n.column);
        if (values.isEmpty())
            continue;
        const QString label = labelsOf(fields, n.label).join(QStringLiteral(", "));
        const QString title =
            label.isEmpty() ? n.title : n.title + QStringLiteral(" (") + label + u')';
        addNote(record, title + QStringLiteral(": ") + values.join(QStringLiteral(", ")));
        ++noted;
    }
    return noted;
}

} // namespace orvelan
