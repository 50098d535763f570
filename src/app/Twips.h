#pragma once

namespace orvelan {

// Window positions are kept in twips: 1440 to the inch, 15 to a pixel on a 96-dpi screen.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int pixelsFromTwips(int twips) {
    return twips / TwipsPerPixel;
}
inline constexpr int twipsFromPixels(int pixels) {
    return pixels * TwipsPerPixel;
}

// The open book stands this far to the left of the closed book, both at the same top edge.
inline constexpr int OpenBookOffsetTwips = 3380;

} // namespace orvelan
