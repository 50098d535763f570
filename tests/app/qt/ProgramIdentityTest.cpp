#include "app/qt/ProgramIdentity.h"
#include "app/qt/RunningCopy.h"
#include "support/QtTestMain.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
};

ORVELAN_QT_TEST(ProgramIdentityTest)
#include "ProgramIdentityTest.moc"
