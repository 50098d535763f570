#pragma once

#include "platform/Clock.h"

#include <QStringList>

#include <functional>

namespace orvelan::test {

// A clock that stands still until told, and whose pause returns at once but is remembered.
// `onPause`, when set, runs in every pause: what arrives while the program waits.
class FakeClock final : public Clock {
public:
    std::function<void(double seconds)> onPause;

    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(14, 5)))
        : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void pause(double seconds) override {
        m_paused += seconds;
        m_now = m_now.addMSecs(static_cast<qint64>(seconds * 1000));
        if (onPause)
            onPause(seconds);
    }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void set(const QDateTime& now) { m_now = now; }
    double pausedSeconds() const { return m_paused; }

private:
    QDateTime m_now;
    double m_paused = 0;
};

} // namespace orvelan::test
