#pragma once

#include "platform/ScreenArea.h"

#include <QGuiApplication>
#include <QScreen>

namespace orvelan {

// The free area (without panels and docks) of the screen a window placed at `topLeft` with
// `size` would stand on: the screen under its centre, else the primary screen.
inline QRect screenAreaAt(QPoint topLeft, QSize size) {
    const QScreen* screen = QGuiApplication::screenAt(QRect(topLeft, size).center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace orvelan
