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

QList<ListedRecord> meetTheBook(const BookFolder& folder, const Clock& clock,
                                const QList<ListedRecord>& listed, ImportDuplicates choice,
                                ImportSummary& summary) {
    // A book without a page meets nothing, and one record nothing in its own file: the records
    // are not read again (a first import of a single card).
    const bool bookMayHoldPages = mayHoldPages(folder);
    if (!bookMayHoldPages && listed.size() < 2)
        return listed;
    const PhoneNumbers phones(phoneRegionSetting(folder.configPath()));
    NameKeys names; // one transliterator for the whole import
    BookMatcher matcher(folder, phones, names);
    matcher.reserve(listed.size());

    // The staged records are read in file order; of each only its keys are kept. A record whose
    // staged page cannot be read is left to importListed, which counts its failure.
    enum : std::uint8_t { Unread, ToFile, Handled, UnreadLater };
    std::vector<std::uint8_t> state(std::size_t(listed.size()), Unread);
    std::vector<std::uint32_t> listedOf; // incoming page -> its index in `listed`
    listedOf.reserve(std::size_t(listed.size()));
    {
        std::vector<std::uint32_t> inFileOrder(std::size_t(listed.size()));
        std::iota(inFileOrder.begin(), inFileOrder.end(), 0u);
        std::stable_sort(
            inFileOrder.begin(), inFileOrder.end(), [&](std::uint32_t a, std::uint32_t b) {
                return listed[a].tab != listed[b].tab ? listed[a].tab < listed[b].tab
                                                      : listed[a].record < listed[b].record;
            });
        for (std::size_t at = 0; at < inFileOrder.size();) {
            const int tab = listed[inFileOrder[at]].tab;
            if (tab < 0 || tab >= TabCount) {
                ++at;
                continue;
            }
            std::size_t next = at;
            folder.tabTempFile(tab).scan([&](qint64 page, QByteArrayView stored) {
                while (next < inFileOrder.size() && listed[inFileOrder[next]].tab == tab &&
                       listed[inFileOrder[next]].record < page)
                    ++next;
                if (next == inFileOrder.size() || listed[inFileOrder[next]].tab != tab)
                    return false;
                if (listed[inFileOrder[next]].record == page && !isBlankStored(stored)) {
                    const PlainRecord record(stored);
                    for (; next < inFileOrder.size() && listed[inFileOrder[next]].tab == tab &&
                           listed[inFileOrder[next]].record == page;
                         ++next) {
                        matcher.add(record);
                        listedOf.push_back(inFileOrder[next]);
                        state[inFileOrder[next]] = ToFile;
                    }
                }
                return true;
            });
            while (at < inFileOrder.size() && listed[inFileOrder[at]].tab == tab)
                ++at;
        }
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
    // The merges queued into each page, with the records' names: counted once it is written.
    std::unordered_map<qint64, std::vector<std::pair<std::uint32_t, QString>>> queuedInto;
    const auto keyOf = [](const PagePosition& page) {
        return (qint64(page.tab) << 40) | page.page;
    };
    const auto writeQueued = [&] {
        for (const TrashedWrites::Written& written : writes.flush()) {
            for (const auto& [i, name] : queuedInto[keyOf(written.page)]) {
                // A merge whose page could not be written files the record as it is.
                if (written.failed) {
                    summary.looksLikeBook.add(name);
                    state[i] = ToFile;
                } else {
                    summary.mergedIntoBook.add(name);
                    ++summary.handledWithoutFiling;
                }
            }
        }
        queuedInto.clear();
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
        for (const Place& place : places) {
            std::optional<QByteArray> page;
            if (place.staged >= 0)
                page = readStaged(std::uint32_t(place.staged));
            else if (const QByteArray* queued = writes.queued(place.page))
                page = *queued;
            else
                page = readAt(
                    book[std::size_t(place.page.tab)],
                    [&] { return folder.tabFile(place.page.tab); }, place.page.page);
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
        const QString& name = record[VName];
        if (in && choice != ImportDuplicates::Keep) {
            summary.alreadyInBook.add(name);
            ++summary.handledWithoutFiling;
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
                queuedInto[keyOf(into.page)].emplace_back(i, name);
        } else if (const auto intoStored =
                       merging ? readStaged(std::uint32_t(into.staged)) : std::nullopt) {
            const PageTexts texts = textsOf(PageRecord::fromStored(*intoStored));
            const MergedTexts both = mergeTexts({texts, record}, phones, names);
            const ListedRecord& target = listed[into.staged];
            merged = both.problem.isEmpty() &&
                     !folder.tabTempFile(target.tab)
                          .writePage(target.record, pageWithTexts(*intoStored, both.texts, now));
            if (merged) {
                summary.mergedIntoBook.add(name);
                ++summary.handledWithoutFiling;
            }
        }
        if (!merged) {
            summary.looksLikeBook.add(name);
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
    if (std::all_of(state.cbegin(), state.cend(), [](std::uint8_t s) { return s == ToFile; }))
        return listed;
    QList<ListedRecord> toFile;
    toFile.reserve(listed.size());
    for (const std::uint8_t wanted : {ToFile, Unread, UnreadLater}) {
        for (qsizetype i = 0; i < listed.size(); ++i) {
            if (state[std::size_t(i)] == wanted)
                toFile << listed[i];
        }
    }
    return toFile;
}

} // namespace orvelan
