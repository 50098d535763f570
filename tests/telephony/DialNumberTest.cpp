#include "telephony/DialNumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>

namespace orvelan {
namespace {

// The value read from the start of a text, and whether the text is a number to dial: at least
// three characters once trimmed, and a value that is not 0.
TEST(NumericValue, ReadsTheLongestLeadingNumberAndDecidesWhatIsDialable) {
    // clang-format off
    const struct {
        const char16_t* text;
        double value;
        bool dialable;
    } rows[] = {
        {u"0123", 123, true},      {u"0123 456", 123456, true}, {u" \t\n 42abc", 42, true},
        {u"(0123) 456", 0, false}, {u"0000", 0, false},       {u"", 0, false},
        {u"abc", 0, false},        {u"-12", -12, true},       {u"+ 1 2", 12, true},
        {u"1.5", 1.5, true},       {u"1.2.3", 1.2, true},     {u".5", 0.5, false},
        {u"1e3", 1000, true},      {u"1E+2x", 100, true},     {u"2D2", 200, true},
        {u"5e", 5, false},         {u"e5", 0, false},         {u"&H1F", 31, true},
        {u"&hff", 255, true},      {u"&O17", 15, true},       {u"&H", 0, false},
        {u"&O9", 0, false},        {u"&X12", 0, false},       {u"12-34", 12, true},
        {u"*31#", 0, true},        {u"#21#", 0, true},        {u"1 2 3e 2", 12300, true},
        {u"07", 7, false},         {u"  07  ", 7, false},     {u"  123  ", 123, true},
        {u"   ", 0, false},        {u"#31#0123", 0, true},
        {u"+44 20 7946 0000", 442079460000, true},
    };
    // clang-format on
    for (const auto& row : rows) {
        const QString text = QString::fromUtf16(row.text);
        EXPECT_DOUBLE_EQ(numericValue(QStringView(row.text)), row.value) << text.toStdString();
        EXPECT_EQ(isDialableNumber(text), row.dialable) << text.toStdString();
    }
}

TEST(NumericValue, HugeExponentsStayFinite) {
    // An exponent with very many digits must not overflow the exponent counter.
    EXPECT_TRUE(std::isinf(numericValue(u"1e99999999999999999999")));
    EXPECT_EQ(numericValue(u"1e-99999999999999999999"), 0);
}

// What the telephone handler is given: the first number only, without its grouping.
TEST(FirstTelephoneNumber, StopsAtALetterOrASecondNumber) {
    EXPECT_EQ(firstTelephoneNumber(u"0123 456 ext 12"), u"0123456");
    EXPECT_EQ(firstTelephoneNumber(u"+44 (20) 7946-0958 / 0800 1"), u"+442079460958");
    EXPECT_EQ(firstTelephoneNumber(u"Tel: 01.23.45, 67"), u"012345");
    EXPECT_EQ(firstTelephoneNumber(u"#31#0123"), u"#31#0123");
    EXPECT_EQ(firstTelephoneNumber(u"0123+44 1"), u"0123");
    EXPECT_EQ(firstTelephoneNumber(u"+ 12"), u"12");
    EXPECT_EQ(firstTelephoneNumber(u"none"), QString());
}

} // namespace
} // namespace orvelan
