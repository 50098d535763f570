#pragma once

#include "search/BookSearch.h"
#include "store/BookFolder.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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

// The key under which two ways of writing a telephone number meet; empty for a text too short to
// be a number.
using PhoneKey = std::function<QString(QStringView number)>;
// The key used while no other is given: the last nine digits ("+7 495 123-45-67" and
// "8 (495) 123 45 67" meet), or all of them when there are fewer; under six digits, none.
QString digitsPhoneKey(QStringView number);

// Finds the pages of the book (every tab) that hold the same person or organisation. No page is
// compared with every other: each page puts its keys (its numbers, its e-mail address, its name
// key) into one list, the list is sorted, and the pages that share a key are joined (union-find),
// so the time grows with the book, not with its square. A group found by name alone is certain
// only when one more fact agrees (organisation, first address line, fax, work e-mail or web
// address); else it is "possible".
class DuplicateFinder {
public:
    explicit DuplicateFinder(const BookFolder& folder, PhoneKey phoneKey = digitsPhoneKey)
        : m_folder(folder), m_phoneKey(std::move(phoneKey)) {}

    DuplicateOutcome run() const;

private:
    bool confirmed(const DuplicateGroup& group, QString& agreeingField) const;

    const BookFolder& m_folder;
    PhoneKey m_phoneKey;
};

// "same telephone number, same e-mail address, same name".
QString reasonsText(int reasons);
// "telephone", "email", "name".
QStringList reasonNames(int reasons);

} // namespace orvelan
