#include "search/FindPlacement.h"

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int LeftOffset = 1200 / TwipsPerPixel;
constexpr int TopOffset = 800 / TwipsPerPixel;

} // namespace

QPoint findWindowPosition(const QRect& bookFrame, const QSize& findSize, const QRect& screen) {
    int left = bookFrame.left() - LeftOffset;
    const int top = bookFrame.top() + TopOffset;
    if (left < screen.left())
        left = screen.left();
    if (left + findSize.width() > screen.left() + screen.width())
        left = screen.left() + screen.width() - findSize.width();
    return {left, top};
}

QString FindStatus::found(int count, bool emptyQuery) {
    if (count == 1)
        return u"1  Page Found"_s;
    if (!emptyQuery)
        return u"Found:  "_s + QString::number(count) + u"  Pages"_s;
    return QString::number(count) + u"  Pages Listed"_s;
}

} // namespace orvelan
