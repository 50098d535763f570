#pragma once

#include "search/BookSearch.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "telephony/PhoneNumbers.h"

#include <QList>

namespace orvelan {

// Finds, for each of a list of incoming pages (an import's records), the pages of the book that
// look like it: a telephone number libphonenumber takes for the same, the same e-mail address in
// any letter case, or the same name key (NameKeys). The book is read once; only the incoming
// pages' keys are held, so memory grows with the import, not with the book.
class BookMatcher {
public:
    BookMatcher(const BookFolder& folder, const PhoneNumbers& phones)
        : m_folder(folder), m_phones(phones) {}

    // For each incoming page (same order), the book's pages that look like it, in book order.
    QList<QList<PagePosition>> find(const QList<PageTexts>& incoming) const;

private:
    const BookFolder& m_folder;
    const PhoneNumbers& m_phones;
};

} // namespace orvelan
