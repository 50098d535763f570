#pragma once

#include "store/BookFolder.h"

#include <QStringList>
#include <QTemporaryDir>

namespace orvelan::bench {

// A generated book in a temporary folder: `perTab` named pages in each letter tab, with one
// blank page in every twenty (5%) spread between them, and one blank page in tab 0. With
// `utf8Every` n > 0, every n-th named page holds Polish, Cyrillic, Greek and Chinese text and is
// stored in UTF-8.
class BenchBook {
public:
    explicit BenchBook(int perTab = 1000, int utf8Every = 0);
    const BookFolder& folder() const { return m_folder; }
    // Rewrites the letter tabs as generated (after a benchmark changed them).
    void regenerate();
    // A tab file of `pages` named pages and no blank page.
    void writeLongTab(int tab, int pages) const;

private:
    QTemporaryDir m_dir;
    BookFolder m_folder;
    int m_perTab;
    int m_utf8Every;
};

// What a separate run of a tool cost: its peak memory in kilobytes as GNU time measures it (0 when
// /usr/bin/time is missing) and its processor time (user and system) in seconds. peakKb is -1
// when the tool could not start.
struct ToolCost {
    long peakKb = -1;
    double cpuSeconds = 0;
};
// Runs `tool` with `arguments` as a separate process, its output thrown away.
ToolCost runCosted(const char* tool, const QStringList& arguments);
// The same, giving only the peak memory in kilobytes (-1 when it could not start).
long runMeasured(const char* tool, const QStringList& arguments);

} // namespace orvelan::bench
