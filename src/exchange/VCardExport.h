#pragma once

#include "exchange/Export.h"
#include "exchange/VCard.h"

namespace orvelan {

struct VCardExportOutcome {
    bool written = true; // false when the sink refused bytes
    qint64 cards = 0;    // cards written
    qint64 missing = 0;  // listed pages that could not be read
};

// Writes the listed pages as vCards of `version`, one card per page, page by page: what is held
// in memory does not grow with the book. Each card's UID is derived from its name and how many
// pages of that name came before it, so the same page gets the same UID export after export.
VCardExportOutcome writeVCardExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                                    VCardVersion version, const ByteSink& sink,
                                    const Yield& yield = {});

} // namespace orvelan
