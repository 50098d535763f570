#include "security/qt/PasswordWindow.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"
#include "ui/LabelButton.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace orvelan;
using namespace orvelan::test;

class PasswordWindowTest : public QObject {
    Q_OBJECT

    using Fixture = BookSession;

    static QLineEdit* entry(QWidget& window) {
        auto* box = window.findChild<QLineEdit*>(QStringLiteral("MPassWordTb"));
        if (!box)
            qFatal("MPassWordTb not found");
        return box;
    }
    static LabelButton* command(QWidget& window, int index) {
        auto* label = window.findChild<LabelButton*>(QStringLiteral("MPWLa%1").arg(index));
        if (!label)
            qFatal("MPWLa%d not found", index);
        return label;
    }
    static QString instruction(QWidget& window) {
        return window.findChild<QLabel*>(QStringLiteral("MPassInstructLa"))->text();
    }
    static void typeText(QWidget* target, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }

private Q_SLOTS:
    // Text that arrives without key presses (a paste, a middle-click, an input method) meets
    // the same rules as typed keys, so no password is stored that cannot be typed again.
    void pastedAndComposedTextFollowsTheTypingRules() {
        Fixture f;
        f.session.settings().setFlag(Settings::AllowExtCharsInPasswords, true);
        PasswordWindow window(f.session, HelpPages(QStringLiteral("/help")));
        window.dialogue().start(1);
        window.show();
        QLineEdit* box = entry(window);

        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("z\u0142oty"));
        QApplication::sendEvent(box, &composed);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.shown().size(), 1);

        QGuiApplication::clipboard()->setText(QStringLiteral("ab\tcd"));
        box->paste();
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 QStringLiteral(
                     "CONTROL Characters are not permitted in Passwords on this version    "));

        QGuiApplication::clipboard()->setText(QStringLiteral("z\u00f3ty"));
        box->paste();
        QCOMPARE(box->text(), QStringLiteral("z\u00f3ty"));
        QCOMPARE(f.prompter.shown().size(), 2);
        QTest::keyClick(box, Qt::Key_Return);
        typeText(box, QStringLiteral("z\u00f3ty"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.session.settings().masterPassword().trimmed(), QByteArray("z\xf3ty"));
    }

    void typingRulesRefuseAndEmptyTheEntry() {
        Fixture f;
        PasswordWindow window(f.session, HelpPages(QStringLiteral("/help")));
        window.dialogue().start(2);
        window.show();
        QLineEdit* box = entry(window);
        QCOMPARE(box->maxLength(), 64);
        QCOMPARE(box->echoMode(), QLineEdit::Password);

        QTest::keyClicks(box, QStringLiteral("abc"));
        QCOMPARE(box->text(), QStringLiteral("abc"));
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
        QCOMPARE(
            f.prompter.last().text,
            QStringLiteral("The [Esc] key is PROHIBITED for Password Entry or Dialogue EXIT    "));
        QVERIFY(window.isVisible());

        QTest::keyClicks(box, QStringLiteral("ab"));
        typeText(box, QStringLiteral("é"));
        QCOMPARE(box->text(), QString());
        QCOMPARE(
            f.prompter.last().text,
            QStringLiteral("Options Currently set Prohibit EXTENDED Characters in Passwords    "));

        QTest::keyClicks(box, QStringLiteral("xy"));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 QStringLiteral(
                     "CONTROL Characters are not permitted in Passwords on this version    "));

        f.session.settings().setFlag(Settings::AllowExtCharsInPasswords, true);
        const qsizetype boxes = f.prompter.shown().size();
        typeText(box, QStringLiteral("é"));
        QCOMPARE(box->text(), QStringLiteral("é"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.shown().size(), boxes);
    }

    void enterAndTheCommandsDriveTheDialogue() {
        Fixture f;
        PasswordWindow window(f.session, HelpPages(QStringLiteral("/help")));
        window.dialogue().start(1);
        window.show();
        QVERIFY(!command(window, 0)->isEnabled());
        QCOMPARE(command(window, 2)->caption(), QStringLiteral("SET"));
        QTest::keyClicks(entry(window), QStringLiteral("abc"));
        QTest::keyClick(entry(window), Qt::Key_Return);
        QCOMPARE(instruction(window), QStringLiteral("Confirm Password"));
        QCOMPARE(command(window, 2)->caption(), QStringLiteral("Confirm"));
        QCOMPARE(entry(window)->text(), QString());

        // A release far below the Ok label does nothing; one on it confirms.
        QTest::keyClicks(entry(window), QStringLiteral("abc"));
        LabelButton* ok = command(window, 2);
        QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(window.pictureState(2), ButtonState::Pressed);
        QTest::mouseRelease(ok, Qt::LeftButton, {}, QPoint(10, 40));
        QVERIFY(!f.session.passwordAccepted);
        QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(10, 5));
        QVERIFY(f.session.passwordAccepted);
        QVERIFY(!window.isVisible());
        QCOMPARE(SettingsFile(f.book.folder().settingsPath()).read().masterPassword().trimmed(),
                 QByteArray("abc"));
    }

    void cancelAndHelp() {
        Fixture f;
        PasswordWindow window(f.session, HelpPages(QStringLiteral("/help")));
        window.dialogue().start(2);
        window.show();
        QVERIFY(command(window, 0)->isEnabled());
        QTest::keyClick(entry(window), Qt::Key_F1);
        QCOMPARE(f.launcher.opened().value(0).fileName(), QStringLiteral("orvelanpwe.htm"));
        window.reject(); // what Esc on the window would do
        QVERIFY(window.isVisible());
        QTest::mouseClick(command(window, 1), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(f.session.passwordCancelled);
        QVERIFY(!window.isVisible());
    }

    void thePromptRunsTheWindowModally() {
        Fixture f;
        f.session.settings().setRaw(Settings::MasterPassword, "open sesame");
        PasswordWindowPrompt prompt(f.session, HelpPages(QStringLiteral("/help")));
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<PasswordWindow*>(QApplication::activeModalWidget());
            if (!window)
                qFatal("the password window is not modal");
            seen = instruction(*window);
            QTest::keyClicks(entry(*window), QStringLiteral("open sesame"));
            QTest::keyClick(entry(*window), Qt::Key_Enter);
        });
        prompt.run(2);
        QCOMPARE(seen, QStringLiteral("Enter Password"));
        QVERIFY(f.session.passwordAccepted);
        QVERIFY(!f.session.passwordCancelled);
    }
};

ORVELAN_QT_TEST(PasswordWindowTest)
#include "PasswordWindowTest.moc"
