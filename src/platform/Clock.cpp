#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace orvelan {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

void SystemClock::pause(double seconds) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000.0));
    if (!QCoreApplication::instance()) {
        QThread::msleep(static_cast<unsigned long>(deadline.remainingTime()));
        return;
    }
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(
            QEventLoop::AllEvents, static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        QThread::msleep(std::min<qint64>(5, std::max<qint64>(0, deadline.remainingTime())));
    }
}

} // namespace orvelan
