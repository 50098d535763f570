#pragma once

#include <QDateTime>

namespace orvelan {

// The clock and the message-processing wait (`Pause`), so tests run on a fast clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Waits `seconds` (fractions allowed) while window messages keep being processed.
    virtual void pause(double seconds) = 0;
};

// The real clock; its pause runs the event loop of the running application, if any.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    void pause(double seconds) override;
};

} // namespace orvelan
