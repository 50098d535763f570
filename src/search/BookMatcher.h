#pragma once

#include "search/BookSearch.h"
#include "search/NameKey.h"
#include "store/BookFolder.h"
#include "store/PageRecord.h"
#include "telephony/PhoneNumbers.h"

#include <QByteArray>

#include <cstdint>
#include <tuple>
#include <vector>

namespace orvelan {

// Finds, for each of a list of incoming pages (an import's records), the pages of the book that
// look like it: a telephone number libphonenumber takes for the same, the same e-mail address in
// any letter case, or the same name key (NameKeys). The book is read once. Of each incoming page
// only its keys are held: 64-bit hashes of its name key and e-mail address, and its numbers'
// last digits with the numbers as written (libphonenumber reads only those whose last digits
// meet a number of the book), so 250,000 records take a few megabytes.
class BookMatcher {
public:
    BookMatcher(const BookFolder& folder, const PhoneNumbers& phones, NameKeys& names)
        : m_folder(folder), m_phones(phones), m_names(names) {}

    // Takes the keys of the next incoming page (a staged record as stored); pages are numbered
    // from 0 in the order added.
    void add(const PlainRecord& staged);
    // Room for the keys of `count` incoming pages.
    void reserve(qsizetype count);

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
        bool operator<(const Number& o) const {
            return tail != o.tail ? tail < o.tail : incoming < o.incoming;
        }
    };

    const BookFolder& m_folder;
    const PhoneNumbers& m_phones;
    NameKeys& m_names;
    std::uint32_t m_count = 0;
    std::vector<Key> m_nameKeys;
    std::vector<Key> m_emailKeys;
    std::vector<Key> m_textKeys; // all the texts a page shows
    std::vector<Number> m_numbers;
    QByteArray m_numberTexts;
};

} // namespace orvelan
