#include "search/PhoneQuery.h"

namespace orvelan {

bool PhoneQuery::looksLikeNumber(QStringView query) {
    bool digit = false;
    for (const QChar c : query) {
        if (c.isDigit())
            digit = true;
        else if (!c.isSpace() && !QStringView(u"+-()./").contains(c))
            return false;
    }
    return digit;
}

PhoneQuery::PhoneQuery(QStringView query, const PhoneNumbers& phones) {
    if (!looksLikeNumber(query))
        return;
    const QString text = query.toString();
    m_digits = PhoneNumbers::digits(text).toStdString();
    const std::string national = phones.nationalDigits(text).toStdString();
    if (national != m_digits)
        m_national = national;
}

bool PhoneQuery::matchesDigits(std::string_view fieldDigits) const {
    if (m_digits.empty())
        return false;
    return fieldDigits.find(m_digits) != std::string_view::npos ||
           (!m_national.empty() && fieldDigits.find(m_national) != std::string_view::npos);
}

bool PhoneQuery::matches(QStringView fieldText) const {
    return isActive() && matchesDigits(PhoneNumbers::digits(fieldText.toString()).toStdString());
}

} // namespace orvelan
