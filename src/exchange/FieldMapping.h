#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace orvelan {

inline constexpr int MappedFieldCount = 26; // Name .. Notes
inline constexpr int MappingLabelWidth = 25;

// The values of one import record, index 0 (Name) to 25 (Notes), UTF-8.
using ImportRecord = std::array<QByteArray, MappedFieldCount>;

// The label of page field k in the mapping list: its title, spaces, "=" and two spaces.
QString mappingLabel(int k);

// The column-to-field mapping of a comma-separated file: the column names of its header and one
// line per page field, the label followed by the mapped column name when it is mapped.
class FieldMapping {
public:
    enum class Outcome {
        Done,
        NoColumnSelected,
        EmptyColumnName,
        NoFieldSelected,
        AlreadyAssigned,
    };

    FieldMapping();

    // A new file: the column names from its header, every field unmapped, Auto's entries reset.
    void setColumns(const QList<QByteArray>& columns);
    const QStringList& columnNames() const { return m_columns; } // as the column list shows them
    const QList<QByteArray>& columnBytes() const { return m_columnBytes; }

    const std::array<QString, MappedFieldCount>& lines() const { return m_lines; }
    QString mappedName(int k) const; // empty when field k is unmapped
    bool isMapped(int k) const { return m_lines[k].size() > MappingLabelWidth; }

    // Maps column `column` (-1: none selected) to field `field` (-1: none selected).
    Outcome add(int column, int field);
    // Unmaps field `field`; false when none is selected.
    bool remove(int field);
    // Proposes mappings from the table of well-known column names; replaces every line.
    void autoMap();

    // The source column of each field: the first column whose trimmed name equals the trimmed
    // mapped name, exactly; -1 for none.
    std::array<int, MappedFieldCount> sourceColumns() const;

    // Fills a record from the fields of a data line.
    static void pick(const std::array<int, MappedFieldCount>& sources,
                     const QList<QByteArray>& fields, ImportRecord& record);

    // The message box text of a refused Add or Remove.
    static QString messageFor(Outcome outcome);
    static QString removeRefusedMessage();

private:
    QStringList m_columns;
    QList<QByteArray> m_columnBytes;
    std::array<QString, MappedFieldCount> m_labels; // what Auto writes, reloaded into the lines
    std::array<QString, MappedFieldCount> m_lines;
};

} // namespace orvelan
