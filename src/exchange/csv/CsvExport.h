#pragma once

#include "exchange/ExportWriter.h"
#include "exchange/ImportStaging.h"

#include <QByteArray>

namespace orvelan {

// The first line of an exported comma-separated file.
extern const char CsvExportHeader[];

// The text encoding of a comma-separated export. Windows-1252 is the default and what the
// Windows program wrote; it has no form for the characters of many scripts, which it writes as
// '?'. UTF-8 (with a byte-order mark) keeps every character.
enum class CsvEncoding { Windows1252, Utf8 };

// The 22 values of one page as an exported line, without its line end. `unmappable` (when
// given) grows by the characters written as '?'.
QByteArray csvExportLine(const PlainRecord& record, CsvEncoding encoding = CsvEncoding::Windows1252,
                         qsizetype* unmappable = nullptr);

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

} // namespace orvelan
