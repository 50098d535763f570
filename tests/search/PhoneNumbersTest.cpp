#include "telephony/PhoneNumbers.h"
#include "support/TempBook.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvelan;

namespace {

// One number of each country as people there write it at home and abroad, read with that
// country as the home region, and from Britain.
struct Writing {
    const char* region;
    const char16_t* local;
    const char16_t* international;
    const char* e164;
};
void PrintTo(const Writing& w, std::ostream* out) {
    *out << w.region << ' ' << w.e164;
}

class CountryNumbers : public testing::TestWithParam<Writing> {};

TEST_P(CountryNumbers, LocalAndInternationalWritingsAreOneNumber) {
    const Writing& w = GetParam();
    const QString local = QString::fromUtf16(w.local);
    const QString international = QString::fromUtf16(w.international);
    const QString e164 = QString::fromLatin1(w.e164);
    const PhoneNumbers home(QString::fromLatin1(w.region));
    EXPECT_TRUE(home.sameNumber(local, international));
    EXPECT_TRUE(home.sameNumber(international, local));
    EXPECT_EQ(home.e164(local), e164);
    EXPECT_EQ(home.e164(international), e164);
    EXPECT_EQ(home.groupingKey(local), e164);
    EXPECT_EQ(home.nationalDigits(local), home.nationalDigits(international));
    EXPECT_TRUE(e164.endsWith(home.nationalDigits(local)));

    // From another country the international writing is still the number, and the local one
    // is still that country's number when compared with it.
    const PhoneNumbers abroad(QString::fromLatin1(qstrcmp(w.region, "GB") ? "GB" : "DE"));
    EXPECT_EQ(abroad.e164(international), e164);
    EXPECT_TRUE(abroad.sameNumber(local, international));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(TenCountries, CountryNumbers, testing::Values(
    Writing{"GB", u"01234 567890",        u"+44 (0)1234 567890",     "+441234567890"},
    Writing{"DE", u"030 1234567",         u"+49 30 1234567",         "+49301234567"},
    Writing{"FR", u"01 23 45 67 89",      u"+33 1 23 45 67 89",      "+33123456789"},
    Writing{"RU", u"8 (495) 123-45-67",   u"+7 495 123-45-67",       "+74951234567"},
    Writing{"US", u"(201) 555-0123",      u"+1 201-555-0123",        "+12015550123"},
    Writing{"JP", u"03-1234-5678",        u"+81 3-1234-5678",        "+81312345678"},
    Writing{"IT", u"06 1234 5678",        u"+39 06 1234 5678",       "+390612345678"},
    Writing{"AU", u"(02) 9876 5432",      u"+61 2 9876 5432",        "+61298765432"},
    Writing{"IN", u"022 2345 6789",       u"+91 22 2345 6789",       "+912223456789"},
    Writing{"CN", u"010 1234 5678",       u"+86 10 1234 5678",       "+861012345678"},
    Writing{"CH", u"044 668 18 00",       u"0041 44 668 18 00",      "+41446681800"},
    Writing{"BR", u"(11) 2345-6789",      u"+55 11 2345-6789",       "+551123456789"},
    Writing{"EG", u"٠٢ ٢٣٤٥ ٦٧٨٩",          u"+20 2 2345 6789",        "+20223456789"}));
// clang-format on

// Numbers that only look alike are different people.
TEST(SameNumber, TellsApartWhatOnlyLooksAlike) {
    const PhoneNumbers gb(QStringLiteral("GB"));
    const struct {
        const char16_t *a, *b;
        bool same;
    } rows[] = {
        {u"01234 567890", u"01234-567-890", true},
        {u"0049 30 1234567", u"+49 (30) 123 45 67", true},
        {u"567890", u"+44 1234 567890", false},              // a tail is not the number
        {u"+33 1 23 45 67 89", u"+44 1 23 45 67 89", false}, // same digits, other countries
        {u"+44 20 7946 0018 ext. 12", u"+44 20 7946 0018", false},
        {u"+44 20 7946 0018 ext. 12", u"020 7946 0018 x12", true},
        {u"020 7946 0018", u"020 7946 0019", false},
        {u"", u"", false},
        {u"none", u"none", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(gb.sameNumber(QString::fromUtf16(row.a), QString::fromUtf16(row.b)), row.same)
            << QString::fromUtf16(row.a).toStdString() << " / "
            << QString::fromUtf16(row.b).toStdString();
}

// Short codes and numbers that do not read are dialled and grouped by their digits.
TEST(PhoneNumberForms, WhatDoesNotReadKeepsItsDigits) {
    const PhoneNumbers gb(QStringLiteral("gb"));
    EXPECT_EQ(gb.homeRegion(), QStringLiteral("GB"));
    EXPECT_EQ(gb.e164(QStringLiteral("999")), QString());
    EXPECT_EQ(gb.groupingKey(QStringLiteral("999")), QStringLiteral("999"));
    EXPECT_EQ(gb.groupingKey(QStringLiteral("+44 20 7946 0018 ext 5")), u"+442079460018");
    EXPECT_EQ(gb.groupingKey(QStringLiteral("Reception")), QString());
    // The start of a number being typed, without its trunk prefix or country code.
    EXPECT_EQ(gb.nationalDigits(QStringLiteral("01234 5")), u"12345");
    EXPECT_EQ(gb.nationalDigits(QStringLiteral("0044 1234")), u"1234");
    EXPECT_EQ(PhoneNumbers(QStringLiteral("RU")).nationalDigits(QStringLiteral("8 (495) 12")),
              u"49512");
    EXPECT_EQ(PhoneNumbers::digits(QStringLiteral("+7 (495) １２３-45-67")), u"74951234567");
    EXPECT_EQ(PhoneNumbers(QStringLiteral("XX")).homeRegion(), PhoneNumbers::localeRegion());
}

// PhoneRegion lives in orvelan.conf beside the other local choices, which setting it keeps.
TEST(PhoneRegionSetting, IsReadAndWrittenInOrvelanConf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orvelan.conf"));
    EXPECT_EQ(phoneRegionSetting(path), PhoneNumbers::localeRegion()); // no file yet
    test::writeBytes(
        path, "# ports\nCOM1 = /dev/ttyUSB0\n phoneregion = ru\nPhoneRegion=FR\nCOM2=/dev/x");
    EXPECT_EQ(phoneRegionSetting(path), QStringLiteral("RU"));
    ASSERT_EQ(setPhoneRegionSetting(path, QStringLiteral("de")), 0);
    EXPECT_EQ(test::readBytes(path),
              "# ports\nCOM1 = /dev/ttyUSB0\nPhoneRegion=DE\nPhoneRegion=FR\nCOM2=/dev/x");
    ASSERT_EQ(setPhoneRegionSetting(path, QStringLiteral("Narnia")), 0);
    EXPECT_EQ(phoneRegionSetting(path), PhoneNumbers::localeRegion());
}

} // namespace
