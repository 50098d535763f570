#pragma once

#include <QObject>

class QSocketNotifier;

namespace orvelan {

// SIGTERM, SIGINT and SIGHUP end the program through its event loop, as a quit does, so the
// book's lock and the running copy's socket are let go: the handler only writes the signal's
// number into a pipe, which the event loop reads.
class EndSignals final : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

Q_SIGNALS:
    // In the event loop, for each signal that arrived.
    void received(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace orvelan
