#include "exchange/ImportAgainstBook.h"

#include "book/PageMerge.h"
#include "search/BookMatcher.h"
#include "store/PageEncoding.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "telephony/PhoneNumbers.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace orvelan {

namespace {

// Whether the book may hold a page a record could meet: a named page, a damaged one, or a tab
// that cannot be read.
bool mayHoldPages(const BookFolder& folder) {
    bool found = false;
    for (int tab = 0; tab < TabCount && !found; ++tab) {
        const int error = folder.tabFile(tab).scan(
            [&found](qint64, QByteArrayView stored) {
                found = !isBlankStored(stored);
                return !found;
            },
            [&found](qint64) { found = true; });
        if (error && QFile::exists(folder.tabFilePath(tab)))
            found = true;
    }
    return found;
}

// Whether two stored pages show the same texts (textsOf): the same encoding and the same bytes
// in every field a page shows.
bool showsSameTexts(const PlainRecord& a, const PlainRecord& b) {
    if (encodingOfReserved(a.field(Field::Reserved)) !=
        encodingOfReserved(b.field(Field::Reserved)))
        return false;
    for (int i = 0; i < ViewFieldCount; ++i) {
        if (a.field(viewField(i)) != b.field(viewField(i)))
            return false;
    }
    return true;
}

// Where meetTheBook leaves a listed record.
enum : std::uint8_t { Unread, ToFile, Handled, UnreadLater };

// A record meetTheBook counted: it holds only once the records of its file it met are filed.
struct Counted {
    enum class As : std::uint8_t { AlreadyIn, Merged, LooksLike };
    std::uint32_t record = 0; // index in the listed records
    As as = As::AlreadyIn;
    bool metBook = false;       // a look-alike of a page of the book
    std::uint32_t firstMet = 0; // the records of its file it was counted against (their indices
    std::uint32_t metCount = 0; // in the listed records): Meeting::met[firstMet, + metCount)
};

// What meetTheBook decided: the records to file and what it counted of the others.
struct Meeting {
    QList<ListedRecord> toFile;
    std::vector<std::uint32_t> listedAt; // index in the listed records of each of toFile; empty
                                         // when toFile is the list as it came
    std::vector<std::uint8_t> state;
    std::vector<Counted> counted;
    std::vector<std::uint32_t> met;
};

} // namespace

std::optional<ImportDuplicates> importDuplicatesNamed(QStringView name) {
    if (name == u"skip")
        return ImportDuplicates::Skip;
    if (name == u"merge")
        return ImportDuplicates::Merge;
    if (name == u"keep")
        return ImportDuplicates::Keep;
    return std::nullopt;
}

namespace {

// Compares the listed staged records with the book before they are filed (see BookMatcher for
// "looks like"), merges where asked, and returns the records still to be filed, in their order,
// with what it counted of every record that met a page or an earlier record.
Meeting meetTheBook(const BookFolder& folder, const Clock& clock, const QList<ListedRecord>& listed,
                    ImportDuplicates choice, StagedKeys* stagedKeys) {
    Meeting meeting;
    // A book without a page meets nothing, and one record nothing in its own file: the records
    // are not read again (a first import of a single card).
    const bool bookMayHoldPages = mayHoldPages(folder);
    if (!bookMayHoldPages && listed.size() < 2) {
        meeting.toFile = listed;
        return meeting;
    }
    const PhoneNumbers phones = phoneNumbersSetting(folder.configPath());
    if (bookMayHoldPages)
        phones.prepare(); // records are merged into pages as numbers are compared
    NameKeys names;       // one transliterator for the whole import
    BookMatcher matcher(folder, phones, names);

    // The records' keys, numbered in file order: those taken while staging where every record
    // listed of a tab has them, else read from the staging file (of each record only its keys
    // are kept). A record whose staged page cannot be read is left to importListed, which
    // counts its failure.
    std::vector<std::uint8_t>& state = meeting.state;
    state.assign(std::size_t(listed.size()), Unread);
    std::vector<std::uint32_t> listedOf; // incoming page -> its index in `listed`
    listedOf.reserve(std::size_t(listed.size()));
    {
        // The listed records in file order (a listing is in that order already).
        const auto byPlace = [&listed](std::uint32_t a, std::uint32_t b) {
            return listed[a].tab != listed[b].tab ? listed[a].tab < listed[b].tab
                                                  : listed[a].record < listed[b].record;
        };
        std::vector<std::uint32_t> sorted;
        for (qsizetype i = 1; i < listed.size() && sorted.empty(); ++i) {
            if (byPlace(std::uint32_t(i), std::uint32_t(i - 1))) {
                sorted.resize(std::size_t(listed.size()));
                std::iota(sorted.begin(), sorted.end(), 0u);
                std::stable_sort(sorted.begin(), sorted.end(), byPlace);
            }
        }
        const auto inFileOrder = [&sorted](std::size_t k) {
            return sorted.empty() ? std::uint32_t(k) : sorted[k];
        };
        const std::size_t count = std::size_t(listed.size());

        // Where the kept keys serve: the tabs each of whose listed records has its own, each
        // with its first listed record and the incoming page it became.
        StagedKeys kept = stagedKeys ? std::move(*stagedKeys) : StagedKeys();
        if (stagedKeys)
            *stagedKeys = {};
        std::array<qint64, TabCount> stagedOfTab{};
        for (const std::uint8_t tab : kept.tabs) {
            if (tab < TabCount)
                ++stagedOfTab[tab];
        }
        struct KeptTab {
            bool kept = false;
            std::size_t at = 0;          // its first record in file order
            std::uint32_t firstPage = 0; // that record's incoming page
        };
        std::array<KeptTab, TabCount> keptTabs{};
        IncomingKeys read;
        for (std::size_t at = 0; at < count;) {
            const int tab = listed[inFileOrder(at)].tab;
            std::size_t end = at;
            while (end < count && listed[inFileOrder(end)].tab == tab)
                ++end;
            if (tab < 0 || tab >= TabCount) {
                at = end;
                continue;
            }
            bool allKept = true;
            for (std::size_t k = at; k < end && allKept; ++k) {
                const qint64 record = listed[inFileOrder(k)].record;
                const qint64 j = record - kept.firstRecord[std::size_t(tab)];
                allKept = j >= 0 && j < stagedOfTab[std::size_t(tab)] &&
                          (k == at || listed[inFileOrder(k - 1)].record != record);
            }
            if (allKept) {
                keptTabs[std::size_t(tab)] = {true, at, std::uint32_t(listedOf.size())};
                for (std::size_t k = at; k < end; ++k) {
                    listedOf.push_back(inFileOrder(k));
                    state[inFileOrder(k)] = ToFile;
                }
                at = end;
                continue;
            }
            if (read.count() == 0)
                read.reserve(qsizetype(count - listedOf.size()));
            std::size_t next = at;
            folder.tabTempFile(tab).scan([&](qint64 page, QByteArrayView stored) {
                while (next < end && listed[inFileOrder(next)].record < page)
                    ++next;
                if (next == end)
                    return false;
                if (listed[inFileOrder(next)].record == page && !isBlankStored(stored)) {
                    const StoredRecordView record(stored);
                    for (; next < end && listed[inFileOrder(next)].record == page; ++next) {
                        read.add(record, names, std::uint32_t(listedOf.size()));
                        listedOf.push_back(inFileOrder(next));
                        state[inFileOrder(next)] = ToFile;
                    }
                }
                return true;
            });
            at = end;
        }
        // Each staged record's incoming page: its tab's records were staged in record order.
        std::vector<std::uint32_t> numberOf(kept.tabs.size(), IncomingKeys::Dropped);
        std::array<qint64, TabCount> stagedSoFar{};
        std::array<std::size_t, TabCount> listedAt{};
        for (int tab = 0; tab < TabCount; ++tab)
            listedAt[std::size_t(tab)] = keptTabs[std::size_t(tab)].at;
        for (std::size_t p = 0; p < kept.tabs.size(); ++p) {
            const std::size_t tab = kept.tabs[p];
            if (tab >= TabCount || !keptTabs[tab].kept)
                continue;
            const qint64 record = kept.firstRecord[tab] + stagedSoFar[tab]++;
            std::size_t& k = listedAt[tab];
            while (k < count && listed[inFileOrder(k)].tab == int(tab) &&
                   listed[inFileOrder(k)].record < record)
                ++k;
            if (k < count && listed[inFileOrder(k)].tab == int(tab) &&
                listed[inFileOrder(k)].record == record)
                numberOf[p] = keptTabs[tab].firstPage + std::uint32_t(k - keptTabs[tab].at);
        }
        kept.keys.renumber(numberOf, std::uint32_t(listedOf.size()));
        matcher.add(std::move(kept.keys));
        matcher.add(std::move(read));
    }
    // Each record's earlier records of the same file, by listed record, the later one first.
    std::vector<BookMatcher::Earlier> earlier = matcher.findEarlier();
    for (BookMatcher::Earlier& pair : earlier) {
        pair.incoming = listedOf[pair.incoming];
        pair.earlier = listedOf[pair.earlier];
        if (pair.incoming < pair.earlier)
            std::swap(pair.incoming, pair.earlier);
    }
    std::sort(earlier.begin(), earlier.end());
    // Each record's book pages, by listed record, each one's pages in book order.
    std::vector<BookMatcher::Match> matches =
        bookMayHoldPages ? matcher.find() : std::vector<BookMatcher::Match>();
    for (BookMatcher::Match& match : matches)
        match.incoming = listedOf[match.incoming];
    if (!std::is_sorted(matches.begin(), matches.end()))
        std::sort(matches.begin(), matches.end());

    // Only a record that meets a page or an earlier record is read again, with what it meets.
    std::array<std::optional<TabFile::Reader>, TabCount> staged;
    std::array<std::optional<TabFile::Reader>, TabCount> book;
    const auto readAt = [](std::optional<TabFile::Reader>& reader, const auto& fileOf,
                           qint64 page) -> std::optional<QByteArray> {
        if (!reader)
            reader.emplace(fileOf());
        TabFile::Read read = reader->readPage(page);
        if (read.error || read.record.isEmpty() || isBlankStored(read.record))
            return std::nullopt;
        return std::move(read.record);
    };
    const auto readStaged = [&](std::uint32_t i) {
        const ListedRecord& entry = listed[qsizetype(i)];
        return readAt(
            staged[std::size_t(entry.tab)], [&] { return folder.tabTempFile(entry.tab); },
            entry.record);
    };
    TrashedWrites writes(folder); // the pages merged into, with their old forms in the trash
    const QDateTime now = clock.now();

    // Where a record went: a page of the book, or a record of the file that is filed (itself, or
    // the one it was merged into or is already in).
    struct Place {
        std::int64_t staged = -1; // index in `listed`, or -1 for the book page
        PagePosition page;
        bool operator==(const Place&) const = default;
    };
    std::unordered_map<std::uint32_t, Place> wentTo;
    const auto placeOf = [&](std::uint32_t i) {
        const auto at = wentTo.find(i);
        return at == wentTo.end() ? Place{std::int64_t(i), {}} : at->second;
    };
    // Counts a record; a record of the file it was counted against holds the count.
    const auto count = [&](std::uint32_t i, Counted::As as, const std::vector<Place>& met) {
        Counted counted{i, as, false, std::uint32_t(meeting.met.size()), 0};
        for (const Place& place : met) {
            counted.metBook = counted.metBook || place.staged < 0;
            if (place.staged >= 0)
                meeting.met.push_back(std::uint32_t(place.staged));
        }
        counted.metCount = std::uint32_t(meeting.met.size()) - counted.firstMet;
        meeting.counted.push_back(counted);
    };
    // The merges queued into each page, and the records found already in it as queued: counted
    // once it is written. A page that could not be written files them as they are.
    std::unordered_map<qint64, std::vector<std::uint32_t>> queuedInto;
    std::unordered_map<qint64, std::vector<std::size_t>> inQueued; // by index in counted
    const auto writeQueued = [&] {
        for (const TrashedWrites::Written& written : writes.flush()) {
            const Place page{-1, written.page};
            for (const std::uint32_t i : queuedInto[pageKey(written.page)]) {
                count(i, written.failed ? Counted::As::LooksLike : Counted::As::Merged, {page});
                if (written.failed) {
                    state[i] = ToFile;
                    wentTo.erase(i);
                }
            }
            for (const std::size_t at : inQueued[pageKey(written.page)]) {
                Counted& counted = meeting.counted[at];
                if (written.failed) {
                    counted = {counted.record, Counted::As::LooksLike, true, 0, 0};
                    state[counted.record] = ToFile;
                    wentTo.erase(counted.record);
                }
            }
        }
        queuedInto.clear();
        inQueued.clear();
    };

    auto match = matches.begin();
    auto pair = earlier.begin();
    while (match != matches.end() || pair != earlier.end()) {
        const std::uint32_t i = std::min(match != matches.end() ? match->incoming : UINT32_MAX,
                                         pair != earlier.end() ? pair->incoming : UINT32_MAX);
        // The pages met by name or e-mail address first: most often the record's own.
        std::vector<Place> places;
        const auto matchesEnd = std::find_if(
            match, matches.end(), [i](const BookMatcher::Match& m) { return m.incoming != i; });
        for (const bool byNameOrEmail : {true, false}) {
            for (auto at = match; at != matchesEnd; ++at) {
                if (at->byNameOrEmail == byNameOrEmail)
                    places.push_back({-1, at->position()});
            }
        }
        match = matchesEnd;
        for (; pair != earlier.end() && pair->incoming == i; ++pair) {
            if (state[pair->earlier] != Unread && state[pair->earlier] != UnreadLater) {
                const Place place = placeOf(pair->earlier);
                if (std::find(places.begin(), places.end(), place) == places.end())
                    places.push_back(place);
            }
        }
        if (places.empty())
            continue;
        const auto stored = state[i] == ToFile ? readStaged(i) : std::nullopt;
        if (!stored) {
            if (state[i] == ToFile)
                state[i] = UnreadLater;
            continue;
        }
        const PlainRecord plain(*stored);
        const PageTexts record = textsOf(PageRecord::fromPlain(plain));
        // Already in the book: a page (or an earlier record) to which the record adds nothing.
        std::optional<Place> in;
        for (std::size_t at = 0; at < places.size();) {
            const Place place = places[at];
            std::optional<QByteArray> page;
            if (place.staged >= 0) {
                page = readStaged(std::uint32_t(place.staged));
                // A record whose staged page cannot be read is met by none: importListed
                // counts its failure.
                if (!page) {
                    if (state[std::size_t(place.staged)] == ToFile)
                        state[std::size_t(place.staged)] = UnreadLater;
                    places.erase(places.begin() + qsizetype(at));
                    continue;
                }
            } else if (const QByteArray* queued = writes.queued(place.page)) {
                page = *queued;
            } else {
                page = readAt(
                    book[std::size_t(place.page.tab)],
                    [&] { return folder.tabFile(place.page.tab); }, place.page.page);
            }
            ++at;
            if (!page)
                continue;
            const PlainRecord shown(*page);
            // A page stored as the record was (imported again) shows the same texts.
            const PageTexts texts =
                showsSameTexts(shown, plain) ? record : textsOf(PageRecord::fromPlain(shown));
            if (addsNothing(texts, record, phones, names)) {
                in = place;
                break;
            }
        }
        if (places.empty())
            continue;
        if (in && choice != ImportDuplicates::Keep) {
            if (in->staged < 0 && writes.queued(in->page))
                inQueued[pageKey(in->page)].push_back(meeting.counted.size());
            count(i, Counted::As::AlreadyIn, {*in});
            state[i] = Handled;
            wentTo[i] = *in;
            continue;
        }
        // Merged into the first page it meets, else into the first earlier record; a merge
        // Notes could not hold files the record as it is: nothing is lost.
        const Place into = places.front();
        const bool merging = !in && choice == ImportDuplicates::Merge;
        QString error;
        bool merged = false;
        if (merging && into.staged < 0) {
            merged = (writes.isOpen() || writes.open(error)) &&
                     mergeIntoPage(writes, now, phones, names, into.page, record, error);
            if (merged)
                queuedInto[pageKey(into.page)].push_back(i);
        } else if (const auto intoStored =
                       merging ? readStaged(std::uint32_t(into.staged)) : std::nullopt) {
            const PageTexts texts = textsOf(PageRecord::fromStored(*intoStored));
            const MergedTexts both = mergeTexts({texts, record}, phones, names);
            const ListedRecord& target = listed[into.staged];
            merged = both.problem.isEmpty() &&
                     !folder.tabTempFile(target.tab)
                          .writePage(target.record, pageWithTexts(*intoStored, both.texts, now));
            if (merged)
                count(i, Counted::As::Merged, {into});
        }
        if (!merged) {
            count(i, Counted::As::LooksLike, places);
            continue;
        }
        state[i] = Handled;
        wentTo[i] = into;
        if (writes.full())
            writeQueued();
    }
    writeQueued();
    writes.finish();

    // Those to file in their order; then those that could not be read, for importListed to count.
    // When every record is to be filed, that is the list as it came (shared, not copied: a list
    // of 250,000 records is some 17 MB).
    if (std::all_of(state.cbegin(), state.cend(), [](std::uint8_t s) { return s == ToFile; })) {
        meeting.toFile = listed;
        return meeting;
    }
    meeting.toFile.reserve(listed.size());
    meeting.listedAt.reserve(std::size_t(listed.size()));
    for (const std::uint8_t wanted : {ToFile, Unread, UnreadLater}) {
        for (qsizetype i = 0; i < listed.size(); ++i) {
            if (state[std::size_t(i)] == wanted) {
                meeting.toFile << listed[i];
                meeting.listedAt.push_back(std::uint32_t(i));
            }
        }
    }
    return meeting;
}

} // namespace

ImportOutcome importAgainstBook(const BookFolder& folder, const Clock& clock,
                                const QList<ListedRecord>& listed, ImportDuplicates choice,
                                ImportSummary& summary, const Yield& yield,
                                StagedKeys* stagedKeys) {
    const Meeting meeting = meetTheBook(folder, clock, listed, choice, stagedKeys);
    ImportOutcome outcome = importListed(folder, meeting.toFile, yield);
    std::vector<bool> notFiled(std::size_t(listed.size()), false);
    for (const qsizetype at : outcome.notFiled)
        notFiled[meeting.listedAt.empty() ? std::size_t(at) : meeting.listedAt[std::size_t(at)]] =
            true;
    const auto filed = [&](std::uint32_t i) { return meeting.state[i] == ToFile && !notFiled[i]; };
    // A record counted against records of its file holds its count when one of them was filed;
    // one already in or merged into a record that was not is not in the book either.
    std::array<std::optional<TabFile::Reader>, TabCount> staged;
    for (const Counted& counted : meeting.counted) {
        const auto met = meeting.met.cbegin() + counted.firstMet;
        const bool metFiled = std::any_of(met, met + counted.metCount, filed);
        const bool looksLike = counted.as == Counted::As::LooksLike;
        if (looksLike ? !filed(counted.record) || !(counted.metBook || metFiled)
                      : counted.metCount > 0 && !metFiled) {
            outcome.failures += looksLike ? 0 : 1;
            continue;
        }
        summary.handledWithoutFiling += looksLike ? 0 : 1;
        ImportSummary::Named& named = looksLike                           ? summary.looksLikeBook
                                      : counted.as == Counted::As::Merged ? summary.mergedIntoBook
                                                                          : summary.alreadyInBook;
        if (named.names.size() >= ImportSummary::NamedLimit) {
            ++named.count;
            continue;
        }
        // Named as the staged record reads.
        const ListedRecord& entry = listed[counted.record];
        std::optional<TabFile::Reader>& reader = staged[std::size_t(entry.tab)];
        if (!reader)
            reader.emplace(folder.tabTempFile(entry.tab));
        const TabFile::Read read = reader->readPage(entry.record);
        named.add(read.error || read.record.isEmpty()
                      ? QString()
                      : textsOf(PageRecord::fromStored(read.record))[VName]);
    }
    return outcome;
}

} // namespace orvelan
