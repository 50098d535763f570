#pragma once

#include "search/BookSearch.h"
#include "search/PhoneQuery.h"
#include "store/BookFolder.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orvelan {

// What the find box looks for: the text in any field of a page, ignoring letter case in any
// script, and a query written like a number also by its digits in the number fields.
class FindQuery {
public:
    FindQuery(QStringView text, const PhoneNumbers& phones);
    bool isEmpty() const { return m_folded.empty(); }

private:
    friend class FindIndex;
    std::string m_folded; // trimmed, case-folded, UTF-8
    PhoneQuery m_phone;
};

// A page found by the find box: its row in the index and the page text box that matched
// (PageViewIndex: 0 = Name .. 25 = Notes), or -1 when the query was empty.
struct FindHit {
    int row = 0;
    int field = -1;
    bool operator==(const FindHit&) const = default;
};

// Every named page of the book (all 26 tabs) in memory, in name order: tab by tab, and within a
// tab by the collation of the user's locale. Texts are kept as UTF-8 side by side with their
// case-folded form and the digits of the numbers, so a query runs through the whole book without
// reading a file. refresh() reads again only the tab files that changed.
class FindIndex {
public:
    explicit FindIndex(const BookFolder& folder);

    // Reads the tab files that changed since the last refresh (every one the first time, and
    // one changed moments before it was read until its change is settled); true when any was. Pages
    // that do not decode or fail their seal are left out, and kept in damaged().
    bool refresh();

    int size() const { return m_size; }
    // The damaged pages left out, tab by tab in page order.
    QList<PagePosition> damaged() const;
    int damagedCount() const { return m_damagedCount; }
    PagePosition position(int row) const;
    QString text(int row, int field) const; // the field's text as the page shows it

    struct Batch {
        QList<FindHit> hits;
        int next = 0;      // the row to go on from
        bool done = false; // every row was looked at
    };
    // The pages from row `from` on that match, until `limit` were found or the rows ran out.
    Batch find(const FindQuery& query, int from, int limit) const;

    // The list line of a row: the name, then the matched field as "Mobile: +7 495 123-45-67"
    // (the organisation and Phone 1 when no field matched), the tab and the page number.
    QString line(const FindHit& hit) const;

private:
    struct Entry {
        qint32 page;
        quint32 texts;  // offset of the 26 texts in the tab's arena, each ended by '\0'
        quint32 folded; // the same folded
        quint32 digits; // the digits of the five numbers, each ended by '\0'
    };
    struct Tab {
        std::vector<Entry> entries;
        std::string arena;
        std::vector<qint64> damaged; // pages left out
        QDateTime modified;
        QDateTime readAt;
        qint64 bytes = -1;
        bool read = false;
    };
    void readTab(int tab, Tab& into) const;
    std::pair<const Tab*, const Entry*> locate(int row) const;
    int match(const Tab& tab, const Entry& entry, const FindQuery& query) const;
    static std::string_view fieldOf(const std::string& arena, quint32 offset, int field);

    const BookFolder& m_folder;
    std::array<Tab, 26> m_tabs;
    std::array<int, 27> m_firstRow{}; // the first row of each tab, and the size
    int m_size = 0;
    int m_damagedCount = 0;
};

} // namespace orvelan
