#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/RecordList.h"
#include "store/BookFolder.h"

#include <array>
#include <functional>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace orvelan {

// The first line of an exported comma-separated file.
extern const char CsvExportHeader[];

// The pages of the letter tabs 1..25 that hold `text` (see recordMatches), in tab and page
// order.
// Tab files that exist but cannot be read are added to `unreadTabs` when given.
QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const TabProgress& progress = {}, QList<int>* unreadTabs = nullptr);

// The text encoding of a comma-separated export. Windows-1252 is the default and what the
// Windows program wrote; it has no form for the characters of many scripts, which it writes as
// '?'. UTF-8 (with a byte-order mark) keeps every character.
enum class CsvEncoding { Windows1252, Utf8 };

// The 22 values of one page as an exported line, without its line end. `unmappable` (when
// given) grows by the characters written as '?'.
QByteArray csvExportLine(const PlainRecord& record, CsvEncoding encoding = CsvEncoding::Windows1252,
                         qsizetype* unmappable = nullptr);

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

private:
    const BookFolder& m_folder;
    std::array<std::unique_ptr<QFile>, 26> m_files;
    std::array<bool, 26> m_opened{};
    QByteArray m_record;
    int m_error = 0;
    QString m_failedPath;
};

// Receives the bytes of an export file in order; false stops the export.
using ByteSink = std::function<bool(QByteArrayView)>;

// Gathers what a writer appends into chunks of about 64 KB before handing them to a sink, so a
// whole-book export makes few writes and holds little.
class ChunkedSink {
public:
    static constexpr qsizetype ChunkBytes = 1 << 16;
    explicit ChunkedSink(ByteSink sink) : m_sink(std::move(sink)) {}

    // Bytes that go to the sink at once, ahead of anything gathered.
    bool direct(QByteArrayView bytes) { return m_sink(bytes); }
    // Where the writer appends.
    QByteArray& chunk() { return m_chunk; }
    // Hands the chunk on once it is full; false when the sink failed.
    bool pass() { return m_chunk.size() < ChunkBytes || flush(); }
    // Hands on whatever is gathered.
    bool flush() {
        const bool ok = m_chunk.isEmpty() || m_sink(m_chunk);
        m_chunk.clear();
        return ok;
    }

private:
    ByteSink m_sink;
    QByteArray m_chunk;
};

// What an export wrote besides its pages.
struct ExportCounts {
    qsizetype unmappable = 0; // characters a Windows-1252 export wrote as '?'
};

// Writes one export format. The pages come one at a time, in tab and page order, exactly as
// they are stored; a writer keeps no more than one page. begin() learns beforehand how many
// pages each letter tab will give, for formats whose header counts them.
class ExportWriter {
public:
    using TabCounts = std::array<qint64, 26>; // by tab index
    virtual ~ExportWriter() = default;
    virtual bool needsCounts() const { return false; }
    virtual bool begin(const TabCounts& counts) = 0;
    virtual bool page(int tab, qint64 page, QByteArrayView stored) = 0;
    virtual bool finish() = 0;
};

// The comma-separated file: the header, then one line per page, each line ending with carriage
// return + line feed.
class CsvExportWriter final : public ExportWriter {
public:
    explicit CsvExportWriter(ByteSink sink, CsvEncoding encoding = CsvEncoding::Windows1252,
                             ExportCounts* counts = nullptr)
        : m_out(std::move(sink)), m_encoding(encoding), m_counts(counts) {}
    bool begin(const TabCounts& counts) override;
    bool page(int tab, qint64 page, QByteArrayView stored) override;
    bool finish() override;

private:
    ChunkedSink m_out;
    CsvEncoding m_encoding;
    ExportCounts* m_counts;
};

// The exchange file: the header of segment lengths, then the pages of tabs 1..25 in order, an
// empty tab as one blank page.
class EabExportWriter final : public ExportWriter {
public:
    explicit EabExportWriter(ByteSink sink) : m_sink(std::move(sink)) {}
    bool needsCounts() const override { return true; }
    bool begin(const TabCounts& counts) override;
    bool page(int tab, qint64 page, QByteArrayView stored) override;
    bool finish() override;

private:
    bool closeTabsBefore(int tab);

    ByteSink m_sink;
    TabCounts m_counts{};
    TabCounts m_written{};
    int m_nextTab = 1; // the first letter tab whose segment is still open
};

enum class ExportFormat { Csv, Eab, VCard30, VCard40 };
// The writer of a format; `encoding` and `counts` concern comma-separated files.
std::unique_ptr<ExportWriter> exportWriter(ExportFormat format, ByteSink sink,
                                           CsvEncoding encoding = CsvEncoding::Windows1252,
                                           ExportCounts* counts = nullptr);

// What an export did: the pages written, or what went wrong (nothing is then written).
struct ExportResult {
    qint64 pages = 0;
    QString problem;
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
