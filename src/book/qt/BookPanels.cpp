#include "book/qt/BookPanels.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace orvelan {

namespace {
const QColor Paper(253, 249, 236);
const QColor PaperEdge(236, 226, 196);
const QColor Leather(110, 32, 36);
const QColor LeatherDark(70, 18, 22);
const QColor Gold(214, 181, 104);
} // namespace

PagePanel::PagePanel(const QString& objectName, Side side, QWidget* parent)
    : QWidget(parent), m_side(side) {
    setObjectName(objectName);
    setFocusPolicy(Qt::ClickFocus);
}

void PagePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient paper(r.topLeft(), r.topRight());
    if (m_side == Side::Left) {
        paper.setColorAt(0, Paper);
        paper.setColorAt(0.85, Paper);
        paper.setColorAt(1, PaperEdge);
    } else {
        paper.setColorAt(0, PaperEdge);
        paper.setColorAt(0.15, Paper);
        paper.setColorAt(1, Paper);
    }
    QPainterPath path;
    const qreal radius = 6;
    if (m_side == Side::Left) {
        path.addRoundedRect(r.adjusted(0, 0, radius, 0), radius, radius);
    } else {
        path.addRoundedRect(r.adjusted(-radius, 0, 0, 0), radius, radius);
    }
    p.setClipRect(r);
    p.fillPath(path, paper);
    p.setPen(QPen(QColor(190, 176, 140), 1));
    p.drawPath(path);
    // A faint margin rule down the page.
    p.setPen(QPen(QColor(214, 120, 120, 90), 1));
    const qreal margin = m_side == Side::Left ? 10 : r.width() - 10;
    p.drawLine(QPointF(margin, 8), QPointF(margin, r.height() - 8));
}

CoverPanel::CoverPanel(const QString& objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(objectName);
}

void CoverPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QLinearGradient leather(r.topLeft(), r.bottomRight());
    leather.setColorAt(0, Leather);
    leather.setColorAt(1, LeatherDark);
    p.setPen(Qt::NoPen);
    p.setBrush(leather);
    p.drawRoundedRect(r, 8, 8);
    QPen stitch(Gold, 1.2, Qt::DashLine);
    p.setPen(stitch);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(10, 10, -10, -10), 5, 5);
    // A gold emblem: an open book.
    const QPointF c(r.center().x(), r.top() + r.height() * 0.62);
    p.setPen(QPen(Gold, 2));
    QPainterPath book;
    book.moveTo(c.x(), c.y() + 12);
    book.cubicTo(c.x() - 18, c.y() + 4, c.x() - 30, c.y() + 6, c.x() - 40, c.y() + 12);
    book.lineTo(c.x() - 40, c.y() - 20);
    book.cubicTo(c.x() - 30, c.y() - 26, c.x() - 18, c.y() - 28, c.x(), c.y() - 20);
    book.cubicTo(c.x() + 18, c.y() - 28, c.x() + 30, c.y() - 26, c.x() + 40, c.y() - 20);
    book.lineTo(c.x() + 40, c.y() + 12);
    book.cubicTo(c.x() + 30, c.y() + 6, c.x() + 18, c.y() + 4, c.x(), c.y() + 12);
    book.moveTo(c.x(), c.y() - 20);
    book.lineTo(c.x(), c.y() + 12);
    p.drawPath(book);
}

PictureButton::PictureButton(const QString& objectName, Symbol symbol, QWidget* parent)
    : QWidget(parent), m_symbol(symbol) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    if (m_symbol == Symbol::Book) {
        p.setPen(QPen(LeatherDark, 1));
        p.setBrush(Leather);
        p.drawRoundedRect(r.adjusted(2, 0, -2, 0), 2, 2);
        p.setPen(QPen(Gold, 1));
        p.drawLine(QPointF(r.left() + 5, r.top() + 2), QPointF(r.left() + 5, r.bottom() - 2));
        p.drawRect(QRectF(r.left() + 8, r.top() + 5, r.width() - 13, 4));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 255));
        QPainterPath handset;
        handset.addRoundedRect(
            QRectF(r.left(), r.top() + r.height() * 0.3, r.width(), r.height() * 0.4), 4, 4);
        p.drawPath(handset);
    }
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void paintBookBackground(QWidget& window, const QRect& pagesRect,
                         const QList<QWidget*>& visibleTabs) {
    QPainter p(&window);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, 0, window.height());
    desk.setColorAt(0, QColor(92, 64, 44));
    desk.setColorAt(1, QColor(58, 38, 25));
    p.fillRect(window.rect(), desk);

    // Thumb tabs: a rounded paper tab behind each visible tab label, tinted by row.
    static const QColor tints[] = {QColor(246, 224, 160), QColor(214, 232, 196),
                                   QColor(200, 220, 238), QColor(238, 206, 206)};
    for (QWidget* tab : visibleTabs) {
        // Each tab reaches under the board on the side of the pages.
        const bool leftStack = tab->x() < pagesRect.left();
        const QRectF r =
            QRectF(tab->geometry()).adjusted(leftStack ? -2 : -16, 0.5, leftStack ? 16 : 2, -0.5);
        p.setPen(QPen(QColor(120, 100, 70), 0.8));
        p.setBrush(tints[tab->property("tab").toInt() % 4]);
        p.drawRoundedRect(r, 4, 4);
    }

    // The boards of the book behind the pages, with a shadow under the spine.
    const QRectF board = QRectF(pagesRect).adjusted(-8, -8, 8, 8);
    QLinearGradient leather(board.topLeft(), board.bottomRight());
    leather.setColorAt(0, Leather);
    leather.setColorAt(1, LeatherDark);
    p.setPen(QPen(QColor(40, 10, 12), 1));
    p.setBrush(leather);
    p.drawRoundedRect(board, 10, 10);
    p.setPen(QPen(Gold, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(board.adjusted(3, 3, -3, -3), 8, 8);
}

} // namespace orvelan
