#pragma once

#include "search/SearchFields.h"
#include "store/BookFolder.h"
#include "store/PageRecord.h"
#include "store/SearchResults.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace orvelan {

// Where a result line points.
struct PagePosition {
    int tab = 0;
    qint64 page = 0;
    bool operator==(const PagePosition&) const = default;
};
// One number for a page's position, for maps keyed by page.
inline qint64 pageKey(const PagePosition& page) {
    return (qint64(page.tab) << 40) | page.page;
}

// One page found.
struct SearchHit {
    PagePosition position;
    QString line;
};

struct SearchOutcome {
    QList<SearchHit> hits;
    QList<int> unreadTabs;       // tab files that exist but could not be read
    QList<PagePosition> damaged; // pages of an encrypted book that fail their tag: skipped
    int found() const { return static_cast<int>(hits.size()); }
};

// Finds the pages of the letter tabs (1 to 25, never tab 0) whose selected fields, joined
// without separators, contain the query, ignoring letter case in any script. Windows-1252
// pages are compared byte by byte; UTF-8 pages by their case-folded text. The query is trimmed of
// spaces; an empty query matches every page. Pages with a blank name never match. The page
// store's position is not touched: every tab file is read on its own.
class BookSearch {
public:
    explicit BookSearch(const BookFolder& folder) : m_folder(folder) {}

    // `afterTab(tab, foundSoFar)` runs after each tab file has been read. With `onHit`, each
    // page found goes to it, with its stored record, instead of into the outcome's hits, so
    // memory does not grow with the book.
    SearchOutcome
    run(const SelectorFlags& flags, QStringView query,
        const std::function<void(int, int)>& afterTab = {},
        const std::function<void(const SearchHit&, QByteArrayView)>& onHit = {}) const;

    // Whether the page a result line points at is still in its tab: pages removed since the
    // search (blank-page removal) leave lines that point past the end.
    bool pageExists(const PagePosition& position) const;

private:
    const BookFolder& m_folder;
};

// A found page's line in the list: name, organisation, phone, tab text and page number in
// fixed columns (83 characters while the page number has at most five digits).
QString resultLine(int tab, qint64 page, const PlainRecord& record);
// The same from the plain, trimmed texts of the three fields, stored in `encoding`.
QString resultLine(int tab, qint64 page, QByteArrayView name, QByteArrayView organisation,
                   QByteArrayView phone1, TextEncoding encoding = TextEncoding::Windows1252);
// " A " ... " H ", " IJ", " K " ... " Z ".
QString resultTabText(int tab);
// "A" or "0" give 1 ... "Z" 25; anything else gives no tab.
std::optional<int> tabIndexForText(QStringView text);
// The tab and page a result line points at; empty for a line that names no letter tab or page.
std::optional<PagePosition> positionOfLine(QStringView line);

// Makes the found lines the program-wide search results. Nothing found leaves them as they are.
void storeResults(SearchResults& results, const SearchOutcome& outcome);

// Case folding of single-byte Windows-1252 text, as the search compares it.
char foldCase(char c);

} // namespace orvelan
