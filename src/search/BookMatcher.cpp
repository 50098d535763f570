#include "search/BookMatcher.h"

#include "store/PageEncoding.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace orvelan {

namespace {

constexpr Field MatchedStoredNumbers[] = {Field::Phone1, Field::Phone2, Field::Mobile,
                                          Field::Pager};
constexpr std::size_t NameSeed = 0x6e616d65;
constexpr std::size_t EmailSeed = 0x656d6169;

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

} // namespace

void BookMatcher::add(const PlainRecord& staged) {
    const std::uint32_t incoming = m_count++;
    // The texts as the page's view has them (textsOf): decoded by the encoding its Reserved
    // field announces.
    const TextEncoding encoding = encodingOfReserved(staged.field(Field::Reserved));
    const auto text = [&](Field field) { return decodeText(staged.field(field), encoding); };
    if (const QString key = m_names.keyOf(text(Field::Name)); !key.isEmpty())
        m_nameKeys.push_back({qHash(key, NameSeed), incoming});
    if (const QString key = emailKey(text(Field::Email)); !key.isEmpty())
        m_emailKeys.push_back({qHash(key, EmailSeed), incoming});
    for (const Field field : MatchedStoredNumbers) {
        const QString number = text(field);
        if (const auto tail = matchedTailOf(number)) {
            m_numbers.push_back({*tail, incoming, std::uint32_t(m_numberTexts.size())});
            m_numberTexts += number.toUtf8();
            m_numberTexts += '\0';
        }
    }
}

void BookMatcher::reserve(qsizetype count) {
    m_nameKeys.reserve(std::size_t(count));
    m_emailKeys.reserve(std::size_t(count));
    m_numbers.reserve(std::size_t(count));
    m_numberTexts.reserve(count * 16); // "+44 1234 567890"
}

std::vector<BookMatcher::Match> BookMatcher::find() {
    std::vector<Match> found;
    if (m_count == 0)
        return found;
    found.reserve(m_count); // mostly a page or none each
    std::sort(m_nameKeys.begin(), m_nameKeys.end());
    std::sort(m_emailKeys.begin(), m_emailKeys.end());
    std::sort(m_numbers.begin(), m_numbers.end());
    const auto hashOf = [](const Key& key) { return key.hash; };
    std::vector<std::uint32_t> met; // the incoming pages one book page meets
    for (int tab = 0; tab < TabCount; ++tab) {
        m_folder.tabFile(tab).scan([&](qint64 page, QByteArrayView stored) {
            const PlainRecord record(stored);
            if (record.isBlank())
                return true;
            met.clear();
            const QString name = m_names.keyOfPage(record);
            if (!name.isEmpty()) {
                const auto [begin, end] =
                    entriesWith(m_nameKeys, std::uint64_t(qHash(name, NameSeed)), hashOf);
                for (auto it = begin; it != end; ++it)
                    met.push_back(it->incoming);
            }
            if (!record.field(Field::Email).isEmpty()) {
                const QString email = emailKey(record.text(Field::Email));
                if (!email.isEmpty()) {
                    const auto [begin, end] =
                        entriesWith(m_emailKeys, std::uint64_t(qHash(email, EmailSeed)), hashOf);
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
                    entriesWith(m_numbers, *tail, [](const Number& n) { return n.tail; });
                for (auto it = begin; it != end; ++it) {
                    // A page the record already meets by name or e-mail is not compared again.
                    if (std::binary_search(met.begin(), met.begin() + metByKey, it->incoming))
                        continue;
                    if (m_phones.sameNumber(
                            number, QString::fromUtf8(m_numberTexts.constData() + it->text)))
                        met.push_back(it->incoming);
                }
            }
            for (const std::uint32_t incoming : met)
                found.push_back({incoming, tab, std::uint32_t(page)});
            return true;
        });
    }
    m_count = 0;
    std::vector<Key>().swap(m_nameKeys);
    std::vector<Key>().swap(m_emailKeys);
    std::vector<Number>().swap(m_numbers);
    m_numberTexts = QByteArray();
    // By incoming page, each one's pages in book order.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace orvelan
