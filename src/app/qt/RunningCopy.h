#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace orvelan {

// The running copy of the program on a book folder listens on a local socket; a second copy,
// refused by the folder's lock, asks it through the socket to bring its window to the front.
class RunningCopy final : public QObject {
    Q_OBJECT
public:
    explicit RunningCopy(const QString& bookRoot, QObject* parent = nullptr);
    ~RunningCopy() override;

    // Starts listening; a socket left behind by a copy that crashed is replaced (the caller
    // holds the book's lock, so no other copy listens).
    bool listen();

    // From the second copy: true when the running copy got the request.
    static bool askToRaise(const QString& bookRoot, int timeoutMs = 2000);
    // The socket's name for a book folder: one per folder and user.
    static QString serverName(const QString& bookRoot);

Q_SIGNALS:
    void raiseRequested();

private:
    QString m_name;
    QLocalServer* m_server;
};

// Shows every visible top-level window of the program normal (not minimised), raises it and
// activates the last.
void raiseProgramWindows();

} // namespace orvelan
