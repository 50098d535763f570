#pragma once

#include "cli/CliCommand.h"
#include "search/BookSearch.h"

namespace orvelan::cli {

// "[--in FIELDS] TEXT": the selectors (FIELDS, else the stored flags, else name) and the query.
// Takes what it uses out of `args`.
struct SearchRequest {
    SelectorFlags flags{};
    QString query;
};
SearchRequest searchRequest(const CliContext& context, QStringList& args);

// Runs the search; tab files that exist but cannot be read are named on the error stream. With
// `onHit`, found pages (with their stored records) stream to it rather than into the outcome.
SearchOutcome searchBook(CliContext& context, const SearchRequest& request,
                         const std::function<void(const SearchHit&, QByteArrayView)>& onHit = {});

// 0 when every page was searched; the status of a damaged book when some were not.
int searchStatus(const SearchOutcome& outcome);

// The records of the pages found, in the order of the hits.
QList<PageRecord> pagesOf(CliContext& context, const SearchOutcome& outcome);

} // namespace orvelan::cli
