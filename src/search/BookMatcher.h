#pragma once

#include "search/BookSearch.h"
#include "search/NameKey.h"
#include "search/SystemPagesAllocator.h"
#include "store/BookFolder.h"
#include "store/PageRecord.h"
#include "telephony/PhoneNumbers.h"

#include <QByteArray>

#include <cstdint>
#include <tuple>
#include <vector>

namespace orvelan {

// The keys of incoming pages (an import's records) that BookMatcher compares: 64-bit hashes of
// each page's name key, e-mail address and shown texts, and its numbers' last digits with the
// numbers as written, so 250,000 records take a few megabytes. They can be taken while the
// records are staged and handed to the matcher later, numbered as it needs them.
class IncomingKeys {
public:
    // A page number that renumber() lets go.
    static constexpr std::uint32_t Dropped = UINT32_MAX;

    // Takes the keys of a page (a staged record as stored) as incoming page `incoming`.
    void add(const StoredRecordView& staged, NameKeys& names, std::uint32_t incoming);
    // The same for a page about to be stored as `stored` (its toStored(), with its identity),
    // without reading `stored` back where the page's own fields tell what it will hold.
    void add(const PageRecord& page, QByteArrayView stored, NameKeys& names,
             std::uint32_t incoming);
    // Room for the keys of `count` pages.
    void reserve(qsizetype count);
    // One more than the highest page number held (0 when empty).
    std::uint32_t count() const { return m_count; }

    // Page `p` becomes page `numberOf[p]`; a page numbered Dropped (or beyond the list) is let
    // go. `count` is one more than the highest new number.
    void renumber(const std::vector<std::uint32_t>& numberOf, std::uint32_t count);
    // Takes the keys of `other` too, their page numbers as they are.
    void merge(IncomingKeys&& other);

private:
    friend class BookMatcher;
    template <typename Record>
    void addOf(const Record& staged, NameKeys& names, std::uint32_t incoming);

    // A 64-bit hash and its page in 12 bytes (a 64-bit member would pad it to 16).
    struct Key {
        Key(std::uint64_t hash, std::uint32_t incoming)
            : high(std::uint32_t(hash >> 32)), low(std::uint32_t(hash)), incoming(incoming) {}
        std::uint32_t high;
        std::uint32_t low;
        std::uint32_t incoming;
        std::uint64_t hash() const { return std::uint64_t(high) << 32 | low; }
        bool operator<(const Key& o) const {
            return std::tie(high, low, incoming) < std::tie(o.high, o.low, o.incoming);
        }
    };
    struct Number {
        std::uint32_t tail; // last seven digits (six digits apart from seven)
        std::uint32_t incoming;
        std::uint32_t text; // offset into m_numberTexts (UTF-8, ended by a zero byte)
        // A page's numbers sharing a tail stay in the order they were taken (their texts are
        // stored in that order), however the keys were gathered.
        bool operator<(const Number& o) const {
            return std::tie(tail, incoming, text) < std::tie(o.tail, o.incoming, o.text);
        }
    };

    // The keys of a whole import's pages grow while its cards are read: they are kept apart
    // from the heap.
    template <typename T> using Array = std::vector<T, SystemPagesAllocator<T>>;

    std::uint32_t m_count = 0;
    Array<Key> m_nameKeys;
    Array<Key> m_emailKeys;
    Array<Key> m_textKeys; // all the texts a page shows
    Array<Number> m_numbers;
    Array<char> m_numberTexts;
};

// Finds, for each of a list of incoming pages (an import's records), the pages of the book that
// look like it: a telephone number libphonenumber takes for the same, the same e-mail address in
// any letter case, or the same name key (NameKeys). The book is read once. Of each incoming page
// only its keys are held (IncomingKeys; libphonenumber reads only the numbers whose last digits
// meet a number of the book).
class BookMatcher {
public:
    BookMatcher(const BookFolder& folder, const PhoneNumbers& phones, NameKeys& names)
        : m_folder(folder), m_phones(phones), m_names(names) {}

    // Takes the keys of incoming pages (numbered from 0, apart from those taken before).
    void add(IncomingKeys&& keys);

    // An incoming page and a book page that looks like it.
    struct Match {
        std::uint32_t incoming;
        std::int32_t tab : 31;
        std::uint32_t byNameOrEmail : 1; // else by a number only
        std::uint32_t page;
        PagePosition position() const { return {tab, page}; }
        bool operator<(const Match& o) const {
            return std::tuple(incoming, int(tab), page) <
                   std::tuple(o.incoming, int(o.tab), o.page);
        }
        bool operator==(const Match& o) const {
            return incoming == o.incoming && tab == o.tab && page == o.page;
        }
    };
    // Every match, by incoming page, each one's book pages in book order, none twice. The keys
    // are let go: pages are added again before another find.
    std::vector<Match> find();

    // An incoming page and an earlier one it looks like by the same keys, or shows the same
    // texts as.
    struct Earlier {
        std::uint32_t incoming;
        std::uint32_t earlier;
        bool operator<(const Earlier& o) const {
            return std::tie(incoming, earlier) < std::tie(o.incoming, o.earlier);
        }
        bool operator==(const Earlier&) const = default;
    };
    // For each incoming page, the first page added before it that holds each of its keys (a
    // file that holds the same person twice), by incoming page, none twice. Asked before find().
    std::vector<Earlier> findEarlier();

private:
    using Key = IncomingKeys::Key;
    using Number = IncomingKeys::Number;

    const BookFolder& m_folder;
    const PhoneNumbers& m_phones;
    NameKeys& m_names;
    IncomingKeys m_keys;
};

} // namespace orvelan
