#pragma once

#include <QStringList>

namespace orvelan {

// The program-wide list of result lines that the search window, the import list and the export
// list fill, and that the search list printout prints. Entry n is line n - 1 here.
struct SearchResults {
    QStringList lines;
    bool present = false;
};

} // namespace orvelan
