#include "telephony/engine/LibPhoneNumberEngine.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <set>

namespace orvelan {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

const PhoneNumberUtil& util() {
    return *PhoneNumberUtil::GetInstance();
}

// The number read in `region`, or nothing when it does not read as a telephone number.
std::optional<PhoneNumber> parse(const std::string& text, const std::string& region) {
    PhoneNumber number;
    if (util().ParseAndKeepRawInput(text, region, &number) != PhoneNumberUtil::NO_PARSING_ERROR)
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
std::optional<PhoneNumber> parseInCountryOf(const std::string& text, const PhoneNumber& other) {
    std::string region;
    util().GetRegionCodeForCountryCode(other.country_code(), &region);
    if (region == "ZZ" || region == "001")
        return std::nullopt;
    return parse(text, region);
}

} // namespace

LibPhoneNumberEngine::LibPhoneNumberEngine() {
    std::set<std::string> regions;
    util().GetSupportedRegions(&regions);
    m_regions.assign(regions.begin(), regions.end()); // a std::set is sorted
}

bool LibPhoneNumberEngine::sameNumber(const std::string& a, const std::string& b,
                                      const std::string& region) const {
    const auto first = parse(a, region);
    const auto second = parse(b, region);
    if (!first || !second) // neither reads in the home region: libphonenumber's own comparison
        return isSame(util().IsNumberMatchWithTwoStrings(a, b));
    if (isSame(util().IsNumberMatch(*first, *second)))
        return true;
    if (hasOwnCountryCode(*first) == hasOwnCountryCode(*second))
        return false;
    // One is written nationally: it may be a national form of the other's country.
    const auto& international = hasOwnCountryCode(*first) ? *first : *second;
    const auto national = parseInCountryOf(hasOwnCountryCode(*first) ? b : a, international);
    return national && isSame(util().IsNumberMatch(international, *national));
}

std::string LibPhoneNumberEngine::e164(const std::string& text, const std::string& region) const {
    const auto number = parse(text, region);
    if (!number || !util().IsValidNumber(*number))
        return {};
    std::string formatted;
    util().Format(*number, PhoneNumberUtil::E164, &formatted);
    return formatted;
}

std::optional<std::string> LibPhoneNumberEngine::possibleE164(const std::string& text,
                                                              const std::string& region) const {
    const auto number = parse(text, region);
    if (!number || !util().IsPossibleNumber(*number))
        return std::nullopt;
    PhoneNumber plain = *number;
    plain.clear_extension();
    std::string formatted;
    util().Format(plain, PhoneNumberUtil::E164, &formatted);
    return formatted;
}

std::optional<std::string> LibPhoneNumberEngine::nationalDigits(const std::string& text,
                                                                const std::string& region) const {
    const auto number = parse(text, region);
    if (!number)
        return std::nullopt;
    std::string significant;
    util().GetNationalSignificantNumber(*number, &significant);
    // libphonenumber keeps the trunk prefix of a number too short to tell ("01234"): the start
    // of a national number loses it all the same.
    if (!hasOwnCountryCode(*number) && !util().IsValidNumber(*number)) {
        std::string trunk;
        util().GetNddPrefixForRegion(region, true, &trunk);
        if (!trunk.empty() && significant.starts_with(trunk))
            significant.erase(0, trunk.size());
    }
    return significant;
}

} // namespace orvelan
