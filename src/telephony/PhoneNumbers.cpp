#include "telephony/PhoneNumbers.h"

#include "store/LocalConfig.h"
#include "telephony/PhoneNumberEngine.h"

#include <QLocale>

#include <algorithm>
#include <string>

namespace orvelan {
namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

PhoneNumbers::PhoneNumbers(const QString& homeRegion)
    : m_requested(homeRegion.trimmed().toUpper()) {}

const QString& PhoneNumbers::homeRegion() const {
    if (m_region.isEmpty())
        m_region = isKnownRegion(m_requested) ? m_requested : localeRegion();
    return m_region;
}

bool PhoneNumbers::sameNumber(const QString& a, const QString& b) const {
    return phoneNumberEngine().sameNumber(a.toStdString(), b.toStdString(), region());
}

QString PhoneNumbers::e164(const QString& text) const {
    return fromStd(phoneNumberEngine().e164(text.toStdString(), region()));
}

QString PhoneNumbers::groupingKey(const QString& text) const {
    const auto key = phoneNumberEngine().possibleE164(text.toStdString(), region());
    return key ? fromStd(*key) : digits(text);
}

QString PhoneNumbers::nationalDigits(const QString& text) const {
    const auto significant = phoneNumberEngine().nationalDigits(text.toStdString(), region());
    return significant ? fromStd(*significant) : digits(text);
}

QString PhoneNumbers::digits(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            result += c;
        else if (c.isDigit() && c.digitValue() >= 0) // Arabic-Indic, fullwidth, Devanagari …
            result += QChar(u'0' + c.digitValue());
    }
    return result;
}

std::optional<std::uint32_t> PhoneNumbers::tailKey(QByteArrayView asciiDigits) {
    constexpr qsizetype MinimumDigits = 6;
    constexpr qsizetype TailDigits = 7;
    if (asciiDigits.size() < MinimumDigits)
        return std::nullopt;
    const QByteArrayView last = asciiDigits.last(std::min(asciiDigits.size(), TailDigits));
    std::uint32_t tail = last.size() < TailDigits ? 10'000'000u : 0u; // six digits apart
    for (const char c : last)
        tail = tail * 10 + std::uint32_t(c - '0');
    return tail;
}

QStringList PhoneNumbers::knownRegions() {
    QStringList result;
    for (const std::string& region : phoneNumberEngine().regions())
        result += fromStd(region);
    return result;
}

bool PhoneNumbers::isKnownRegion(const QString& region) {
    // libphonenumber is reached whatever the region, so that working out a home region (which
    // may fall back to "GB" under a locale without a territory) always reaches it.
    const auto& regions = phoneNumberEngine().regions();
    return region.size() == 2 &&
           std::binary_search(regions.begin(), regions.end(), region.toStdString());
}

QString PhoneNumbers::localeRegion() {
    const QString region = QLocale::territoryToCode(QLocale::system().territory());
    return isKnownRegion(region) ? region : QStringLiteral("GB");
}

QString phoneRegionSetting(const QString& configPath) {
    return phoneNumbersSetting(configPath).homeRegion();
}

PhoneNumbers phoneNumbersSetting(const QString& configPath) {
    return PhoneNumbers(LocalConfig(configPath).value(u"PhoneRegion"));
}

int setPhoneRegionSetting(const QString& configPath, const QString& region) {
    return LocalConfig(configPath).setValue(u"PhoneRegion", region.trimmed().toUpper());
}

} // namespace orvelan
