#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace orvelan {

// Telephone numbers as libphonenumber understands them, read in a home region: the country whose
// numbers may be written without "+country" (two letters, "GB"). Spaces, dashes, brackets, dots,
// a trunk prefix ("0", "8") and the home region's international prefix ("00") are all understood.
// libphonenumber (phoneNumberEngine()) is first asked when a number's meaning is: making one, and
// digits() and tailKey(), ask it nothing. Not for use by two threads at once.
class PhoneNumbers {
public:
    // An unknown or empty region falls back to the region of the user's locale.
    explicit PhoneNumbers(const QString& homeRegion);

    const QString& homeRegion() const;
    // Reaches libphonenumber now, so that a program that cannot fails here (see
    // phoneNumberEngine()), before a caller has written anything.
    void prepare() const { homeRegion(); }

    // True when libphonenumber finds the two the same number: an exact match, or the same
    // national significant number where one of them has no country code
    // ("01234 567890" in GB = "+44 1234 567890"; "8 (495) 123-45-67" = "+7 495 123 45 67").
    // A number that is only the tail of the other ("567890", or one with an extension and one
    // without) is not the same: a local number without its area code could be anyone's.
    bool sameNumber(const QString& a, const QString& b) const;

    // "+441234567890" when the text is a valid number in the home region; empty otherwise.
    QString e164(const QString& text) const;

    // A key under which the same numbers fall together: the E.164 form when the text reads as a
    // possible number in the home region, otherwise its digits. Numbers with equal keys are the
    // same; check sameNumber() for numbers whose keys differ only where one was written in
    // another country's national form.
    QString groupingKey(const QString& text) const;

    // The national significant number ("1234567890" for "01234 567890" in GB or for
    // "+44 1234 567890"), of the start of one too ("1234" for "01234"), when the text reads as
    // a number; otherwise its digits.
    QString nationalDigits(const QString& text) const;

    // The digits of a text in ASCII (other scripts' digits converted), everything else dropped.
    static QString digits(const QString& text);

    // The last seven of a number's ASCII digits as one value, a number of six digits kept apart
    // from every number of seven or more; none below six digits (a short code or an extension
    // is nobody's own number). Numbers written in different countries' forms still end alike,
    // so only numbers with equal tails need libphonenumber to tell whether they are the same.
    static std::optional<std::uint32_t> tailKey(QByteArrayView asciiDigits);

    // The two-letter regions libphonenumber knows, sorted.
    static QStringList knownRegions();
    static bool isKnownRegion(const QString& region);
    // The region of the user's locale when libphonenumber knows it, else "GB".
    static QString localeRegion();

private:
    std::string region() const { return homeRegion().toStdString(); }

    QString m_requested;
    mutable QString m_region; // worked out on first use
};

// The home region set in the book folder's orvelan.conf ("PhoneRegion=GB"), or the region of the
// user's locale when it is missing or unknown.
QString phoneRegionSetting(const QString& configPath);
// The numbers of that region, which is worked out on their first use.
PhoneNumbers phoneNumbersSetting(const QString& configPath);
// Writes the setting; returns 0 or the runtime error number of the failed write.
int setPhoneRegionSetting(const QString& configPath, const QString& region);

} // namespace orvelan
