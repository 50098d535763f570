#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/RecordList.h"
#include "store/BookFolder.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace orvelan {

// The first line of an exported comma-separated file.
extern const char CsvExportHeader[];

// The pages of the letter tabs 1..25 that hold `text` (see recordMatches), in tab and page
// order.
QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const TabProgress& progress = {});

// The 22 values of one page as an exported line, without its line end.
QByteArray csvExportLine(const PlainRecord& record);

// Reads the listed pages as they are stored, each tab file mapped once.
class ListedPages {
public:
    explicit ListedPages(const BookFolder& folder) : m_folder(folder) {}
    ~ListedPages();
    // The stored record of a listed page; empty when the page is no longer there. The view
    // stays valid as long as this object.
    QByteArrayView stored(const ListedRecord& entry);

private:
    const BookFolder& m_folder;
    std::array<std::unique_ptr<QFile>, 26> m_files;
    std::array<QByteArray, 26> m_copies;
    std::array<QByteArrayView, 26> m_tabs;
    std::array<bool, 26> m_loaded{};
};

// Receives the bytes of an export file in order; false stops the export.
using ByteSink = std::function<bool(QByteArrayView)>;

// The comma-separated file for these pages: the header, then one line per page, each line
// ending with carriage return + line feed.
bool writeCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                    const ByteSink& sink, const Yield& yield = {});
// The exchange file for these pages.
bool writeEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                    const ByteSink& sink, const Yield& yield = {});
QByteArray buildCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {});
QByteArray buildEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {});

enum class ExportFormat { Csv, Eab, VCard30, VCard40 };
// Writes the export file through a temporary file renamed into place, so a failure never
// leaves part of a file over a good one. Returns an empty string, or what went wrong.
QString exportToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                     const QList<ListedRecord>& pages, const Yield& yield = {});

// Removes the work files "*.exf" from DataBook/ that an earlier export may have left.
void removeExportWorkFiles(const BookFolder& folder);

} // namespace orvelan
