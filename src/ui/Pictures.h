#pragma once

#include <QIcon>
#include <QPixmap>

namespace orvelan {

// The pictures of the closed-book window, drawn in code. Each is drawn at the given device
// pixel ratio (the screen's), so it stays sharp on scaled screens; sizes are in device-independent
// pixels.
namespace pictures {

QPixmap closedBook(QSize size, bool locked, qreal pixelRatio = 1.0);
enum class ButtonLook { Normal, Over };
QPixmap minimiseButton(ButtonLook look, qreal pixelRatio = 1.0);
QPixmap closeButton(ButtonLook look, qreal pixelRatio = 1.0);
// The page-turn arrows of the open book, in the book's ink, sharp at 1x and 2x.
QIcon pageArrow(bool next);
// The program's icon: the closed book at the sizes desktops ask for.
QIcon programIcon();

} // namespace pictures
} // namespace orvelan
