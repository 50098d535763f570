#pragma once

#include "exchange/FieldMapping.h"

#include <QList>
#include <QStringList>

namespace orvelan {

// What a comma-separated file holds beyond the columns mapped to page fields. Webmail exports
// write numbers and addresses as pairs of columns ("Phone 1 - Label" = "Mobile", "Phone 1 -
// Value" = "07700 900123", several values joined by " ::: "): the label chooses the field. Every
// other column that maps to no field still holds facts: its non-empty values go into Notes as
// "Header: value" lines, so nothing in the file is lost.
class CsvColumns {
public:
    // Takes the value columns of phone and e-mail pairs out of `sources` (their labels place
    // them instead).
    CsvColumns(const QStringList& columns, FieldSources& sources);

    // Places the paired values and notes the unmapped ones; returns how many values went into
    // Notes.
    int apply(const QList<QByteArray>& fields, ImportRecord& record) const;

private:
    enum class Kind { Phone, Email, Other };
    struct Pair {
        Kind kind = Kind::Other;
        QString title; // "Phone 1"
        int value = -1;
        int label = -1;
    };
    struct Noted {
        int column = -1;
        QString title; // "Birthday", or "Website 1" of a pair
        int label = -1;
    };

    QList<Pair> m_pairs;     // phone and e-mail pairs, placed by their labels
    QList<Noted> m_noted;    // columns that go into Notes
    int m_labelsColumn = -1; // a webmail "Labels" (or "Group Membership") column, for Group
};

} // namespace orvelan
