#include "book/TabStrip.h"
#include "book/QtPrinters.h"

#include <gtest/gtest.h>

namespace orvelan {
namespace {

TEST(TabStripTest, StartStateShowsEveryLeftLabelOnly) {
    TabStrip strip;
    strip.chooseForward(12);
    strip.reset();
    for (int k = 1; k <= 25; ++k) {
        EXPECT_TRUE(strip.leftVisible(k)) << k;
        EXPECT_FALSE(strip.rightVisible(k)) << k;
    }
}

TEST(TabStripTest, ForwardMovesLabelsUpToTheTabAndShiftsPanels) {
    TabStrip strip;
    strip.chooseForward(3);
    for (int k = 1; k <= 25; ++k) {
        EXPECT_EQ(strip.leftVisible(k), k > 3) << k;
        EXPECT_EQ(strip.rightVisible(k), k <= 3) << k;
    }
    EXPECT_EQ(strip.leftPanelLeft(), 100 + 24);
    EXPECT_EQ(strip.rightPanelLeft(), 3500 + 24);

    // Forward changes no label above the tab: a later forward to a lower tab leaves 3 right.
    strip.chooseForward(1);
    EXPECT_TRUE(strip.rightVisible(3));
    EXPECT_EQ(strip.leftPanelLeft(), 108);
}

TEST(TabStripTest, BackMovesLabelsFromTheTabOnAndLeavesLowerOnesAlone) {
    TabStrip strip;
    strip.chooseForward(10);
    strip.chooseBack(6);
    for (int k = 1; k <= 25; ++k) {
        EXPECT_EQ(strip.rightVisible(k), k <= 5) << k;
        EXPECT_EQ(strip.leftVisible(k), k >= 6) << k;
    }
    EXPECT_EQ(strip.leftPanelLeft(), 148);
    EXPECT_EQ(strip.rightPanelLeft(), 3548);
}

// Label names are looked up by the window tests; the captions and the letters are checked here.
TEST(TabStripTest, CaptionsAndLetters) {
    EXPECT_EQ(TabStrip::caption(9), QStringLiteral("I J"));
    EXPECT_EQ(TabStrip::caption(25), QStringLiteral("Z"));
    EXPECT_EQ(TabStrip::tabOfLetter(u'i'), 9);
    EXPECT_EQ(TabStrip::tabOfLetter(u'J'), 9);
    EXPECT_EQ(TabStrip::tabOfLetter(u'K'), 10);
    EXPECT_EQ(TabStrip::tabOfLetter(u'1'), -1);
}

TEST(TabStripTest, CoverCountsAsClosedOnlyBelow6000Twips) {
    TabStrip strip;
    EXPECT_FALSE(strip.closed());
    strip.setCoverTop(TabStrip::CoverClosedTop);
    EXPECT_TRUE(strip.closed());
    strip.setCoverTop(6000);
    EXPECT_FALSE(strip.closed());
}

} // namespace
} // namespace orvelan
