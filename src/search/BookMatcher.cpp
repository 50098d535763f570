#include "search/BookMatcher.h"

#include "store/PageEncoding.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>

namespace orvelan {

namespace {

constexpr Field MatchedStoredNumbers[] = {Field::Phone1, Field::Phone2, Field::Mobile,
                                          Field::Pager};
constexpr std::size_t NameSeed = 0x6e616d65;
constexpr std::size_t EmailSeed = 0x656d6169;
constexpr std::size_t TextSeed = 0x74657874;
// A tail key's numbers written differently that one number is compared with: a file with more
// than this many numbers sharing their last seven digits is not asked about each pair.
constexpr std::size_t MostNumbersPerTail = 16;

// The tail key of a number (PhoneNumbers::tailKey), or none for one too short to be anyone's.
std::optional<std::uint32_t> matchedTailOf(const QString& number) {
    return PhoneNumbers::tailKey(PhoneNumbers::digits(number).toLatin1());
}

// The entries whose `of` is `value`, in a list sorted by it.
template <typename Entries, typename Value, typename Of>
auto entriesWith(const Entries& entries, Value value, Of of) {
    const auto begin = std::lower_bound(entries.begin(), entries.end(), value,
                                        [&of](const auto& e, Value v) { return of(e) < v; });
    const auto end = std::upper_bound(begin, entries.end(), value,
                                      [&of](Value v, const auto& e) { return v < of(e); });
    return std::pair{begin, end};
}

// A 64-bit hash fed eight bytes at a time: Qt's hash costs more to start and end than the
// short texts a page holds cost to read.
class Hasher {
public:
    explicit Hasher(std::uint64_t seed) : m_hash(seed) {}
    void add(std::uint64_t word) {
        m_hash = (m_hash ^ word) * 0x9e3779b97f4a7c15u;
        m_hash ^= m_hash >> 29;
    }
    void add(const char* bytes, std::size_t size) {
        add(std::uint64_t(size));
        std::size_t at = 0;
        for (; at + 8 <= size; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at, 8);
            add(word);
        }
        if (at < size) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + at, size - at);
            add(word);
        }
    }
    std::uint64_t value() const { return m_hash ^ (m_hash >> 32); }

private:
    std::uint64_t m_hash;
};

// The hash of a name or e-mail key.
std::uint64_t keyHash(const QString& key, std::uint64_t seed) {
    Hasher hasher(seed);
    hasher.add(reinterpret_cast<const char*>(key.constData()), std::size_t(key.size()) * 2);
    return hasher.value();
}

// A hash of the texts a page shows as stored, each field's number, length and bytes in turn.
template <typename Record> std::uint64_t textsHash(const Record& staged, TextEncoding encoding) {
    Hasher hasher(TextSeed + std::uint64_t(encoding));
    for (int i = 0; i < ViewFieldCount; ++i) {
        const QByteArrayView text = staged.field(viewField(i));
        hasher.add(std::uint64_t(i));
        hasher.add(text.data(), std::size_t(text.size()));
    }
    return hasher.value();
}

// The fields of a Windows-1252 page about to be stored, as they read back once it is: trimmed
// and cut at their width, a byte to a character (PageRecord::toStored, PlainRecord::field).
class StoringView {
public:
    StoringView(const PageRecord& page, QByteArrayView stored) : m_page(page), m_stored(stored) {}

    QByteArrayView field(Field f) const {
        const FieldSpec& spec = specOf(f);
        if (f == Field::Reserved) // stored as it is, with the page's identity
            return trimSpaces(m_stored.sliced(spec.offset, spec.width));
        const QByteArrayView text = trimSpaces(QByteArrayView(m_page[f]));
        return trimSpaces(text.first(std::min<qsizetype>(text.size(), spec.width)));
    }

private:
    const PageRecord& m_page;
    QByteArrayView m_stored;
};

} // namespace

void IncomingKeys::add(const PageRecord& page, QByteArrayView stored, NameKeys& names,
                       std::uint32_t incoming) {
    if (page.encoding() == TextEncoding::Windows1252 &&
        encodingOfStored(stored) == TextEncoding::Windows1252)
        addOf(StoringView(page, stored), names, incoming);
    else
        addOf(StoredRecordView(stored), names, incoming);
}

void IncomingKeys::add(const StoredRecordView& staged, NameKeys& names, std::uint32_t incoming) {
    addOf(staged, names, incoming);
}

template <typename Record>
void IncomingKeys::addOf(const Record& staged, NameKeys& names, std::uint32_t incoming) {
    m_count = std::max(m_count, incoming + 1);
    // The texts as the page's view has them (textsOf): decoded by the encoding its Reserved
    // field announces.
    const TextEncoding encoding = encodingOfReserved(staged.field(Field::Reserved));
    const auto text = [&](Field field) { return decodeText(staged.field(field), encoding); };
    // A Windows-1252 name is keyed from its bytes, as a book page's is (keyOfPage).
    const QString key = encoding == TextEncoding::Windows1252
                            ? names.keyOfWindows1252(staged.field(Field::Name))
                            : names.keyOf(text(Field::Name));
    if (!key.isEmpty())
        m_nameKeys.push_back({keyHash(key, NameSeed), incoming});
    if (const QString key = emailKey(text(Field::Email)); !key.isEmpty())
        m_emailKeys.push_back({keyHash(key, EmailSeed), incoming});
    // The texts the page shows as stored, in its encoding: the same record written twice.
    m_textKeys.push_back({textsHash(staged, encoding), incoming});
    for (const Field field : MatchedStoredNumbers) {
        const QByteArrayView stored = staged.field(field);
        if (stored.isEmpty())
            continue;
        // Windows-1252 writes no digits but 0 to 9: the tail is read from the bytes, and only a
        // number that has one is decoded.
        std::optional<std::uint32_t> tail;
        bool ascii = encoding == TextEncoding::Windows1252;
        if (ascii) {
            QVarLengthArray<char, 32> digits;
            for (const char c : stored) {
                if (c >= '0' && c <= '9')
                    digits.append(c);
                ascii = ascii && (c & 0x80) == 0;
            }
            tail = PhoneNumbers::tailKey(QByteArrayView(digits.constData(), digits.size()));
        } else {
            tail = matchedTailOf(text(field));
        }
        if (tail) {
            m_numbers.push_back({*tail, incoming, std::uint32_t(m_numberTexts.size())});
            const QByteArray utf8 = ascii ? QByteArray() : text(field).toUtf8();
            const QByteArrayView written = ascii ? stored : QByteArrayView(utf8);
            m_numberTexts.insert(m_numberTexts.end(), written.begin(), written.end());
            m_numberTexts.push_back('\0');
        }
    }
}

void IncomingKeys::reserve(qsizetype count) {
    m_nameKeys.reserve(std::size_t(count));
    m_emailKeys.reserve(std::size_t(count));
    m_textKeys.reserve(std::size_t(count));
    m_numbers.reserve(std::size_t(count));
    m_numberTexts.reserve(std::size_t(count) * 16); // "+44 1234 567890"
}

void IncomingKeys::renumber(const std::vector<std::uint32_t>& numberOf, std::uint32_t count) {
    const auto numbered = [&numberOf](auto& keys) {
        std::size_t kept = 0;
        for (auto& key : keys) {
            if (key.incoming < numberOf.size() && numberOf[key.incoming] != Dropped) {
                key.incoming = numberOf[key.incoming];
                keys[kept++] = key;
            }
        }
        keys.erase(keys.begin() + std::ptrdiff_t(kept), keys.end());
    };
    numbered(m_nameKeys);
    numbered(m_emailKeys);
    numbered(m_textKeys);
    numbered(m_numbers);
    m_count = count;
}

void IncomingKeys::merge(IncomingKeys&& other) {
    const std::uint32_t count = std::max(m_count, other.m_count);
    if (m_nameKeys.empty() && m_emailKeys.empty() && m_textKeys.empty() && m_numbers.empty()) {
        // Nothing of its own to keep (at most a page count): the other keys are taken as they
        // are, not copied beside themselves.
        *this = std::move(other);
        m_count = count;
        return;
    }
    m_count = count;
    for (auto [keys, more] :
         {std::pair{&m_nameKeys, &other.m_nameKeys}, std::pair{&m_emailKeys, &other.m_emailKeys},
          std::pair{&m_textKeys, &other.m_textKeys}})
        keys->insert(keys->end(), more->begin(), more->end());
    const auto base = std::uint32_t(m_numberTexts.size());
    for (Number number : other.m_numbers) {
        number.text += base;
        m_numbers.push_back(number);
    }
    m_numberTexts.insert(m_numberTexts.end(), other.m_numberTexts.begin(),
                         other.m_numberTexts.end());
    other = IncomingKeys();
}

void BookMatcher::add(IncomingKeys&& keys) {
    m_keys.merge(std::move(keys));
}

std::vector<BookMatcher::Earlier> BookMatcher::findEarlier() {
    std::vector<Earlier> found;
    for (IncomingKeys::Array<Key>* keys :
         {&m_keys.m_nameKeys, &m_keys.m_emailKeys, &m_keys.m_textKeys}) {
        IncomingKeys::Array<Key>& sorted = *keys;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t at = 0; at < sorted.size();) {
            std::size_t end = at + 1;
            for (; end < sorted.size() && sorted[end].hash() == sorted[at].hash(); ++end) {
                if (sorted[end].incoming != sorted[at].incoming)
                    found.push_back({sorted[end].incoming, sorted[at].incoming});
            }
            at = end;
        }
    }
    // The numbers sharing a tail, in the order added: each meets the first page of the number
    // that libphonenumber takes for the same (the same text first).
    IncomingKeys::Array<Number>& numbers = m_keys.m_numbers;
    std::sort(numbers.begin(), numbers.end());
    const auto textOf = [this](const Number& n) { return m_keys.m_numberTexts.data() + n.text; };
    std::vector<const Number*> distinct;
    for (std::size_t at = 0; at < numbers.size();) {
        std::size_t end = at;
        while (end < numbers.size() && numbers[end].tail == numbers[at].tail)
            ++end;
        distinct.clear();
        for (std::size_t i = at; i < end && end - at > 1; ++i) {
            const Number& number = numbers[i];
            const auto same = std::find_if(distinct.begin(), distinct.end(), [&](const Number* d) {
                return std::strcmp(textOf(*d), textOf(number)) == 0 ||
                       m_phones.sameNumber(QString::fromUtf8(textOf(*d)),
                                           QString::fromUtf8(textOf(number)));
            });
            if (same == distinct.end()) {
                if (distinct.size() < MostNumbersPerTail)
                    distinct.push_back(&number);
            } else if ((*same)->incoming != number.incoming) {
                found.push_back({number.incoming, (*same)->incoming});
            }
        }
        at = end;
    }
    IncomingKeys::Array<Key>().swap(m_keys.m_textKeys); // the book's pages are not compared whole
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<BookMatcher::Match> BookMatcher::find() {
    std::vector<Match> found;
    if (m_keys.m_count == 0)
        return found;
    found.reserve(m_keys.m_count); // mostly a page or none each
    // findEarlier() may have sorted them already.
    const auto sortOnce = [](auto& keys) {
        if (!std::is_sorted(keys.begin(), keys.end()))
            std::sort(keys.begin(), keys.end());
    };
    sortOnce(m_keys.m_nameKeys);
    sortOnce(m_keys.m_emailKeys);
    sortOnce(m_keys.m_numbers);
    const auto hashOf = [](const Key& key) { return key.hash(); };
    std::vector<std::uint32_t> met;                  // the incoming pages one book page meets
    std::vector<std::pair<const char*, bool>> asked; // number texts compared with one number
    for (int tab = 0; tab < TabCount; ++tab) {
        m_folder.tabFile(tab).scan([&](qint64 page, QByteArrayView stored) {
            const PlainRecord record(stored);
            if (record.isBlank())
                return true;
            met.clear();
            const QString name = m_names.keyOfPage(record);
            if (!name.isEmpty()) {
                const auto [begin, end] =
                    entriesWith(m_keys.m_nameKeys, keyHash(name, NameSeed), hashOf);
                for (auto it = begin; it != end; ++it)
                    met.push_back(it->incoming);
            }
            if (!record.field(Field::Email).isEmpty()) {
                const QString email = emailKey(record.text(Field::Email));
                if (!email.isEmpty()) {
                    const auto [begin, end] =
                        entriesWith(m_keys.m_emailKeys, keyHash(email, EmailSeed), hashOf);
                    for (auto it = begin; it != end; ++it)
                        met.push_back(it->incoming);
                }
            }
            std::sort(met.begin(), met.end());
            met.erase(std::unique(met.begin(), met.end()), met.end());
            const std::size_t metByKey = met.size();
            for (const Field field : MatchedStoredNumbers) {
                if (record.field(field).isEmpty())
                    continue;
                const QString number = record.text(field);
                const auto tail = matchedTailOf(number);
                if (!tail)
                    continue;
                const auto [begin, end] =
                    entriesWith(m_keys.m_numbers, *tail, [](const Number& n) { return n.tail; });
                // Records that share a number (an office's) write it alike: libphonenumber is
                // asked once for each way of writing it.
                asked.clear();
                QByteArray written; // the page's number in UTF-8, when asked
                for (auto it = begin; it != end; ++it) {
                    // A page the record already meets by name or e-mail is not compared again.
                    if (std::binary_search(met.begin(), met.begin() + metByKey, it->incoming))
                        continue;
                    const char* text = m_keys.m_numberTexts.data() + it->text;
                    auto answer = std::find_if(asked.begin(), asked.end(), [text](const auto& a) {
                        return std::strcmp(a.first, text) == 0;
                    });
                    if (answer == asked.end()) {
                        // The same text is the same number (a file imported again).
                        if (written.isEmpty())
                            written = number.toUtf8();
                        const bool same =
                            written == text || m_phones.sameNumber(number, QString::fromUtf8(text));
                        if (asked.size() == MostNumbersPerTail)
                            asked.pop_back();
                        answer = asked.insert(asked.end(), {text, same});
                    }
                    if (answer->second)
                        met.push_back(it->incoming);
                }
            }
            for (std::size_t i = 0; i < met.size(); ++i)
                found.push_back({met[i], tab, i < metByKey, std::uint32_t(page)});
            return true;
        });
    }
    m_keys = IncomingKeys();
    // By incoming page, each one's pages in book order.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace orvelan
