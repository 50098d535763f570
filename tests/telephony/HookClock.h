#pragma once

#include "platform/Clock.h"

#include <functional>

namespace orvelan::test {

// A clock whose pause returns at once after running `onPause`, which stands for the window
// messages (clicks, call events, device input) that arrive during a wait. Pauses made from
// inside `onPause` do not run it again.
class HookClock final : public Clock {
public:
    std::function<void()> onPause;
    double paused = 0;
    int turns = 0;

    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(14, 5)); }
    void pause(double seconds) override {
        paused += seconds;
        ++turns;
        if (!onPause || m_inHook)
            return;
        m_inHook = true;
        onPause();
        m_inHook = false;
    }

private:
    bool m_inHook = false;
};

} // namespace orvelan::test
