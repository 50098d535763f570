#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "platform/Clock.h"
#include "store/BookFolder.h"

#include <QList>
#include <QString>

#include <optional>

namespace orvelan {

// What an import does with a record that meets a page of the book. A record already in the book
// (a page that looks like it and to which it adds nothing) is never filed again, unless Keep.
enum class ImportDuplicates {
    Skip,  // records already in the book are skipped; look-alikes are imported and counted
    Merge, // records already in the book are skipped; look-alikes are merged into their page
    Keep,  // every record is imported; those that look like a page are counted
};
// "skip", "merge", "keep".
std::optional<ImportDuplicates> importDuplicatesNamed(QStringView name);

// Compares the listed staged records with the book before they are filed (see BookMatcher for
// "looks like"), counts them in the summary ("already in the book", "looks like a page in the
// book", "merged into a page in the book"), merges where asked, and returns the records still
// to be filed, in their order.
QList<ListedRecord> meetTheBook(const BookFolder& folder, const Clock& clock,
                                const QList<ListedRecord>& listed, ImportDuplicates choice,
                                ImportSummary& summary);

} // namespace orvelan
