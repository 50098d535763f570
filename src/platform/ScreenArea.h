#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace orvelan {

// Where a window of `size` meant for `topLeft` stands inside the screen's free `area`: moved in
// from any edge it would cross. A window larger than the area keeps its top left corner in
// view. Positions in pixels; an invalid area changes nothing.
inline QPoint keptInside(QPoint topLeft, QSize size, const QRect& area) {
    if (!area.isValid())
        return topLeft;
    const int x = std::min(topLeft.x(), area.right() + 1 - size.width());
    const int y = std::min(topLeft.y(), area.bottom() + 1 - size.height());
    return {std::max(x, area.left()), std::max(y, area.top())};
}

} // namespace orvelan
