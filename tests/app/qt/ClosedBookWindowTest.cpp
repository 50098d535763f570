#include "app/FakeWindows.h"
#include "support/QtTestMain.h"

#include "app/qt/Program.h"
#include "app/qt/StandInBook.h"
#include "security/qt/PasswordWindow.h"
#include "support/FakeClock.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"
#include "ui/LabelButton.h"
#include "ui/WidgetBookWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace orvelan;
using namespace orvelan::test;

// The run of the program with its windows: the closed book, the stand-in open book and the
// options panel, on a temporary book.
class ClosedBookWindowTest : public QObject {
    Q_OBJECT

    struct Run {
        explicit Run(const TempBook& book, const QString& commandLine = {})
            : session(book.folder(), Services{prompter, clock, launcher},
                      CommandLine::parse(commandLine)),
              mainWindow(session), password(session),
              adapter(mainWindow, [this] { program->mainWindowLoaded(); }) {
            session.loadSettings();
            program = std::make_unique<Program>(session, HelpPages(QStringLiteral("/help")),
                                                adapter, password);
            connectMainWindow(mainWindow, *program);
            QObject::connect(&mainWindow, &StandInBook::escapePressed, &mainWindow, [this] {
                if (program->optionsPanel().isOpen())
                    program->optionsPanel().closeAndStore();
            });
            program->start();
        }
        ClosedBookWindow& cuva() { return program->closedBook(); }
        template <class T = QWidget> T* find(QWidget& in, const char* name) {
            T* child = in.findChild<T*>(QLatin1StringView(name));
            if (!child)
                qFatal("control %s not found", name);
            return child;
        }

        ScriptedPrompter prompter;
        FakeClock clock;
        RecordingLauncher launcher;
        Session session;
        StandInBook mainWindow;
        FakePassword password;
        WidgetBookWindow<StandInBook> adapter;
        std::unique_ptr<Program> program;
    };

    static void storeSettings(const TempBook& book, const std::function<void(Settings&)>& change) {
        SettingsFile file(book.folder().settingsPath());
        Settings settings = file.read();
        change(settings);
        QCOMPARE(file.write(settings), 0);
    }

private Q_SLOTS:
    void opensByKeysAndClosesBackToTheSamePlace() {
        TempBook book;
        storeSettings(book, [](Settings& s) { s.setCuvaPosition(9010, 1500); });
        Run run(book);
        ClosedBookWindow& cuva = run.cuva();
        QVERIFY(cuva.isVisible());
        QVERIFY(cuva.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(cuva.caption(), QStringLiteral("ORVELAN [UN-LOCKED]"));
        QCOMPARE(cuva.pos(), QPoint(601, 100));

        const QList<Qt::Key> openKeys = {Qt::Key_PageDown, Qt::Key_F4, Qt::Key_F7};
        for (Qt::Key key : openKeys) {
            QTest::keyClick(&cuva, key);
            QVERIFY(!cuva.isVisible());
            QVERIFY(run.mainWindow.isVisible());
            QCOMPARE(run.adapter.leftTwips(), 9010 - 3380);
            QCOMPARE(run.adapter.topTwips(), 1500);
            QCOMPARE(run.find<QLabel>(run.mainWindow, "RecnLa")->text(), QStringLiteral("A  1"));
            run.find<LabelButton>(run.mainWindow, "CloseLa")->clicked();
            QVERIFY(cuva.isVisible());
            QVERIFY(!run.mainWindow.isVisible());
            QCOMPARE(cuva.leftTwips(), 9010);
            QCOMPARE(cuva.pos(), QPoint(601, 100));
        }
        QCOMPARE(run.mainWindow.firstPageShown(), 3); // each opening loads page 1 of tab 1

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
            run.prompter.answerNext(PromptAnswer::Cancel);
            run.cuva().close(); // the desktop's close finishes as the close picture does
            QCOMPARE(run.prompter.shown().size(), 2);
            QVERIFY(run.cuva().isVisible());
            QTest::keyClick(&run.cuva(), Qt::Key_F8);
            QCOMPARE(ended.count(), 1);
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
        QCOMPARE(run.prompter.last().text,
                 QStringLiteral("Minimisation has been Disabled, to Restore: Open and click "
                                "[ Options ]   "));
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
        run.find<LabelButton>(run.mainWindow, "PassLa")->clicked();
        QVERIFY(panel.isVisible());
        run.program->mainWindowHelp();
        QCOMPARE(run.launcher.opened().last().fileName(), QStringLiteral("useage_opt.htm"));

        // Esc closes the panel and writes the settings, as Ok does.
        run.find<QCheckBox>(panel, "DelBoECk")->setChecked(true);
        QTest::keyClick(&run.mainWindow, Qt::Key_Escape);
        QVERIFY(!panel.isVisible());
        QVERIFY(SettingsFile(book.folder().settingsPath()).read().flag(Settings::EnableMinimise));
    }

    void screenshots() {
        const QString folder = qEnvironmentVariable("ORVELAN_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("set ORVELAN_SCREENSHOTS to a folder to write the screenshots");
        QDir().mkpath(folder);
        TempBook book;
        storeSettings(book, [](Settings& s) { s.setFlag(Settings::UsePasswordOnStartUp, true); });
        Run run(book);
        QVERIFY(run.cuva().grab().save(folder + QStringLiteral("/closed-book.png")));

        PasswordWindow password(run.session, HelpPages(QStringLiteral("/help")));
        password.dialogue().start(1);
        password.show();
        QVERIFY(password.grab().save(folder + QStringLiteral("/password.png")));

        run.program->mainWindowLoaded();
        OptionsPanel& panel = run.program->optionsPanel();
        panel.setParent(nullptr);
        panel.resize(panel.sizeHint());
        panel.show();
        QVERIFY(panel.grab().save(folder + QStringLiteral("/options.png")));
    }
};

ORVELAN_QT_TEST(ClosedBookWindowTest)
#include "ClosedBookWindowTest.moc"
