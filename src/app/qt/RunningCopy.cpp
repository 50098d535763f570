#include "app/qt/RunningCopy.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {
const QByteArray RaiseRequest = "raise\n";
} // namespace

RunningCopy::RunningCopy(const QString& bookRoot, QObject* parent)
    : QObject(parent), m_name(serverName(bookRoot)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(RaiseRequest.trimmed()))
                    Q_EMIT raiseRequested();
                socket->disconnectFromServer();
            });
        }
    });
}

RunningCopy::~RunningCopy() = default;

QString RunningCopy::serverName(const QString& bookRoot) {
    const QByteArray folder = QDir(bookRoot).absolutePath().toUtf8();
    return u"orvelan-"_s +
           QString::fromLatin1(
               QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(24));
}

bool RunningCopy::listen() {
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

bool RunningCopy::askToRaise(const QString& bookRoot, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName(bookRoot));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(RaiseRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void raiseProgramWindows() {
    QWidget* last = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::ToolTip ||
            window->windowType() == Qt::Popup)
            continue;
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->raise();
        last = window;
    }
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible())
        last = active;
    if (last)
        last->activateWindow();
}

} // namespace orvelan
