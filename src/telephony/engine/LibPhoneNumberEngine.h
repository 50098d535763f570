#pragma once

#include "telephony/PhoneNumberEngine.h"

namespace orvelan {

// The engine on libphonenumber's program-wide PhoneNumberUtil.
class LibPhoneNumberEngine final : public PhoneNumberEngine {
public:
    LibPhoneNumberEngine();

    bool sameNumber(const std::string& a, const std::string& b,
                    const std::string& region) const override;
    std::string e164(const std::string& text, const std::string& region) const override;
    std::optional<std::string> possibleE164(const std::string& text,
                                            const std::string& region) const override;
    std::optional<std::string> nationalDigits(const std::string& text,
                                              const std::string& region) const override;
    const std::vector<std::string>& regions() const override { return m_regions; }

private:
    std::vector<std::string> m_regions;
};

} // namespace orvelan
