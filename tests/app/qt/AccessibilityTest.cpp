// What a screen reader is told of the controls, read through the accessibility interface.
#include "app/qt/AssembledBook.h"
#include "support/QtTestMain.h"

#include "app/qt/ClosedBookWindow.h"
#include "exchange/qt/ExportWindow.h"
#include "exchange/qt/ImportWindow.h"
#include "search/qt/FindWindow.h"
#include "security/qt/PasswordWindow.h"

#include <QAccessible>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controlsSayWhatTheyAre_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("checked"); // -1: not a choice
        QTest::addColumn<bool>("pressable");
        QTest::addColumn<QString>("name");
        const int tick = QAccessible::CheckBox;
        const int option = QAccessible::RadioButton;
        const int button = QAccessible::Button;
        QTest::newRow("Look in Name, on")
            << u"find"_s << u"FnamLa"_s << tick << 1 << true << u"Name"_s;
        QTest::newRow("Look in H Address, off")
            << u"find"_s << u"FAdrLa"_s << tick << 0 << true << u"H Address"_s;
        QTest::newRow("search Find command")
            << u"find"_s << u"FindLa"_s << button << -1 << true << u"Find"_s;
        QTest::newRow("import As EAB, chosen")
            << u"import"_s << u"IMPEBFBu"_s << option << 1 << true << u"As EAB"_s;
        QTest::newRow("import As vCard")
            << u"import"_s << u"IMPVCFBy"_s << option << 0 << true << u"As vCard"_s;
        QTest::newRow("import Selected")
            << u"import"_s << u"IMPSelectedLA"_s << option << 0 << true << u"Selected"_s;
        QTest::newRow("export All Files")
            << u"export"_s << u"EXAllFLa"_s << option << 1 << true << u"All Files"_s;
        QTest::newRow("export UTF-8")
            << u"export"_s << u"ExpUtf8By"_s << option << 0 << true << u"UTF-8"_s;
        QTest::newRow("export Windows-1252")
            << u"export"_s << u"ExpAnsiBy"_s << option << 1 << true << u"Windows-1252"_s;
        QTest::newRow("password box")
            << u"password"_s << u"MPassWordTb"_s << int(QAccessible::EditableText) << -1 << false
            << u"Master password"_s;
        QTest::newRow("closed book picture")
            << u"closed"_s << u"Image1"_s << button << -1 << true << u"Open the book"_s;
        QTest::newRow("previous page arrow")
            << u"book"_s << u"LastB"_s << button << -1 << true << u"Last page"_s;
        QTest::newRow("next page arrow")
            << u"book"_s << u"NextB"_s << button << -1 << true << u"Next page"_s;
    }

    void controlsSayWhatTheyAre() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(int, checked);
        QFETCH(bool, pressable);
        QFETCH(QString, name);
        TempBook book;
        AssembledBook run(book);
        run.program->run().openBook();
        PasswordWindow password(run.session, HelpPages(u"/help"_s));
        QWidget* top = &run.mainWindow;
        if (window == u"find"_s) {
            run.click("FindLa");
            top = run.openBook->findWindow();
        } else if (window == u"import"_s) {
            run.openBook->exchange().openImport();
            top = run.openBook->exchange().importWindow();
        } else if (window == u"export"_s) {
            run.openBook->exchange().openExport();
            top = run.openBook->exchange().exportWindow();
        } else if (window == u"password"_s) {
            top = &password;
        } else if (window == u"closed"_s) {
            top = &run.program->closedBook();
        }
        QVERIFY(top);
        QWidget* widget = top->findChild<QWidget*>(control);
        QVERIFY2(widget, qPrintable(control));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        const QAccessible::State state = accessible->state();
        QVERIFY2(state.focusable, "Tab reaches it");
        if (checked >= 0) {
            QVERIFY(state.checkable);
            QCOMPARE(bool(state.checked), checked == 1);
        }
        QAccessibleActionInterface* actions = accessible->actionInterface();
        QCOMPARE(actions &&
                     actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
                 pressable);
        // Pressing a choice through the interface chooses it, and the state says so.
        if (checked == 0 && pressable) {
            actions->doAction(QAccessibleActionInterface::pressAction());
            QVERIFY(accessible->state().checked);
        }
    }
};

ORVELAN_QT_TEST(AccessibilityTest)
#include "AccessibilityTest.moc"
