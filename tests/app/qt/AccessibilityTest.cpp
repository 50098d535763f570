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
        QTest::addColumn<QString>("name");
        const int tick = QAccessible::CheckBox;
        const int option = QAccessible::RadioButton;
        const int button = QAccessible::Button;
        const struct {
            const char *row, *window, *control;
            int role, checked;
            const char* name;
        } rows[] = {
            {"Look in Name, on", "find", "FnamLa", tick, 1, "Name"},
            {"Look in H Address", "find", "FAdrLa", tick, 0, "H Address"},
            {"Look in W Address", "find", "FAdWLa", tick, 0, "W Address"},
            {"search box", "find", "Text2", QAccessible::EditableText, -1, "Look for"},
            {"search Find", "find", "FindLa", button, -1, "Find"},
            {"search Close", "find", "CancelLa", button, -1, "Close"},
            {"import As EAB", "import", "IMPEBFBu", option, 1, "As EAB"},
            {"import As vCard", "import", "IMPVCFBy", option, 0, "As vCard"},
            {"import Selected", "import", "IMPSelectedLA", option, 0, "Selected"},
            {"export All Files", "export", "EXAllFLa", option, 1, "All Files"},
            {"export UTF-8", "export", "ExpUtf8By", option, 0, "UTF-8"},
            {"password box", "password", "MPassWordTb", QAccessible::EditableText, -1,
             "Master password"},
            {"closed book picture", "closed", "Image1", button, -1, "Open the book"},
            {"previous page arrow", "book", "LastB", button, -1, "Last page"},
            {"next page arrow", "book", "NextB", button, -1, "Next page"},
            {"command bar Add", "book", "AddLa", button, -1, "Add"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.row) << QString::fromLatin1(r.window) << QString::fromLatin1(r.control)
                                 << r.role << r.checked << QString::fromLatin1(r.name);
    }

    void controlsSayWhatTheyAre() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(int, checked);
        QFETCH(QString, name);
        const bool pressable = role != QAccessible::EditableText;
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
