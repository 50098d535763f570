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

// Files the listed staged records (importListed) after comparing them with the book (see
// BookMatcher for "looks like"): a record already in the book is not filed, a look-alike is
// merged into its page where asked. Counts in the summary exactly what became of each record:
// "already in the book", "looks like a page in the book", "merged into a page in the book".
// A record counted so against an earlier record of its file holds that count only when that
// record is filed; one already in or merged into a record that could not be written was not
// imported either, and counts among the outcome's failures. The records' keys are taken from
// `staged` where it holds them (it is emptied), else read from the staging files.
ImportOutcome importAgainstBook(const BookFolder& folder, const Clock& clock,
                                const QList<ListedRecord>& listed, ImportDuplicates choice,
                                ImportSummary& summary, const Yield& yield = {},
                                StagedKeys* staged = nullptr);

} // namespace orvelan
