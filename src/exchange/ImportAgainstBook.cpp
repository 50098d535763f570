#include "exchange/ImportAgainstBook.h"

#include "book/PageMerge.h"
#include "search/BookMatcher.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "telephony/PhoneNumbers.h"

#include <QFile>

namespace orvelan {

namespace {

std::optional<PageTexts> pageTextsAt(const TabFile& file, qint64 page) {
    const TabFile::Read read = file.readPage(page);
    if (read.error || read.record.isEmpty() || isBlankStored(read.record))
        return std::nullopt;
    return textsOf(PageRecord::fromStored(read.record));
}

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
    // Only what is compared is held for every record; a record that meets a page is read again.
    QList<BookMatcher::Incoming> incoming;
    QList<ListedRecord> readable; // the records whose staged page could be read
    QList<ListedRecord> rest;     // those that could not: importListed counts their failure
    for (const ListedRecord& entry : listed) {
        if (const auto texts = pageTextsAt(folder.tabTempFile(entry.tab), entry.record)) {
            incoming << BookMatcher::Incoming::of(*texts);
            readable << entry;
        } else {
            rest << entry;
        }
    }
    const PhoneNumbers phones(phoneRegionSetting(folder.configPath()));
    const QList<QList<PagePosition>> matches = BookMatcher(folder, phones).find(incoming);
    QList<ListedRecord> toFile;
    for (qsizetype i = 0; i < readable.size(); ++i) {
        if (matches[i].isEmpty()) {
            toFile << readable[i];
            continue;
        }
        const QString& name = incoming[i].name;
        const auto record = pageTextsAt(folder.tabTempFile(readable[i].tab), readable[i].record);
        if (!record) {
            rest << readable[i];
            continue;
        }
        // Already in the book: a page to which the record adds nothing.
        bool inBook = false;
        for (const PagePosition& position : matches[i]) {
            const auto page = pageTextsAt(folder.tabFile(position.tab), position.page);
            if (!page)
                continue;
            const MergedTexts merged = mergeTexts({*page, *record}, phones);
            inBook = merged.problem.isEmpty() && merged.texts == *page;
            if (inBook)
                break;
        }
        if (inBook && choice != ImportDuplicates::Keep) {
            summary.alreadyInBook.add(name);
            ++summary.handledWithoutFiling;
            continue;
        }
        QString error;
        if (!inBook && choice == ImportDuplicates::Merge &&
            mergeIntoPage(folder, clock, phones, matches[i].first(), *record, error)) {
            summary.mergedIntoBook.add(name);
            ++summary.handledWithoutFiling;
            continue;
        }
        // A merge Notes could not hold files the record as it is: nothing is lost.
        summary.looksLikeBook.add(name);
        toFile << readable[i];
    }
    return toFile << rest;
}

} // namespace orvelan
