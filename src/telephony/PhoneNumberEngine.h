#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvelan {

// What PhoneNumbers asks of libphonenumber, in UTF-8 text and two-letter regions: reading,
// comparing and writing telephone numbers. One engine serves the whole program, like
// libphonenumber's own instance; it holds nothing that changes once it is made.
class PhoneNumberEngine {
public:
    // Raised with every change to this class: a module built with another one is refused.
    static constexpr int Version = 1;

    virtual ~PhoneNumberEngine() = default;

    // The same number, read in `region` (see PhoneNumbers::sameNumber).
    virtual bool sameNumber(const std::string& a, const std::string& b,
                            const std::string& region) const = 0;
    // "+441234567890" for a valid number; empty otherwise.
    virtual std::string e164(const std::string& text, const std::string& region) const = 0;
    // The E.164 form, without its extension, of a possible number; nothing otherwise.
    virtual std::optional<std::string> possibleE164(const std::string& text,
                                                    const std::string& region) const = 0;
    // The national significant number, without the home region's trunk prefix; nothing when
    // the text does not read as a number.
    virtual std::optional<std::string> nationalDigits(const std::string& text,
                                                      const std::string& region) const = 0;
    // The two-letter regions libphonenumber knows, sorted.
    virtual const std::vector<std::string>& regions() const = 0;
};

// The program's engine. Each program links one definition: straight to libphonenumber
// (engine/LinkedPhoneNumberEngine.cpp), or, in orvelan-book, from a module loaded on first use,
// which throws when the module cannot be loaded.
const PhoneNumberEngine& phoneNumberEngine();

} // namespace orvelan
