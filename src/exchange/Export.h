#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/RecordList.h"
#include "store/BookFolder.h"

#include <QByteArray>
#include <QString>

namespace orvelan {

// The first line of an exported comma-separated file.
extern const char CsvExportHeader[];

// The pages of the letter tabs 1..25 that hold `text` (see recordMatches), in tab and page
// order.
QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const Yield& yield = {});

// The 22 values of one page as an exported line, without its line end.
QByteArray csvExportLine(const PlainRecord& record);

// Reads the listed pages as they are stored, one tab file read at a time.
class ListedPages {
public:
    explicit ListedPages(const BookFolder& folder) : m_folder(folder) {}
    // The stored record of a listed page; empty when the page is no longer there.
    QByteArrayView stored(const ListedRecord& entry);

private:
    const BookFolder& m_folder;
    std::array<QByteArray, 26> m_tabs;
    std::array<bool, 26> m_loaded{};
};

// The whole comma-separated file for these pages.
QByteArray buildCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {});
// The whole exchange file for these pages.
QByteArray buildEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {});

// Removes the work files "*.exf" from DataBook/ that an earlier export may have left.
void removeExportWorkFiles(const BookFolder& folder);

// Writes a whole file so that a failure never leaves part of it over a good one. Returns an
// empty string, or what went wrong.
QString writeFileSafely(const QString& path, const QByteArray& bytes);

} // namespace orvelan
