#include "app/qt/AssembledBook.h"
#include "support/QtTestMain.h"

#include "ui/LabelButton.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

// The closed book in the assembled program: opening, closing back to its place, finishing,
// minimising, help and the options panel.
class ClosedBookWindowTest : public QObject {
    Q_OBJECT

    struct Run : AssembledBook {
        using AssembledBook::AssembledBook;
        ClosedBookWindow& cuva() { return program->closedBook(); }
    };

private Q_SLOTS:
    void opensByKeysAndClosesBackToTheSamePlace() {
        TempBook book;
        storeSettings(book, [](Settings& s) { s.setCuvaPosition(3380, 0); });
        Run run(book);
        ClosedBookWindow& cuva = run.cuva();
        QVERIFY(cuva.isVisible());
        QVERIFY(cuva.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(cuva.caption(), QStringLiteral("ORVELAN [UN-LOCKED]"));
        // The open book stands 3380 twips to the left of the closed book: here at the screen's
        // corner, where the whole book fits on the small test screen.
        const QPoint place = cuva.pos();

        const QList<Qt::Key> openKeys = {Qt::Key_PageDown, Qt::Key_F4, Qt::Key_F7};
        for (Qt::Key key : openKeys) {
            QTest::keyClick(&cuva, key);
            QVERIFY(!cuva.isVisible());
            QVERIFY(run.mainWindow.isVisible());
            QCOMPARE(run.adapter.leftTwips(), 0);
            QCOMPARE(run.adapter.topTwips(), 0);
            // Each opening shows page 1 of tab A, wherever the book was closed.
            QCOMPARE(run.find<QLabel>("RecnLa")->text(), QStringLiteral("A  1"));
            run.click("LCLa");
            run.click("CloseLa");
            QTRY_VERIFY(cuva.isVisible());
            QVERIFY(!run.mainWindow.isVisible());
            QVERIFY(!run.ended);
            QCOMPARE(cuva.leftTwips(), 3380);
            QCOMPARE(cuva.pos(), place);
        }
        QTest::mouseClick(run.find(cuva, "Image1"), Qt::LeftButton);
        QVERIFY(run.mainWindow.isVisible());
        QVERIFY(run.prompter.shown().isEmpty());
    }

    void finishesWithAndWithoutThePromptStoringThePosition() {
        TempBook book;
        {
            Run run(book);
            QSignalSpy ended(&run.program->run(), &BookRun::endRequested);
            run.cuva().move(40, 60);
            run.prompter.answerNext(PromptAnswer::Cancel);
            QTest::keyClick(&run.cuva(), Qt::Key_PageUp);
            QCOMPARE(run.prompter.last(), finishQuestion());
            QVERIFY(run.cuva().isVisible());
            QCOMPARE(ended.count(), 0);
            QVERIFY(!QFile::exists(book.folder().settingsPath()));
            run.prompter.answerNext(PromptAnswer::Cancel);
            run.cuva().close(); // the desktop's close finishes as the close picture does
            QCOMPARE(run.prompter.shown().size(), 2);
            QVERIFY(run.cuva().isVisible());
            QTest::keyClick(&run.cuva(), Qt::Key_F8);
            QCOMPARE(QList<QVariantList>(ended), QList<QVariantList>{{0}});
            QVERIFY(!run.cuva().isVisible());
        }
        QCOMPARE(SettingsFile(book.folder().settingsPath()).read().cuvaLeft(), 600);
        QCOMPARE(SettingsFile(book.folder().settingsPath()).read().cuvaTop(), 900);

        storeSettings(book, [](Settings& s) { s.setFlag(Settings::FinishWithoutPrompting, true); });
        {
            Run run(book);
            QCOMPARE(run.cuva().pos(), QPoint(40, 60));
            QSignalSpy ended(&run.program->run(), &BookRun::endRequested);
            run.cuva().move(80, 20);
            run.find<LabelButton>(run.cuva(), "CloseLBL")->clicked();
            QCOMPARE(ended.count(), 1);
            QVERIFY(run.prompter.shown().isEmpty());
        }
        QCOMPARE(SettingsFile(book.folder().settingsPath()).read().cuvaLeft(), 1200);
    }

    void minimiseIsRefusedUnlessAllowedAndPicturesFollowThePointer() {
        TempBook book;
        Run run(book);
        ClosedBookWindow& cuva = run.cuva();
        auto* mini = run.find<LabelButton>(cuva, "MiniLBL");
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(mini, &enter);
        QVERIFY(cuva.minimiseButtonOver());
        QVERIFY(!cuva.closeButtonOver());
        QCoreApplication::sendEvent(run.find(cuva, "CloseLBL"), &enter);
        QVERIFY(!cuva.minimiseButtonOver());
        QVERIFY(cuva.closeButtonOver());
        QCoreApplication::sendEvent(run.find(cuva, "Image1"), &enter);
        QVERIFY(!cuva.closeButtonOver());

        mini->clicked();
        QCOMPARE(run.prompter.shown().size(), 1);
        QCOMPARE(run.prompter.last(),
                 (PromptRequest{u"Secure Address Book"_s,
                                u"Minimisation has been Disabled, to Restore: Open and click "
                                "[ Options ]   "_s,
                                PromptIcon::Information, PromptButtons::Ok}));
        QVERIFY(!cuva.isMinimized());
        QCOMPARE(cuva.caption(), QStringLiteral("ORVELAN [UN LOCKED]"));
    }

    void helpAndOptionsFromTheWindows() {
        TempBook book;
        Run run(book);
        QTest::keyClick(&run.cuva(), Qt::Key_F1);
        QCOMPARE(run.launcher.opened().size(), 1);
        QCOMPARE(run.launcher.opened().last(),
                 QUrl::fromLocalFile(QStringLiteral("/help/overview.htm")));

        QTest::keyClick(&run.cuva(), Qt::Key_PageDown);
        OptionsPanel& panel = run.program->optionsPanel();
        QVERIFY(!panel.isVisible());
        run.program->mainWindowHelp();
        QCOMPARE(run.launcher.opened().last().fileName(), QStringLiteral("useage1.htm"));
        run.click("PassLa");
        QVERIFY(panel.isVisible());
        run.program->mainWindowHelp();
        QCOMPARE(run.launcher.opened().last().fileName(), QStringLiteral("useage_opt.htm"));

        // Esc closes the panel and writes the settings, as Ok does.
        run.find<QCheckBox>(panel, "DelBoECk")->setChecked(true);
        QTest::keyClick(&run.mainWindow, Qt::Key_Escape);
        QVERIFY(!panel.isVisible());
        QVERIFY(SettingsFile(book.folder().settingsPath()).read().flag(Settings::EnableMinimise));
    }
};

ORVELAN_QT_TEST(ClosedBookWindowTest)
#include "ClosedBookWindowTest.moc"
