#include "platform/qt/QtDesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace orvelan {

namespace {

// xdg-open waits for some handlers to end; one still running by then has taken the address.
constexpr int HandlerStartedAfterMs = 3000;

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

void QtDesktopLauncher::handOff(const QUrl& url, std::function<void(bool taken)> done) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        QTimer::singleShot(0, [done = std::move(done)] { done(false); });
        return;
    }
    auto* process = new QProcess;
    process->setProgram(xdgOpen);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto report = std::make_shared<std::function<void(bool)>>(std::move(done));
    const auto once = [report](bool taken) {
        if (*report) {
            auto callback = std::move(*report);
            *report = nullptr;
            callback(taken);
        }
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, once](int exitCode, QProcess::ExitStatus status) {
                         once(status == QProcess::NormalExit && exitCode == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, once](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         once(false);
                         process->deleteLater();
                     });
    QTimer::singleShot(HandlerStartedAfterMs, process, [once] { once(true); });
    process->start();
#else
    done(openUrl(url));
#endif
}

} // namespace orvelan
