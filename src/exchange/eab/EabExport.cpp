#include "exchange/eab/EabExport.h"

#include "exchange/eab/EabContainer.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <algorithm>

namespace orvelan {

bool EabExportWriter::begin(const TabCounts& counts) {
    m_counts = counts;
    std::array<qsizetype, EabSegments> lengths;
    for (int t = 0; t < EabSegments; ++t)
        lengths[t] = std::max<qint64>(1, m_counts[t + 1]) * RecordSize;
    return m_sink(eabHeader(lengths));
}

bool EabExportWriter::closeTabsBefore(int tab) {
    for (; m_nextTab < tab; ++m_nextTab) {
        if (m_written[m_nextTab] != m_counts[m_nextTab])
            return false; // the header promised other lengths
        if (m_counts[m_nextTab] == 0 && !m_sink(blankRecord()))
            return false;
    }
    return true;
}

bool EabExportWriter::page(int tab, qint64, QByteArrayView stored) {
    if (tab < m_nextTab || tab > LastTab || m_written[tab] >= m_counts[tab])
        return false; // pages out of tab order, or more than counted
    if (!closeTabsBefore(tab))
        return false;
    ++m_written[tab];
    return m_sink(stored);
}

bool EabExportWriter::finish() {
    return closeTabsBefore(LastTab + 1);
}

} // namespace orvelan
