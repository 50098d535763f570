#include "app/qt/ProgramIdentity.h"
#include "app/qt/RunningCopy.h"
#include "support/QtTestMain.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace orvelan;
using namespace Qt::StringLiterals;

// How the program shows itself to the desktop, answers --help and --version, and brings the
// running copy forward when a second one starts.
class ProgramIdentityTest : public QObject {
    Q_OBJECT

    static QString informationFor(const QStringList& arguments, std::optional<int>* status) {
        QString text;
        QTextStream out(&text);
        *status = answerInformationOptions(arguments, out);
        out.flush();
        return text;
    }

private Q_SLOTS:
    void helpAndVersionAnswerAlone() {
        std::optional<int> status;
        QCOMPARE(informationFor({u"orvelan"_s, u"--version"_s}, &status), u"orvelan 1.0.0\n"_s);
        QCOMPARE(status, 0);
        const QString help = informationFor({u"orvelan"_s, u"-TAPI"_s, u"--help"_s}, &status);
        QCOMPARE(status, 0);
        QVERIFY(help.startsWith(u"usage: orvelan [-TAPI] [/DRST]\n"_s));
        // The program's own switches, anywhere and in any case, start the program.
        for (const QStringList& run : {QStringList{u"orvelan"_s},
                                       {u"orvelan"_s, u"-tapi"_s},
                                       {u"orvelan"_s, u"x/DRSTy"_s, u"-TAPI"_s}}) {
            QVERIFY(informationFor(run, &status).isEmpty());
            QVERIFY(!status);
        }
    }

    void theDesktopKnowsTheProgram() {
        applyProgramIdentity();
        QCOMPARE(QGuiApplication::desktopFileName(), u"orvelan"_s);
        QCOMPARE(QGuiApplication::applicationName(), u"orvelan"_s);
        QVERIFY(!QGuiApplication::windowIcon().isNull());
        QVERIFY(QGuiApplication::windowIcon().availableSizes().contains(QSize(53, 64)) ||
                !QIcon::fromTheme(u"orvelan"_s).isNull());
    }

    void picturesAreDrawnAtTheScreensPixelRatio() {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap book = pictures::closedBook(QSize(170, 205), true, ratio);
            QCOMPARE(book.size(), QSize(170, 205) * ratio);
            QCOMPARE(book.deviceIndependentSize(), QSizeF(170, 205));
            const QPixmap close = pictures::closeButton(pictures::ButtonLook::Over, ratio);
            QCOMPARE(close.deviceIndependentSize(), QSizeF(18, 18));
        }
    }

    void aSecondCopyRaisesTheRunningOne() {
        QTemporaryDir book;
        QVERIFY(!RunningCopy::askToRaise(book.path(), 200)); // nobody listens yet
        RunningCopy running(book.path());
        QVERIFY(running.listen());
        QSignalSpy raised(&running, &RunningCopy::raiseRequested);
        QVERIFY(RunningCopy::askToRaise(book.path()));
        QVERIFY(raised.wait(2000));
        // Another book folder has its own copy.
        QTemporaryDir other;
        QVERIFY(RunningCopy::serverName(other.path()) != RunningCopy::serverName(book.path()));
        QVERIFY(!RunningCopy::askToRaise(other.path(), 200));

        // The request brings the visible windows forward and activates one; hidden ones stay.
        QWidget behind;
        QWidget hidden;
        QWidget front;
        behind.show();
        front.show();
        QVERIFY(QTest::qWaitForWindowExposed(&front));
        front.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &front);
        behind.showMinimized();
        raiseProgramWindows();
        QVERIFY(!behind.isMinimized());
        QVERIFY(hidden.isHidden());
        QTRY_VERIFY(QApplication::activeWindow() != nullptr);
    }

    // The program ended by a signal lets its socket go; one killed outright leaves it behind,
    // and the next start listens all the same.
    void theProgramEndedBySignalLeavesNoSocket_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("socketLeft");
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGHUP") << SIGHUP << false;
        QTest::newRow("SIGKILL") << SIGKILL << true;
    }
    void theProgramEndedBySignalLeavesNoSocket() {
        QFETCH(int, signal);
        QFETCH(bool, socketLeft);
        QTemporaryDir book;
        const QString socket = QDir::temp().filePath(RunningCopy::serverName(book.path()));
        const auto start = [&book](QProcess& program) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"ORVELAN_HOME"_s, book.path());
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(ORVELAN_PROGRAM), {});
            QVERIFY(program.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(RunningCopy::askToRaise(book.path(), 200), 15000);
        };
        QProcess first;
        start(first);
        ::kill(pid_t(first.processId()), signal);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(QFile::exists(socket), socketLeft);
        if (!socketLeft)
            QCOMPARE(first.exitCode(), 128 + signal);

        QProcess second;
        start(second);
        second.terminate();
        QVERIFY(second.waitForFinished(10000));
        QVERIFY(!QFile::exists(socket));
    }
};

ORVELAN_QT_TEST(ProgramIdentityTest)
#include "ProgramIdentityTest.moc"
