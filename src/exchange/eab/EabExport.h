#pragma once

#include "exchange/ExportWriter.h"

namespace orvelan {

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

} // namespace orvelan
