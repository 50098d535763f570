#pragma once

#include "store/SearchResults.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace orvelan {

class PlainRecord;

// One listed record: where it is (tab 1..25 and its record number in the file listed) and its
// line in the list.
struct ListedRecord {
    int tab = 0;
    qint64 record = 0;
    QString line;
};

// The list's tab text: " A " .. " H ", " IJ", " K " .. " Z ".
QString listTabText(int tab);
// A list line: name in 21, organisation in 26, "date @ time" in 18, the tab text, " / " and
// the record number right-aligned in 5.
QString listLine(const PlainRecord& record, int tab, qint64 number);
// The tab and record number read back from the end of a list line; false when it holds none.
bool parseListLine(QStringView line, int& tab, qint64& number);

// Whether the record holds `text` in its 26 page fields joined without separators, compared
// without regard to case (an empty text matches every record), and has a name.
bool recordMatches(const PlainRecord& record, const QString& text);

// Fills the program-wide result lines from a listing.
void publishResults(const QList<ListedRecord>& listed, SearchResults& results);

} // namespace orvelan
