#pragma once

#include "platform/Clock.h"
#include "search/BookSearch.h"
#include "search/NameKey.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "telephony/PhoneNumbers.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace orvelan {

// The texts of pages merged into one: the first page's texts, with every distinct value of the
// others. An empty field is filled; a second number goes to Phone 2 when that is free; a value
// with no free field, or one its field cannot hold whole, goes to Notes as "Label: value" (an
// address as one line, "Address: 1 High St, Leeds"), and the others' notes follow. A value is
// not repeated: numbers are compared as libphonenumber reads them, other texts whatever their
// letter case and spacing, and a value the notes already hold is not added again.
struct MergedTexts {
    PageTexts texts;
    QStringList noted; // the "Label: value" lines added to Notes
    // Why the pages cannot be merged without losing something (the notes would overflow);
    // empty when they can.
    QString problem;
};
MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones);
// The same with name keys kept from merge to merge (ICU's transliterator is built once).
MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones, NameKeys& names);

// Where a merge left the book.
struct MergeOutcome {
    PagePosition kept;
    QList<PagePosition> trashed; // the pages merged away, now blank
    QStringList noted;
    QList<int> trashEntries; // the trash entries: the kept page as it was, then each merged page
};

// Merges the pages at `pages` (two or more, named, each once) into page `into` (an index into
// `pages`), which keeps its place and its sync identity, so a synced book sends it as an updated
// card. The kept page as it was and every page merged away go to the trash first (restorable);
// the pages merged away are then blanked, so a sync deletes their cards. Nothing changes unless
// the trash was written; the caller holds the book's lock. False with `error` when refused.
bool mergePages(const BookFolder& folder, const Clock& clock, const PhoneNumbers& phones,
                const QList<PagePosition>& pages, int into, MergeOutcome& outcome, QString& error);

// Merges `incoming` (an imported record's texts) into the book's page at `page`, which keeps its
// place and identity; the page as it was goes to the trash first. Nothing is written when Notes
// could not hold it all. False with `error` when refused or a write failed.
bool mergeIntoPage(const BookFolder& folder, const Clock& clock, const PhoneNumbers& phones,
                   const PagePosition& page, const PageTexts& incoming, QString& error);
bool mergeIntoPage(const BookFolder& folder, const Clock& clock, const PhoneNumbers& phones,
                   const PagePosition& page, const PageTexts& incoming, NameKeys& names,
                   QString& error);

} // namespace orvelan
