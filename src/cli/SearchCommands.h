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
// `onHit`, found pages stream to it rather than into the outcome.
SearchOutcome searchBook(CliContext& context, const SearchRequest& request,
                         const std::function<void(const SearchHit&)>& onHit = {});

} // namespace orvelan::cli
