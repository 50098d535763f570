#pragma once

#include "search/BookSearch.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "telephony/PhoneNumbers.h"

#include <QList>
#include <QString>

#include <array>

namespace orvelan {

// Finds, for each of a list of incoming pages (an import's records), the pages of the book that
// look like it: a telephone number libphonenumber takes for the same, the same e-mail address in
// any letter case, or the same name key (NameKeys). The book is read once; only the incoming
// pages' keys are held, so memory grows with the import, not with the book.
class BookMatcher {
public:
    // What of an incoming page is compared: kept small, so an import of many records holds
    // only these texts while the book is read.
    struct Incoming {
        QString name;
        QString email;
        std::array<QString, 4> numbers; // Phone, Phone 2, Mobile, Pager
        static Incoming of(const PageTexts& texts);
    };

    BookMatcher(const BookFolder& folder, const PhoneNumbers& phones)
        : m_folder(folder), m_phones(phones) {}

    // For each incoming page (same order), the book's pages that look like it, in book order.
    QList<QList<PagePosition>> find(const QList<Incoming>& incoming) const;

private:
    const BookFolder& m_folder;
    const PhoneNumbers& m_phones;
};

} // namespace orvelan
