#pragma once

#include <QPixmap>

namespace orvelan {

// The pictures of the closed-book window, drawn in code.
namespace pictures {

QPixmap closedBook(QSize size, bool locked);
enum class ButtonLook { Normal, Over };
QPixmap minimiseButton(ButtonLook look);
QPixmap closeButton(ButtonLook look);

} // namespace pictures
} // namespace orvelan
