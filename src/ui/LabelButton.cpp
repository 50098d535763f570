#include "ui/LabelButton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace orvelan {

LabelButton::LabelButton(const QString& objectName, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
    setColour(LabelColour::Grey);
}

QColor LabelButton::rgb(LabelColour colour) {
    switch (colour) {
    case LabelColour::Blue:
        return QColor(0, 0, 255);
    case LabelColour::Red:
        return QColor(255, 0, 0);
    case LabelColour::Grey:
        break;
    }
    return QColor(128, 128, 128);
}

void LabelButton::setColour(LabelColour colour) {
    m_colour = colour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, rgb(colour));
    setPalette(palette);
}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void LabelButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

void LabelButton::keyPressEvent(QKeyEvent* event) {
    // A label that has keyboard focus acts on Space and Enter like a button.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        Q_EMIT clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace orvelan
