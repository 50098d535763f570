#include "ui/BackgroundMove.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace orvelan {

BackgroundMove::BackgroundMove(QWidget* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

bool BackgroundMove::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_hold = mouse->globalPosition().toPoint() - m_window->pos();
        break;
    }
    case QEvent::MouseMove: {
        if (!m_hold)
            break;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton)) {
            m_hold.reset();
        } else if (QGuiApplication::platformName().startsWith(QLatin1StringView("wayland"))) {
            m_hold.reset();
            if (m_window->windowHandle())
                m_window->windowHandle()->startSystemMove();
        } else {
            m_window->move(mouse->globalPosition().toPoint() - *m_hold);
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_hold.reset();
        break;
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        m_hold.reset();
        break;
    default:
        break;
    }
    return false;
}

} // namespace orvelan
