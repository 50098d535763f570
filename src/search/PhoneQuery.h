#pragma once

#include "telephony/PhoneNumbers.h"

#include <QString>

#include <string>
#include <string_view>

namespace orvelan {

// A query that is a telephone number or part of one ("4567", "01234 567890", "+7 (495)"): only
// digits and the signs numbers are written with. It finds a number field when the field's digits
// hold the query's digits, or the query's national significant number, so "01234 567890" finds
// "+44 1234 567890" in a British book and "4567" finds "+7 495 123-45-67". A number being typed
// finds as it grows: "01234" finds "+44 1234 567890" already.
class PhoneQuery {
public:
    PhoneQuery(QStringView query, const PhoneNumbers& phones);

    // False for a query with letters or without digits: the number fields are then only
    // searched as text.
    bool isActive() const { return !m_digits.empty(); }

    bool matches(QStringView fieldText) const;
    // The same for a field's digits, as PhoneNumbers::digits gives them (ASCII).
    bool matchesDigits(std::string_view fieldDigits) const;

    // Whether `query` is written like a telephone number.
    static bool looksLikeNumber(QStringView query);

private:
    std::string m_digits;
    std::string m_national; // empty when the same as the digits
};

} // namespace orvelan
