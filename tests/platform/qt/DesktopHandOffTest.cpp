#include "platform/qt/QtDesktopLauncher.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace orvelan;

// The telephone hand-off through a real xdg-open: a stand-in script on the PATH answers as a
// desktop with or without a handler would.
class DesktopHandOffTest : public QObject {
    Q_OBJECT

    QTemporaryDir bin;
    QByteArray oldPath;

    void installXdgOpen(const QByteArray& body) {
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static std::optional<bool> handOff(const QString& address) {
        std::optional<bool> taken;
        QtDesktopLauncher().handOff(QUrl(address), [&taken](bool ok) { taken = ok; });
        if (!QTest::qWaitFor([&] { return taken.has_value(); }, 10000))
            return std::nullopt;
        return taken;
    }

private Q_SLOTS:
    void initTestCase() {
        oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
    }
    void cleanupTestCase() { qputenv("PATH", oldPath); }

    void theExitStatusOfXdgOpenDecides() {
        installXdgOpen("echo \"$1\" > \"${0%/*}/handed\"; exit 0");
        QCOMPARE(handOff(QStringLiteral("tel:+442079460000")), std::optional<bool>(true));
        QFile handed(bin.filePath(QStringLiteral("handed")));
        QVERIFY(handed.open(QIODevice::ReadOnly));
        QCOMPARE(handed.readAll().trimmed(), QByteArray("tel:+442079460000"));

        installXdgOpen("exit 4"); // xdg-open: the action failed, no handler
        QCOMPARE(handOff(QStringLiteral("tel:0123")), std::optional<bool>(false));
    }

    void noXdgOpenMeansNoHandler() {
        QFile::remove(bin.filePath(QStringLiteral("xdg-open")));
        QCOMPARE(handOff(QStringLiteral("tel:0123")), std::optional<bool>(false));
    }
};

QTEST_GUILESS_MAIN(DesktopHandOffTest)
#include "DesktopHandOffTest.moc"
