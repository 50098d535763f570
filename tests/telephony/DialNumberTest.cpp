#include "telephony/DialNumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>

namespace orvelan {
namespace {

TEST(NumericValue, ReadsTheLongestLeadingNumber) {
    const struct {
        const char16_t* text;
        double value;
    } rows[] = {
        {u"0123", 123},       {u"0123 456", 123456},
        {u" \t\n 42abc", 42}, {u"(0123) 456", 0},
        {u"0000", 0},         {u"", 0},
        {u"abc", 0},          {u"-12", -12},
        {u"+ 1 2", 12},       {u"1.5", 1.5},
        {u"1.2.3", 1.2},      {u".5", 0.5},
        {u"1e3", 1000},       {u"1E+2x", 100},
        {u"2D2", 200},        {u"5e", 5},
        {u"e5", 0},           {u"&H1F", 31},
        {u"&hff", 255},       {u"&O17", 15},
        {u"&H", 0},           {u"&O9", 0},
        {u"&X12", 0},         {u"12-34", 12},
        {u"*31#", 0},         {u"#21#", 0},
        {u"1 2 3e 2", 12300},
    };
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(numericValue(QStringView(row.text)), row.value)
            << QString::fromUtf16(row.text).toStdString();
}

TEST(NumericValue, HugeExponentsStayFinite) {
    // An exponent with very many digits must not overflow the exponent counter.
    EXPECT_TRUE(std::isinf(numericValue(u"1e99999999999999999999")));
    EXPECT_EQ(numericValue(u"1e-99999999999999999999"), 0);
}

TEST(DialableNumber, LengthAndValueTests) {
    EXPECT_FALSE(isDialableNumber(u"07"));     // fewer than three characters
    EXPECT_FALSE(isDialableNumber(u"  07  ")); // trimmed first
    EXPECT_TRUE(isDialableNumber(u"  123  "));
    EXPECT_FALSE(isDialableNumber(u"abc"));
    EXPECT_TRUE(isDialableNumber(u"#31#0123"));
    EXPECT_TRUE(isDialableNumber(u"*31#"));
    EXPECT_TRUE(isDialableNumber(u"#21#"));
    EXPECT_TRUE(isDialableNumber(u"0123 456"));
    EXPECT_FALSE(isDialableNumber(u"(0123) 456")); // reads as 0
    EXPECT_FALSE(isDialableNumber(u"0000"));
    EXPECT_FALSE(isDialableNumber(u""));
    EXPECT_FALSE(isDialableNumber(u"   "));
    EXPECT_TRUE(isDialableNumber(u"+44 20 7946 0000"));
    EXPECT_TRUE(isDialableNumber(u"&H10"));
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
