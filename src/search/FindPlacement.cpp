#include "search/FindPlacement.h"

#include "platform/ScreenArea.h"
#include "platform/Twips.h"

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr int LeftOffset = 1200 / TwipsPerPixel;
constexpr int TopOffset = 800 / TwipsPerPixel;

} // namespace

QPoint findWindowPosition(const QRect& bookFrame, const QSize& findSize, const QRect& screen) {
    // Never left of the screen, moved left where it would stick out on the right, and kept
    // above the bottom edge.
    return keptInside({bookFrame.left() - LeftOffset, bookFrame.top() + TopOffset}, findSize,
                      screen);
}

QString FindStatus::found(int count, bool emptyQuery) {
    if (count == 1)
        return u"1  Page Found"_s;
    if (!emptyQuery)
        return u"Found:  "_s + QString::number(count) + u"  Pages"_s;
    return QString::number(count) + u"  Pages Listed"_s;
}

QString FindStatus::foundAtLeast(int count) {
    return u"Found:  "_s + QString::number(count) + u"+  Pages"_s;
}

} // namespace orvelan
