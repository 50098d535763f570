#include "book/TabStrip.h"
#include "book/QtPrinters.h"

#include <gtest/gtest.h>

namespace orvelan {
namespace {

// Forward to a tab moves the labels up to it to the right; back to a tab moves the labels from
// it on to the left; neither touches the others. The panels stand 8 twips on a tab of the last
// move; a reset moves labels only.
TEST(TabStripTest, ForwardAndBackMoveOnlyTheirLabelsAndShiftThePanels) {
    const struct {
        std::initializer_list<int> moves; // > 0: forward to the tab, < 0: back to it
        int lastRight;                    // the labels up to this one are on the right
        int panelShift;
    } rows[] = {
        {{3}, 3, 24}, {{3, 1}, 3, 8}, {{10, -6}, 5, 48}, {{12, 0}, 0, 96}, // 0: reset
    };
    for (const auto& row : rows) {
        TabStrip strip;
        for (const int move : row.moves) {
            if (move > 0)
                strip.chooseForward(move);
            else if (move < 0)
                strip.chooseBack(-move);
            else
                strip.reset();
        }
        for (int k = 1; k <= 25; ++k) {
            EXPECT_EQ(strip.rightVisible(k), k <= row.lastRight) << row.lastRight << " " << k;
            EXPECT_EQ(strip.leftVisible(k), k > row.lastRight) << row.lastRight << " " << k;
        }
        EXPECT_EQ(strip.leftPanelLeft(), 100 + row.panelShift);
        EXPECT_EQ(strip.rightPanelLeft(), 3500 + row.panelShift);
    }
}

// Label names are looked up by the window tests; the captions and the letters are checked here.
TEST(TabStripTest, CaptionsAndLetters) {
    EXPECT_EQ(TabStrip::caption(9), QStringLiteral("I J"));
    EXPECT_EQ(TabStrip::caption(25), QStringLiteral("Z"));
    EXPECT_EQ(TabStrip::tabOfLetter(u'i'), 9);
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
