#include "platform/qt/QtDesktopLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace orvelan {

namespace {
// xdg-open waits for some handlers to end; one still running by then has taken the address.
constexpr int HandlerStartedAfterMs = 3000;
} // namespace

bool QtDesktopLauncher::openUrl(const QUrl& url) {
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
