#include "ui/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace orvelan::pictures {

QPixmap closedBook(QSize size, bool locked) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    // Page edges showing at the right and bottom of the cover.
    p.setPen(QPen(QColor(150, 140, 120), 1));
    p.setBrush(QColor(248, 244, 230));
    p.drawRoundedRect(QRectF(w * 0.12, h * 0.05, w * 0.84, h * 0.92), 4, 4);
    for (int i = 1; i <= 3; ++i) {
        const qreal x = w * 0.955 - i * 2.5;
        p.drawLine(QPointF(x, h * 0.08), QPointF(x, h * 0.94));
    }

    // The cover, dark red leather with a lighter spine.
    QLinearGradient leather(0, 0, w, h);
    leather.setColorAt(0, QColor(140, 20, 30));
    leather.setColorAt(1, QColor(80, 5, 15));
    p.setPen(QPen(QColor(50, 0, 5), 1.5));
    p.setBrush(leather);
    const QRectF cover(w * 0.04, h * 0.02, w * 0.86, h * 0.92);
    p.drawRoundedRect(cover, 6, 6);
    p.setBrush(QColor(60, 0, 10, 160));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(cover.left(), cover.top(), w * 0.12, cover.height()), 6, 6);

    // Thumb tabs down the fore edge.
    const QColor tabColours[] = {QColor(230, 200, 90), QColor(120, 170, 220), QColor(130, 200, 130),
                                 QColor(220, 140, 90)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(tabColours[i]);
        p.drawRoundedRect(QRectF(w * 0.88, h * (0.14 + i * 0.18), w * 0.1, h * 0.1), 2, 2);
    }

    // Gilt frame and title.
    QPen gilt(QColor(218, 180, 80), 2);
    p.setPen(gilt);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(cover.adjusted(w * 0.17, h * 0.05, -w * 0.06, -h * 0.05), 3, 3);
    QFont title = p.font();
    title.setBold(true);
    title.setPixelSize(std::max(8, int(h * 0.08)));
    p.setFont(title);
    const QRectF titleBox(cover.left() + w * 0.17, h * 0.2, cover.width() - w * 0.23, h * 0.14);
    p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("ORVELAN"));
    title.setBold(false);
    title.setPixelSize(std::max(6, int(h * 0.045)));
    p.setFont(title);
    p.drawText(titleBox.translated(0, h * 0.12), Qt::AlignCenter,
               QStringLiteral("Secure Address Book"));

    // The clasp: a small padlock, shut while the book is locked.
    const QPointF centre(cover.left() + cover.width() * 0.58, h * 0.68);
    const qreal r = w * 0.09;
    p.setPen(QPen(QColor(218, 180, 80), 3));
    QPainterPath shackle;
    const qreal lift = locked ? 0 : r * 0.5;
    shackle.moveTo(centre.x() - r * 0.6, centre.y() - lift);
    shackle.arcTo(QRectF(centre.x() - r * 0.6, centre.y() - r * 1.3 - lift, r * 1.2, r * 1.4), 180,
                  -180);
    if (locked)
        shackle.lineTo(centre.x() + r * 0.6, centre.y());
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(218, 180, 80));
    p.drawRoundedRect(QRectF(centre.x() - r, centre.y(), r * 2, r * 1.5), 3, 3);
    p.setBrush(QColor(80, 5, 15));
    p.drawEllipse(QPointF(centre.x(), centre.y() + r * 0.6), r * 0.2, r * 0.2);
    return pixmap;
}

namespace {

QPixmap roundButton(ButtonLook look, bool close) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool over = look == ButtonLook::Over;
    QColor face = close ? QColor(190, 40, 40) : QColor(70, 90, 160);
    if (over)
        face = face.lighter(135);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(face);
    p.drawEllipse(QRectF(1, 1, 16, 16));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        p.drawLine(QPointF(6, 6), QPointF(12, 12));
        p.drawLine(QPointF(12, 6), QPointF(6, 12));
    } else {
        p.drawLine(QPointF(5.5, 12), QPointF(12.5, 12));
    }
    return pixmap;
}

} // namespace

QPixmap minimiseButton(ButtonLook look) {
    return roundButton(look, false);
}

QPixmap closeButton(ButtonLook look) {
    return roundButton(look, true);
}

} // namespace orvelan::pictures
