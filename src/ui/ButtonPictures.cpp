#include "ui/ButtonPictures.h"

#include <QLinearGradient>
#include <QPainter>

namespace orvelan {

QPixmap passwordButtonPicture(ButtonState state, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient face(box.topLeft(), box.bottomLeft());
    switch (state) {
    case ButtonState::Normal:
        face.setColorAt(0, QColor(236, 236, 242));
        face.setColorAt(1, QColor(196, 198, 210));
        break;
    case ButtonState::Over:
        face.setColorAt(0, QColor(250, 246, 214));
        face.setColorAt(1, QColor(226, 204, 120));
        break;
    case ButtonState::Pressed:
        face.setColorAt(0, QColor(170, 150, 80));
        face.setColorAt(1, QColor(214, 196, 130));
        break;
    }
    p.setBrush(face);
    p.setPen(QPen(state == ButtonState::Normal ? QColor(120, 122, 140) : QColor(150, 120, 30), 1));
    p.drawRoundedRect(box, 5, 5);
    // A bevel: light above, dark below; turned round while pressed.
    const bool pressed = state == ButtonState::Pressed;
    p.setPen(QPen(pressed ? QColor(110, 90, 30) : QColor(255, 255, 255, 200), 1));
    p.drawLine(box.topLeft() + QPointF(4, 1.5), box.topRight() + QPointF(-4, 1.5));
    p.setPen(QPen(pressed ? QColor(255, 255, 255, 150) : QColor(90, 90, 110, 160), 1));
    p.drawLine(box.bottomLeft() + QPointF(4, -1.5), box.bottomRight() + QPointF(-4, -1.5));
    return pixmap;
}

} // namespace orvelan
