#include "exchange/FieldMapping.h"

#include "exchange/csv/CsvReader.h"
#include "store/TabTable.h"

namespace orvelan {

namespace {

constexpr std::array<const char*, MappedFieldCount> Titles = {
    "Name",
    "Home Address Line #1",
    "Home Address Line #2",
    "Home Address Line #3",
    "Home Address Line #4",
    "Home Address Line #5",
    "Post/Zip Code",
    "Phone #1",
    "Phone #2",
    "Mobile",
    "Fax",
    "Pager",
    "E-Mail (Home)",
    "Group",
    "Organisation",
    "Job Title",
    "Department",
    "Work Address Line #1",
    "Work Address Line #2",
    "Work Address Line #3",
    "Work Address Line #4",
    "Work Address Line #5",
    "Post/Zip Code",
    "E-Mail (Work)",
    "Web Address",
    "Notes",
};

// One rule of Auto: when `text` occurs in the joined header (without regard to case, searching
// from just after `after` when it is given and found), field `field` is mapped to `text`.
struct AutoRule {
    int field;
    const char* text;
    bool guess;        // written with " ??" behind it
    const char* after; // nullptr: search from the start
};

// Applied in this order; a later rule for a field replaces what an earlier one wrote.
constexpr AutoRule Rules[] = {
    {0, "Surname", false, nullptr},
    {0, "Name", false, nullptr},
    {1, "Street Address", false, nullptr},
    {1, "Address Line 1", false, nullptr},
    {1, "Address Line #1", false, nullptr},
    {1, "Home Address Line #1", false, nullptr},
    {1, "Home Street", false, nullptr},
    {2, "Address Line 2", false, nullptr},
    {2, "Address Line #2", false, nullptr},
    {2, "Home Address Line #2", false, nullptr},
    {2, "City", false, nullptr},
    {2, "Home City", false, nullptr},
    {2, "Town", false, nullptr},
    {2, "Town/City", false, nullptr},
    {3, "Address Line 3", false, nullptr},
    {3, "Address Line #3", false, nullptr},
    {3, "Home Address Line #3", false, nullptr},
    {3, "County", false, nullptr},
    {3, "State", false, nullptr},
    {3, "Home State", false, nullptr},
    {4, "Address Line 4", false, nullptr},
    {4, "Address Line #4", false, nullptr},
    {4, "Home Address Line #4", false, nullptr},
    {4, "Home Country/Region", false, nullptr},
    {4, "Country", false, nullptr},
    {4, "Home Country/Region", false, nullptr},
    {5, "Home Address Line #5", false, nullptr},
    {6, "Post Code", false, nullptr},
    {6, "Zip", false, nullptr},
    {6, "Zip Code", false, nullptr},
    {6, "Home Post Code", false, nullptr},
    {6, "Home Postal Code", false, nullptr},
    {7, "Tel", false, nullptr},
    {7, "Tele", false, nullptr},
    {7, "Phone", false, nullptr},
    {7, "Phone No", false, nullptr},
    {7, "Phone No.", false, nullptr},
    {7, "Telephone", false, nullptr},
    {7, "Home Phone", false, nullptr},
    {8, "Tel", true, "Home Phone"},
    {8, "Tele", true, "Home Phone"},
    {8, "Phone", true, "Home Phone"},
    {8, "Phone No", true, "Home Phone"},
    {8, "Phone No.", true, "Home Phone"},
    {8, "Telephone", true, "Home Phone"},
    {8, "Work Phone", false, "Home Phone"},
    {8, "Business Phone", false, "Home Phone"},
    {9, "Mobile", false, nullptr},
    {9, "Mobile Phone", false, nullptr},
    {10, "Fax", false, nullptr},
    {10, "Work Fax", false, nullptr},
    {10, "Business Fax", false, nullptr},
    {11, "Pager", false, nullptr},
    {12, "E-mail", false, nullptr},
    {12, "Email", false, nullptr},
    {12, "Personal Email", false, nullptr},
    {12, "Personal E-mail", false, nullptr},
    {12, "Email Address", false, nullptr},
    {12, "E-mail Address", false, nullptr},
    {14, "Firm", false, nullptr},
    {14, "Organisation", false, nullptr},
    {14, "Organization", false, nullptr},
    {14, "Company", false, nullptr},
    {15, "Position", false, nullptr},
    {15, "Position Held", false, nullptr},
    {15, "Job Description", false, nullptr},
    {15, "Job Title", false, nullptr},
    {16, "Dept", false, nullptr},
    {16, "Dept.", false, nullptr},
    {16, "Department", false, nullptr},
    {17, "Address Line 1", false, "Home Street"},
    {17, "Address Line #1", false, "Home Street"},
    {17, "Work Address Line #1", false, nullptr},
    {17, "Street", false, "Home Street"},
    {17, "Business Street", false, nullptr},
    {18, "Address Line 2", false, "Town"},
    {18, "Address Line #2", false, "Town"},
    {18, "Work Address Line #2", false, nullptr},
    {18, "City", false, "Town"},
    {18, "Town", false, "Town"},
    {18, "Town/City", false, "Town"},
    {18, "Work City", false, nullptr},
    {18, "Business City", false, nullptr},
    {19, "Address Line 3", false, "State"},
    {19, "Address Line #3", false, "State"},
    {19, "Work Address Line #3", false, nullptr},
    {19, "Work County", false, nullptr},
    {19, "Work State", false, nullptr},
    {19, "Business County", false, nullptr},
    {19, "Business State", false, nullptr},
    {20, "Address Line 4", false, "Country"},
    {20, "Address Line #4", false, "Country"},
    {20, "Work Address Line #4", false, nullptr},
    {20, "Country", false, "Country"},
    {20, "Work Country", false, nullptr},
    {20, "Business Country", false, nullptr},
    {20, "Business Country/Region", false, nullptr},
    {21, "Work Address Line #5", false, nullptr},
    {22, "Post Code", false, "Home Postal Code"},
    {22, "Zip", false, "Home Postal Code"},
    {22, "Zip Code", false, "Home Postal Code"},
    {22, "Work Zip Code", false, nullptr},
    {22, "Work Post Code", false, nullptr},
    {22, "Work Postal Code", false, nullptr},
    {22, "Business Post Code", false, nullptr},
    {22, "Business Postal Code", false, nullptr},
    {23, "Work EMail", false, nullptr},
    {23, "Work E-Mail", false, nullptr},
    {23, "Business EMail", false, nullptr},
    {23, "Business E-Mail", false, nullptr},
    {24, "Internet", false, nullptr},
    {24, "Internet Page", false, nullptr},
    {24, "Home Page", false, nullptr},
    {24, "www", false, nullptr},
    {24, "Web", false, nullptr},
    {24, "Web Page", false, nullptr},
    {25, "Note", false, nullptr},
    {25, "Notes", false, nullptr},
};

// Column names of common contact exports, tried in order for a field that Auto's table left
// mapped to no column. "A+B" joins two columns as "B, A".
struct CommonNames {
    int field;
    std::initializer_list<const char*> names;
};

const CommonNames Common[] = {
    {0,
     {"Display Name", "First Name+Last Name", "Given Name+Family Name", "File As", "Last Name",
      "Family Name", "Surname", "First Name", "Given Name"}},
    {1, {"Home Street", "Home Address", "Address 1 - Street", "Street"}},
    {2, {"Home City", "Address 1 - City", "City"}},
    {3, {"Home State", "Address 1 - Region", "State", "Region"}},
    {4, {"Home Country/Region", "Home Country", "Address 1 - Country", "Country"}},
    {6,
     {"Home Postal Code", "Home ZipCode", "Home Zip Code", "Home Zip", "Address 1 - Postal Code",
      "Postal Code", "ZipCode", "Zip Code"}},
    {7, {"Home Phone", "Primary Phone", "Phone 1 - Value", "Phone"}},
    {8, {"Business Phone", "Work Phone", "Phone 2 - Value"}},
    {9, {"Mobile Phone", "Mobile Number", "Mobile", "Cell Phone", "Cellular Number"}},
    {10, {"Business Fax", "Home Fax", "Fax Number", "Fax"}},
    {11, {"Pager Number", "Pager"}},
    {12,
     {"E-mail Address", "Email Address", "Primary Email", "E-mail 1 - Value", "Email", "E-mail"}},
    {14,
     {"Company", "Organization Name", "Organisation Name", "Organization 1 - Name", "Organization",
      "Organisation"}},
    {15, {"Job Title", "Organization Title", "Organization 1 - Title"}},
    {16, {"Department", "Organization Department", "Organization 1 - Department"}},
    {17, {"Business Street", "Work Address", "Address 2 - Street"}},
    {18, {"Business City", "Work City", "Address 2 - City"}},
    {19, {"Business State", "Work State", "Address 2 - Region"}},
    {20, {"Business Country/Region", "Work Country", "Address 2 - Country"}},
    {22,
     {"Business Postal Code", "Work ZipCode", "Work Zip Code", "Work Postal Code",
      "Address 2 - Postal Code"}},
    {23, {"Secondary Email", "E-mail 2 Address", "E-mail 2 - Value"}},
    {24,
     {"Web Page", "Business Web Page", "Web Page 1", "Website 1 - Value", "Personal Web Page",
      "Website"}},
    {25, {"Notes", "Note"}},
};

QByteArray joinedValue(QByteArrayView first, QByteArrayView last) {
    first = trimSpaces(first);
    last = trimSpaces(last);
    if (first.isEmpty())
        return last.toByteArray();
    if (last.isEmpty())
        return first.toByteArray();
    return last.toByteArray() + ", " + first.toByteArray();
}

} // namespace

QString mappingLabel(int k) {
    return QString::fromLatin1(Titles[k]).leftJustified(MappingLabelWidth - 3) +
           QStringLiteral("=  ");
}

FieldMapping::FieldMapping() {
    setColumns({});
}

void FieldMapping::setColumns(const QList<QByteArray>& columns) {
    m_columnBytes = columns;
    m_columns.clear();
    for (const QByteArray& name : columns)
        m_columns.append(QString::fromUtf8(name));
    for (int k = 0; k < MappedFieldCount; ++k)
        m_labels[k] = mappingLabel(k);
    m_lines = m_labels;
}

QString FieldMapping::mappedName(int k) const {
    return isMapped(k) ? m_lines[k].mid(MappingLabelWidth) : QString();
}

FieldMapping::Outcome FieldMapping::add(int column, int field) {
    if (column < 0 || column >= m_columns.size())
        return Outcome::NoColumnSelected;
    if (m_columns[column].trimmed().isEmpty())
        return Outcome::EmptyColumnName;
    if (field < 0 || field >= MappedFieldCount)
        return Outcome::NoFieldSelected;
    if (isMapped(field))
        return Outcome::AlreadyAssigned;
    m_lines[field] += m_columns[column];
    return Outcome::Done;
}

FieldMapping::Outcome FieldMapping::addJoined(int first, int last, int field) {
    if (first < 0 || first >= m_columns.size() || last < 0 || last >= m_columns.size())
        return Outcome::NoColumnSelected;
    if (m_columns[first].trimmed().isEmpty() || m_columns[last].trimmed().isEmpty())
        return Outcome::EmptyColumnName;
    if (field < 0 || field >= MappedFieldCount)
        return Outcome::NoFieldSelected;
    if (isMapped(field))
        return Outcome::AlreadyAssigned;
    m_lines[field] += m_columns[first].trimmed() + u'+' + m_columns[last].trimmed();
    return Outcome::Done;
}

int FieldMapping::columnNamed(QStringView name) const {
    const QStringView wanted = trimSpaces(name);
    for (int c = 0; c < m_columns.size(); ++c) {
        if (trimSpaces(QStringView(m_columns[c])) == wanted)
            return c;
    }
    return -1;
}

bool FieldMapping::remove(int field) {
    if (field < 0 || field >= MappedFieldCount)
        return false;
    m_lines[field].truncate(MappingLabelWidth);
    return true;
}

void FieldMapping::autoMap() {
    QString joined;
    for (const QString& name : m_columns)
        joined += name + u' ';
    const auto startAfter = [&](const char* after) -> qsizetype {
        if (!after)
            return 0;
        const qsizetype at = joined.indexOf(QLatin1StringView(after), 0, Qt::CaseInsensitive);
        return at < 0 ? 0 : at + 1;
    };
    for (const AutoRule& rule : Rules) {
        const QLatin1StringView text(rule.text);
        if (joined.indexOf(text, startAfter(rule.after), Qt::CaseInsensitive) < 0)
            continue;
        m_labels[rule.field] = mappingLabel(rule.field) + text;
        if (rule.guess)
            m_labels[rule.field] += QStringLiteral(" ??");
    }
    mapCommonNames();
    m_lines = m_labels;
}

void FieldMapping::mapCommonNames() {
    const auto column = [&](QStringView name) -> int {
        for (int c = 0; c < m_columns.size(); ++c) {
            if (trimSpaces(QStringView(m_columns[c])).compare(name, Qt::CaseInsensitive) == 0)
                return c;
        }
        return -1;
    };
    for (const CommonNames& common : Common) {
        const QString& entry = m_labels[common.field];
        if (entry.size() > MappingLabelWidth &&
            sourceFor(QStringView(entry).mid(MappingLabelWidth)).column >= 0)
            continue;
        for (const char* candidate : common.names) {
            const QString name = QString::fromLatin1(candidate);
            const qsizetype plus = name.indexOf(u'+');
            QString written;
            if (plus < 0) {
                const int c = column(name);
                if (c >= 0)
                    written = trimSpaces(QStringView(m_columns[c])).toString();
            } else {
                const int first = column(QStringView(name).left(plus));
                const int last = column(QStringView(name).mid(plus + 1));
                if (first >= 0 && last >= 0)
                    written = trimSpaces(QStringView(m_columns[first])).toString() + u'+' +
                              trimSpaces(QStringView(m_columns[last])).toString();
            }
            if (!written.isEmpty()) {
                m_labels[common.field] = mappingLabel(common.field) + written;
                break;
            }
        }
    }
}

FieldSource FieldMapping::sourceFor(QStringView mappedName) const {
    FieldSource source;
    source.column = columnNamed(mappedName);
    if (source.column >= 0)
        return source;
    // "First Name+Last Name": two columns joined.
    for (qsizetype plus = mappedName.indexOf(u'+'); plus > 0;
         plus = mappedName.indexOf(u'+', plus + 1)) {
        const int first = columnNamed(mappedName.left(plus));
        const int last = columnNamed(mappedName.mid(plus + 1));
        if (first >= 0 && last >= 0)
            return {first, last};
    }
    return source;
}

FieldSources FieldMapping::fieldSources() const {
    FieldSources sources;
    for (int k = 0; k < MappedFieldCount; ++k) {
        if (isMapped(k))
            sources[k] = sourceFor(QStringView(m_lines[k]).mid(MappingLabelWidth));
    }
    return sources;
}

std::array<int, MappedFieldCount> FieldMapping::sourceColumns() const {
    const FieldSources sources = fieldSources();
    std::array<int, MappedFieldCount> columns;
    for (int k = 0; k < MappedFieldCount; ++k)
        columns[k] = sources[k].column;
    return columns;
}

void FieldMapping::pick(const FieldSources& sources, const QList<QByteArray>& fields,
                        ImportRecord& record) {
    const auto value = [&](int c) -> QByteArrayView {
        if (c < 0 || c >= fields.size() || trimSpaces(fields[c]) == NoDataMarker)
            return {};
        return fields[c];
    };
    for (int k = 0; k < MappedFieldCount; ++k) {
        const FieldSource& source = sources[k];
        if (source.joinWith >= 0)
            record[k] = joinedValue(value(source.column), value(source.joinWith));
        else
            record[k] = value(source.column).toByteArray();
    }
}

void FieldMapping::pick(const std::array<int, MappedFieldCount>& columns,
                        const QList<QByteArray>& fields, ImportRecord& record) {
    FieldSources sources;
    for (int k = 0; k < MappedFieldCount; ++k)
        sources[k].column = columns[k];
    pick(sources, fields, record);
}

QString FieldMapping::messageFor(Outcome outcome) {
    switch (outcome) {
    case Outcome::NoColumnSelected:
        return QStringLiteral("Can't map field item:  No FILE-LIST field has been selected    ");
    case Outcome::EmptyColumnName:
        return QStringLiteral(
            "Can't map this field:  No FIELD IDENTITY found in the current file   ");
    case Outcome::NoFieldSelected:
        return QStringLiteral("Can't map field item:  No ORVELAN field has been selected    ");
    case Outcome::AlreadyAssigned:
        return QStringLiteral(
            "Can't map: The ORVELAN field selected has already been assigned    ");
    case Outcome::Done:
        break;
    }
    return {};
}

QString FieldMapping::removeRefusedMessage() {
    return QStringLiteral("Can't REMOVE item:  No ORVELAN field has been selected    ");
}

} // namespace orvelan
