#include "telephony/PhoneNumbers.h"

#include "store/LocalConfig.h"

#include <QLocale>

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <set>
#include <string>

namespace orvelan {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

const PhoneNumberUtil& util() {
    return *PhoneNumberUtil::GetInstance();
}

// The number read in `region`, or nothing when it does not read as a telephone number.
std::optional<PhoneNumber> parse(const QString& text, const std::string& region) {
    PhoneNumber number;
    if (util().ParseAndKeepRawInput(text.toStdString(), region, &number) !=
        PhoneNumberUtil::NO_PARSING_ERROR)
        return std::nullopt;
    return number;
}

// Written with its country code ("+7 …", "00 7 …" where 00 is the home region's international
// prefix), rather than taking the home region's.
bool hasOwnCountryCode(const PhoneNumber& number) {
    return number.country_code_source() != PhoneNumber::FROM_DEFAULT_COUNTRY;
}

bool isSame(PhoneNumberUtil::MatchType match) {
    return match == PhoneNumberUtil::EXACT_MATCH || match == PhoneNumberUtil::NSN_MATCH;
}

// The number in another country's region, for a national form compared with that country's
// international one.
std::optional<PhoneNumber> parseInCountryOf(const QString& text, const PhoneNumber& other) {
    std::string region;
    util().GetRegionCodeForCountryCode(other.country_code(), &region);
    if (region == "ZZ" || region == "001")
        return std::nullopt;
    return parse(text, region);
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

PhoneNumbers::PhoneNumbers(const QString& homeRegion)
    : m_region(isKnownRegion(homeRegion.trimmed().toUpper()) ? homeRegion.trimmed().toUpper()
                                                             : localeRegion()) {}

bool PhoneNumbers::sameNumber(const QString& a, const QString& b) const {
    const std::string region = m_region.toStdString();
    const auto first = parse(a, region);
    const auto second = parse(b, region);
    if (!first || !second) // neither reads in the home region: libphonenumber's own comparison
        return isSame(util().IsNumberMatchWithTwoStrings(a.toStdString(), b.toStdString()));
    if (isSame(util().IsNumberMatch(*first, *second)))
        return true;
    if (hasOwnCountryCode(*first) == hasOwnCountryCode(*second))
        return false;
    // One is written nationally: it may be a national form of the other's country.
    const auto& international = hasOwnCountryCode(*first) ? *first : *second;
    const auto national = parseInCountryOf(hasOwnCountryCode(*first) ? b : a, international);
    return national && isSame(util().IsNumberMatch(international, *national));
}

QString PhoneNumbers::e164(const QString& text) const {
    const auto number = parse(text, m_region.toStdString());
    if (!number || !util().IsValidNumber(*number))
        return {};
    std::string formatted;
    util().Format(*number, PhoneNumberUtil::E164, &formatted);
    return fromStd(formatted);
}

QString PhoneNumbers::groupingKey(const QString& text) const {
    const auto number = parse(text, m_region.toStdString());
    if (!number || !util().IsPossibleNumber(*number))
        return digits(text);
    PhoneNumber plain = *number;
    plain.clear_extension();
    std::string formatted;
    util().Format(plain, PhoneNumberUtil::E164, &formatted);
    return fromStd(formatted);
}

QString PhoneNumbers::nationalDigits(const QString& text) const {
    const auto number = parse(text, m_region.toStdString());
    if (!number)
        return digits(text);
    std::string significant;
    util().GetNationalSignificantNumber(*number, &significant);
    // libphonenumber keeps the trunk prefix of a number too short to tell ("01234"): the start
    // of a national number loses it all the same.
    if (!hasOwnCountryCode(*number) && !util().IsValidNumber(*number)) {
        std::string trunk;
        util().GetNddPrefixForRegion(m_region.toStdString(), true, &trunk);
        if (!trunk.empty() && significant.starts_with(trunk))
            significant.erase(0, trunk.size());
    }
    return fromStd(significant);
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
    std::set<std::string> regions;
    util().GetSupportedRegions(&regions);
    QStringList result;
    for (const std::string& region : regions)
        result += fromStd(region);
    return result; // a std::set is sorted
}

bool PhoneNumbers::isKnownRegion(const QString& region) {
    if (region.size() != 2)
        return false;
    std::set<std::string> regions;
    util().GetSupportedRegions(&regions);
    return regions.count(region.toStdString()) != 0;
}

QString PhoneNumbers::localeRegion() {
    const QString region = QLocale::territoryToCode(QLocale::system().territory());
    return isKnownRegion(region) ? region : QStringLiteral("GB");
}

QString phoneRegionSetting(const QString& configPath) {
    return PhoneNumbers(LocalConfig(configPath).value(u"PhoneRegion")).homeRegion();
}

int setPhoneRegionSetting(const QString& configPath, const QString& region) {
    return LocalConfig(configPath).setValue(u"PhoneRegion", region.trimmed().toUpper());
}

} // namespace orvelan
