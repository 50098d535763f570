#pragma once

#include "exchange/ExportWriter.h"
#include "exchange/ImportStaging.h"
#include "exchange/RecordList.h"
#include "exchange/csv/CsvExport.h"
#include "exchange/eab/EabExport.h"
#include "store/BookFolder.h"
#include "store/StoreMessages.h"

#include <array>
#include <functional>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace orvelan {

// The pages of the letter tabs 1..25 that hold `text` (see recordMatches), in tab and page
// order.
// Tab files that exist but cannot be read are added to `unreadTabs` when given; damaged pages
// (which cannot be searched) are counted in `damaged`.
QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const TabProgress& progress = {}, QList<int>* unreadTabs = nullptr,
                              qint64* damaged = nullptr);

// Reads the listed pages as they are stored, one record at a time: memory does not grow with
// the book. A tab file that exists but cannot be read is an error, never a page left out.
class ListedPages {
public:
    explicit ListedPages(const BookFolder& folder) : m_folder(folder) {}
    ~ListedPages();
    // The stored record of a listed page; empty when the page is no longer there or its tab
    // cannot be read (see error()). The view stays valid until the next call.
    QByteArrayView stored(const ListedRecord& entry);
    // The runtime error number of the first tab that could not be read, and its path.
    int error() const { return m_error; }
    const QString& failedPath() const { return m_failedPath; }
    // The last page asked for is damaged (stored() gave nothing for it).
    bool lastDamaged() const { return m_lastDamaged; }

private:
    const BookFolder& m_folder;
    QByteArray m_record;
    int m_error = 0;
    QString m_failedPath;
    bool m_lastDamaged = false;
};

enum class ExportFormat { Csv, Eab, VCard30, VCard40 };
// The writer of a format; `encoding` and `counts` concern comma-separated files.
std::unique_ptr<ExportWriter> exportWriter(ExportFormat format, ByteSink sink,
                                           CsvEncoding encoding = CsvEncoding::Windows1252,
                                           ExportCounts* counts = nullptr);

// What an export did: the pages written, or what went wrong (nothing is then written).
struct ExportResult {
    qint64 pages = 0;
    // The pages left out because they are damaged (an encrypted page that fails its
    // authentication), each as "page 3 of tab M is damaged and cannot be read".
    QStringList damaged;
    QString problem;
    int writeError = 0; // the runtime error of a target file that could not be written
    bool ok() const { return problem.isEmpty(); }
};

// Sends the listed pages through `writer`.
ExportResult exportListed(const BookFolder& folder, const QList<ListedRecord>& pages,
                          ExportWriter& writer, const Yield& yield = {});
// Sends every page of the letter tabs that holds `text` through `writer`, reading the tabs in
// chunks. A tab that cannot be read fails the export.
// `afterTab(tab)` is told when each tab has been written.
ExportResult exportBook(const BookFolder& folder, const QString& text, ExportWriter& writer,
                        const Yield& yield = {}, const std::function<void(int)>& afterTab = {});

QByteArray buildCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {}, CsvEncoding encoding = CsvEncoding::Windows1252,
                          ExportCounts* counts = nullptr);
QByteArray buildEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield = {});

// Writes the export file through a temporary file renamed into place, so a failure never
// leaves part of a file over a good one. A new file is private to the user. Returns an empty
// string, or what went wrong.
QString exportToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                     const QList<ListedRecord>& pages, const Yield& yield = {},
                     CsvEncoding encoding = CsvEncoding::Windows1252,
                     ExportCounts* counts = nullptr);
// The same for the whole book (the pages that hold `text`), streamed. When no page is found
// nothing is written.
ExportResult exportBookToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                              const QString& text, const std::function<void(int)>& afterTab = {},
                              CsvEncoding encoding = CsvEncoding::Windows1252,
                              ExportCounts* counts = nullptr);
// What the user is told when a Windows-1252 export wrote characters as '?'; empty for none.
QString unmappableNotice(const ExportCounts& counts);

// Removes the work files "*.exf" from DataBook/ that an earlier export may have left.
void removeExportWorkFiles(const BookFolder& folder);

} // namespace orvelan
