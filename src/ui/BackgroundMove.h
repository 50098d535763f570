#pragma once

#include <QObject>
#include <QPoint>

#include <optional>

class QWidget;

namespace orvelan {

// Moves a window that has no title bar by its background: a left press that no control takes
// starts a move, the pointer moving with the button held carries the window, and the release
// ends it. A move that sees the pointer move with no button held has lost its release (to a
// dialog, a popup) and ends there too. The window moves itself: no window manager holds the
// pointer, so a quick click can never leave a move running. (Where windows cannot place
// themselves, on Wayland, the first move with the button held hands over to the compositor.)
class BackgroundMove final : public QObject {
public:
    // Watches `window`'s mouse events; owned by the window.
    explicit BackgroundMove(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::optional<QPoint> m_hold; // the pointer's place on the window while a move runs
};

} // namespace orvelan
