#include "exchange/RecordList.h"

#include "store/PageRecord.h"
#include "store/TabTable.h"

namespace orvelan {

QString listTabText(int tab) {
    if (tab == 9)
        return QStringLiteral(" IJ");
    if (tab == 0)
        return QStringLiteral(" *0");
    return u' ' + tabCaption(tab) + u' ';
}

QString listLine(const PlainRecord& record, int tab, qint64 number) {
    QString line;
    line.reserve(84);
    line += u' ';
    line += textColumn(record.text(Field::Name), 21);
    line += QStringLiteral("  ");
    line += textColumn(record.text(Field::Organisation), 26);
    line += QStringLiteral("  ");
    const QString stamp =
        record.text(Field::DateModified) + QStringLiteral(" @ ") + record.text(Field::TimeModified);
    line += stamp.leftJustified(18, u' ', true);
    line += QStringLiteral("  ");
    line += listTabText(tab);
    line += QStringLiteral(" / ");
    line += QString::number(number).rightJustified(5);
    return line;
}

bool parseListLine(QStringView line, int& tab, qint64& number) {
    if (line.size() < 10)
        return false;
    const QStringView end = line.last(10);
    QString letters = end.first(3).toString();
    letters.remove(u' ');
    tab = letters == QStringLiteral("IJ")   ? 9
          : letters == QStringLiteral("*0") ? 0
                                            : parseTab(letters);
    bool ok = false;
    number = end.last(5).trimmed().toLongLong(&ok);
    return ok && number > 0 && tab >= 0 && tab <= LastTab &&
           (letters.size() == 1 || tab == 9 || tab == 0);
}

bool recordMatches(const PlainRecord& record, const QString& text) {
    if (record.isBlank())
        return false;
    if (text.isEmpty())
        return true;
    if (record.encoding() == TextEncoding::Scsu) {
        // Each field is a stream of its own: decoded one by one.
        for (int k = 0; k < ViewFieldCount; ++k) {
            if (record.text(viewField(k)).contains(text, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }
    QByteArray joined;
    joined.reserve(RecordSize);
    for (int k = 0; k < ViewFieldCount; ++k)
        joined += record.field(viewField(k));
    return decodeText(joined, record.encoding()).contains(text, Qt::CaseInsensitive);
}

void publishResults(const QList<ListedRecord>& listed, SearchResults& results) {
    results.lines.clear();
    results.lines.reserve(listed.size());
    for (const ListedRecord& entry : listed)
        results.lines.append(entry.line);
    results.present = !listed.isEmpty();
}

} // namespace orvelan
