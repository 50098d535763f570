#include "platform/qt/QtDesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace orvelan {

namespace {

// Whether anything on this desktop opens web pages. xdg-open starts in the background and fails
// there, unseen, when no browser is installed; asking first lets the caller tell the user.
bool aBrowserIsInstalled() {
    if (!qEnvironmentVariableIsEmpty("BROWSER"))
        return true;
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return true; // no way to ask: Qt's own answer stands
    QProcess query;
    query.start(mime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (query.waitForFinished(3000) && !query.readAllStandardOutput().trimmed().isEmpty())
        return true;
    // xdg-open's own fall-backs when no default is set.
    for (const char* browser : {"x-www-browser", "sensible-browser", "firefox", "firefox-esr",
                                "chromium", "google-chrome", "epiphany", "konqueror", "falkon"}) {
        if (!QStandardPaths::findExecutable(QLatin1StringView(browser)).isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool QtDesktopLauncher::openUrl(const QUrl& url) {
    // Local pages (the help) need a browser; other addresses have handlers of their own.
    if (url.isLocalFile() && url.fileName().endsWith(QStringLiteral(".htm")) &&
        !aBrowserIsInstalled())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace orvelan
