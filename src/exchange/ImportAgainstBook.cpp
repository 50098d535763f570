#include "exchange/ImportAgainstBook.h"

#include "book/PageMerge.h"
#include "search/BookMatcher.h"
#include "store/PageEncoding.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "telephony/PhoneNumbers.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <optional>
#include <tuple>
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
    // A book without a page meets nothing: the records are not read again (a first import of a
    // whole address book).
    if (!mayHoldPages(folder))
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
    // Each record's book pages, by listed record.
    std::vector<BookMatcher::Match> matches = matcher.find();
    for (BookMatcher::Match& match : matches)
        match.incoming = listedOf[match.incoming];
    // By listed record, each one's pages in book order.
    if (!std::is_sorted(matches.begin(), matches.end()))
        std::sort(matches.begin(), matches.end());

    // Only a record that meets a page is read again, with the pages it meets.
    std::array<std::optional<TabFile::Reader>, TabCount> staged;
    std::array<std::optional<TabFile::Reader>, TabCount> book;
    const auto readAt = [](std::optional<TabFile::Reader>& reader, const auto& fileOf,
                           qint64 page) -> std::optional<PlainRecord> {
        if (!reader)
            reader.emplace(fileOf());
        const TabFile::Read read = reader->readPage(page);
        if (read.error || read.record.isEmpty() || isBlankStored(read.record))
            return std::nullopt;
        return PlainRecord(read.record);
    };
    for (auto match = matches.begin(); match != matches.end();) {
        const std::uint32_t i = match->incoming;
        auto end = match;
        while (end != matches.end() && end->incoming == i)
            ++end;
        const ListedRecord& entry = listed[i];
        const auto stored = readAt(
            staged[std::size_t(entry.tab)], [&] { return folder.tabTempFile(entry.tab); },
            entry.record);
        if (!stored) {
            state[i] = UnreadLater;
            match = end;
            continue;
        }
        const PageTexts record = textsOf(PageRecord::fromPlain(*stored));
        // Already in the book: a page to which the record adds nothing.
        bool inBook = false;
        for (auto at = match; at != end && !inBook; ++at) {
            const PagePosition position = at->position();
            const auto page = readAt(
                book[std::size_t(position.tab)], [&] { return folder.tabFile(position.tab); },
                position.page);
            if (!page)
                continue;
            // A page stored as the record was (imported again) shows the same texts.
            const PageTexts texts =
                showsSameTexts(*page, *stored) ? record : textsOf(PageRecord::fromPlain(*page));
            const MergedTexts merged = mergeTexts({texts, record}, phones, names);
            inBook = merged.problem.isEmpty() && merged.texts == texts;
        }
        const QString& name = record[VName];
        if (inBook && choice != ImportDuplicates::Keep) {
            summary.alreadyInBook.add(name);
            ++summary.handledWithoutFiling;
            state[i] = Handled;
            match = end;
            continue;
        }
        QString error;
        if (!inBook && choice == ImportDuplicates::Merge &&
            mergeIntoPage(folder, clock, phones, match->position(), record, names, error)) {
            summary.mergedIntoBook.add(name);
            ++summary.handledWithoutFiling;
            state[i] = Handled;
            match = end;
            continue;
        }
        // A merge Notes could not hold files the record as it is: nothing is lost.
        summary.looksLikeBook.add(name);
        match = end;
    }

    // Those to file in their order; then those that could not be read, for importListed to count.
    QList<ListedRecord> toFile;
    for (const std::uint8_t wanted : {ToFile, Unread, UnreadLater}) {
        for (qsizetype i = 0; i < listed.size(); ++i) {
            if (state[std::size_t(i)] == wanted)
                toFile << listed[i];
        }
    }
    return toFile;
}

} // namespace orvelan
