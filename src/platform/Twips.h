#pragma once

#include <utility>

namespace orvelan {

// Window positions are kept in twips: 1440 to the inch, 15 to a pixel on a 96-dpi screen.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int pixelsFromTwips(int twips) {
    return (twips >= 0 ? twips + TwipsPerPixel / 2 : twips - TwipsPerPixel / 2) / TwipsPerPixel;
}
inline constexpr int twipsFromPixels(int pixels) {
    return pixels * TwipsPerPixel;
}

// A window's place in twips. Twips finer than a pixel are kept for as long as the window stays
// where it was put, so moving windows back and forth by a twip offset does not creep.
class TwipsPlace {
public:
    // The pixel position for a place in twips, remembered with it.
    std::pair<int, int> place(int leftTwips, int topTwips) {
        m_twips = {leftTwips, topTwips};
        m_pixels = {pixelsFromTwips(leftTwips), pixelsFromTwips(topTwips)};
        m_valid = true;
        return m_pixels;
    }
    int left(int x) const {
        return m_valid && x == m_pixels.first ? m_twips.first : twipsFromPixels(x);
    }
    int top(int y) const {
        return m_valid && y == m_pixels.second ? m_twips.second : twipsFromPixels(y);
    }

private:
    std::pair<int, int> m_twips{0, 0};
    std::pair<int, int> m_pixels{0, 0};
    bool m_valid = false;
};

// The open book stands this far to the left of the closed book, both at the same top edge.
inline constexpr int OpenBookOffsetTwips = 3380;

} // namespace orvelan
