#include "platform/HelpPages.h"
#include "platform/qt/QtDesktopLauncher.h"
#include "support/QtTestMain.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

// F1 on a desktop without a web browser: xdg-open would fail out of sight, so the launcher says
// it could not open the page and the user is told where the page is.
class DesktopLauncherTest : public QObject {
    Q_OBJECT

    static void writeScript(const QString& path, const QByteArray& body) {
        QFile(writeBytes(path, "#!/bin/sh\n" + body + "\n"))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private Q_SLOTS:
    void helpWithoutABrowserGivesThePath() {
        QTemporaryDir bin;
        const QString opened = bin.path() + u"/opened"_s;
        // A desktop with xdg-utils and no browser: no default for web pages.
        writeScript(bin.path() + u"/xdg-mime"_s, "exit 0");
        writeScript(bin.path() + u"/xdg-open"_s, "echo \"$1\" > " + opened.toLocal8Bit());
        const QByteArray path = qgetenv("PATH");
        const QByteArray browser = qgetenv("BROWSER");
        qputenv("PATH", bin.path().toLocal8Bit() + ":/bin");
        qunsetenv("BROWSER");

        QtDesktopLauncher launcher;
        ScriptedPrompter prompter;
        const HelpPages help(u"/usr/share/orvelan/help"_s);
        QVERIFY(!help.open(HelpPages::Usage, launcher, prompter));
        QCOMPARE(prompter.shown().size(), 1);
        QVERIFY(prompter.last().text.contains(u"/usr/share/orvelan/help/useage1.htm"_s));
        QVERIFY(!QFile::exists(opened));

        // With a browser on the path the page goes to xdg-open, and nothing is said.
        writeScript(bin.path() + u"/x-www-browser"_s, "exit 0");
        prompter.clear();
        help.open(HelpPages::Usage, launcher, prompter);
        QTRY_VERIFY(QFile::exists(opened) || !prompter.shown().isEmpty());

        qputenv("PATH", path);
        if (!browser.isEmpty())
            qputenv("BROWSER", browser);
    }

    // A telephone number goes through xdg-open, whose exit status tells whether a handler of
    // the desktop took it; without xdg-open nothing can take it.
    void theTelephoneHandOffFollowsXdgOpensExitStatus() {
        QTemporaryDir bin;
        const QString handed = bin.path() + u"/handed"_s;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        const auto handOff = [](const QString& address) {
            std::optional<bool> taken;
            QtDesktopLauncher().handOff(QUrl(address), [&taken](bool ok) { taken = ok; });
            if (!QTest::qWaitFor([&] { return taken.has_value(); }, 10000))
                return std::optional<bool>();
            return taken;
        };

        writeScript(bin.path() + u"/xdg-open"_s,
                    "echo \"$1\" > " + handed.toLocal8Bit() + "; exit 0");
        QCOMPARE(handOff(u"tel:+442079460000"_s), std::optional<bool>(true));
        QCOMPARE(readBytes(handed).trimmed(), QByteArray("tel:+442079460000"));

        writeScript(bin.path() + u"/xdg-open"_s, "exit 4"); // the action failed: no handler
        QCOMPARE(handOff(u"tel:0123"_s), std::optional<bool>(false));

        QFile::remove(bin.path() + u"/xdg-open"_s);
        QCOMPARE(handOff(u"tel:0123"_s), std::optional<bool>(false));
        qputenv("PATH", path);
    }
};

ORVELAN_QT_TEST(DesktopLauncherTest)
#include "DesktopLauncherTest.moc"
