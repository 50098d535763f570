#pragma once

#include "search/BookSearch.h"
#include "store/BookFolder.h"
#include "telephony/PhoneNumbers.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace orvelan {

// Why pages were taken for the same person or organisation.
namespace DuplicateReason {
inline constexpr int Telephone = 1; // a telephone number they share
inline constexpr int Email = 2;     // an e-mail address, whatever its letter case
inline constexpr int Name = 4;      // the same name in any script, case or word order
} // namespace DuplicateReason

struct DuplicateGroup {
    QList<PagePosition> pages; // in book order
    int reasons = 0;           // DuplicateReason bits
    // Only the names agree and nothing else does: shown as "possible".
    bool possible = false;
    // For a group found by name alone: the field that also agrees ("Organisation"), if any.
    QString agreeingField;
};

struct DuplicateOutcome {
    QList<DuplicateGroup> groups; // in book order of their first page
    qint64 pagesRead = 0;
    QList<int> unreadTabs;       // tab files that exist but could not be read
    QList<PagePosition> damaged; // pages of an encrypted book that fail their tag: skipped
};

// Finds the pages of the book (every tab) that hold the same person or organisation. No page is
// compared with every other: each page puts its keys (its numbers' grouping keys, its e-mail
// address, its name key) into one list, the list is sorted, and the pages that share a key are
// joined (union-find), so the time grows with the book, not with its square. Numbers whose keys
// differ only because one was written in another country's national form ("8 (495) 123-45-67"
// in a British book) meet by their last seven digits, and only those few are compared
// (PhoneNumbers::sameNumber). A group found by name alone is certain
// only when one more fact agrees (organisation, first address line, fax, work e-mail or web
// address); else it is "possible".
class DuplicateFinder {
public:
    DuplicateFinder(const BookFolder& folder, const PhoneNumbers& phones)
        : m_folder(folder), m_phones(phones) {}

    DuplicateOutcome run() const;

private:
    bool confirmed(const DuplicateGroup& group, QString& agreeingField) const;

    const BookFolder& m_folder;
    const PhoneNumbers& m_phones;
};

// "same telephone number, same e-mail address, same name".
QString reasonsText(int reasons);
// "telephone", "email", "name".
QStringList reasonNames(int reasons);

} // namespace orvelan
