#pragma once

#include <QFont>
#include <QPalette>

namespace orvelan {

// The book's own look, whatever the desktop's theme and font size: dark ink on cream paper,
// and fonts fixed in pixels (they scale with the screen, not with the desktop's font setting),
// so no colour vanishes under a dark theme and no caption is clipped by a large font.
namespace booklook {

inline constexpr int TextPixels = 13;  // page text, captions, the command bar
inline constexpr int SmallPixels = 11; // field titles, thumb tabs, the corner labels
inline constexpr int TitlePixels = 28; // the cover's title

QPalette paperPalette();
QFont font(int pixels, bool bold = false);
QFont monospaceFont(int pixels);
QColor ink();

} // namespace booklook
} // namespace orvelan
