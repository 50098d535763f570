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
    // Without its trunk prefix or country code, once it has enough digits to tell ("01234"
    // then also looks for "1234", which "+44 1234 567890" holds).
    const std::string national = phones.nationalDigits(text).toStdString();
    if (national != m_digits && national.size() >= 3)
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
