#include "security/qt/PasswordWindow.h"
#include "security/BookEncryption.h"
#include "store/PageRecord.h"
#include "support/BookSession.h"
#include "support/MemoryKeyring.h"
#include "support/QtTestMain.h"
#include "ui/LabelButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class PasswordWindowTest : public QObject {
    Q_OBJECT

    using Fixture = BookSession;

    static QLineEdit* entry(QWidget& window) {
        return findControl<QLineEdit>(window, "MPassWordTb");
    }
    static LabelButton* command(QWidget& window, int index) {
        return findControl<LabelButton>(window, ("MPWLa" + QByteArray::number(index)).constData());
    }
    static QString instruction(QWidget& window) {
        return window.findChild<QLabel*>(u"MPassInstructLa"_s)->text();
    }
    // The window on `session`, shown in the given mode of the dialogue.
    struct Shown : PasswordWindow {
        Shown(Session& session, int mode) : PasswordWindow(session, HelpPages(u"/help"_s)) {
            dialogue().start(mode);
            show();
        }
    };
    // An encrypted book (Argon2id at its least), and a session of its next start: locked.
    struct Encrypted : BookSession {
        explicit Encrypted(bool recovery = false) {
            book.writeTab(25, {TempBook::record({{Field::Name, "Zebediah Quill"}})});
            const ConversionOutcome outcome =
                encryptBook(book.folder(), u"S3cret!pw"_s, recovery, {}, {1, 8192});
            if (!outcome.ok)
                qFatal("cannot encrypt the test book");
            recoveryKey = outcome.recoveryKey;
        }
        std::unique_ptr<Session> nextStart() {
            return std::make_unique<Session>(BookFolder(book.root()),
                                             Services{prompter, clock, launcher});
        }
        QString recoveryKey;
    };
    // Runs the prompt; `answer` acts in the window when it shows. False when it never showed.
    static bool runPrompt(Session& session, PasswordStore& keyring,
                          const std::function<void(PasswordWindow&)>& answer) {
        bool shown = false;
        QTimer later; // dies with this call, so it never fires into another test
        later.setSingleShot(true);
        QObject::connect(&later, &QTimer::timeout, [&] {
            if (auto* window = qobject_cast<PasswordWindow*>(QApplication::activeModalWidget())) {
                shown = true;
                answer(*window);
            }
        });
        later.start(0);
        PasswordWindowPrompt(session, HelpPages(u"/help"_s), keyring).run(2);
        return shown;
    }
    // Types `text` into the entry and presses Enter.
    static void enter(QWidget& window, const QString& text) {
        QTest::keyClicks(entry(window), text);
        QTest::keyClick(entry(window), Qt::Key_Return);
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
        Shown window(f.session, 1);
        QLineEdit* box = entry(window);

        QInputMethodEvent composed;
        composed.setCommitString(u"z\u0142oty"_s);
        QApplication::sendEvent(box, &composed);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.shown().size(), 1);

        QGuiApplication::clipboard()->setText(u"ab\tcd"_s);
        box->paste();
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 QStringLiteral(
                     "CONTROL Characters are not permitted in Passwords on this version    "));

        QGuiApplication::clipboard()->setText(u"z\u00f3ty"_s);
        box->paste();
        QCOMPARE(box->text(), u"z\u00f3ty"_s);
        QCOMPARE(f.prompter.shown().size(), 2);
        QTest::keyClick(box, Qt::Key_Return);
        typeText(box, u"z\u00f3ty"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.session.settings().masterPassword().trimmed(), QByteArray("z\xf3ty"));
    }

    void typingRulesRefuseAndEmptyTheEntry() {
        Fixture f;
        Shown window(f.session, 2);
        QLineEdit* box = entry(window);
        QCOMPARE(box->maxLength(), 64);
        QCOMPARE(box->echoMode(), QLineEdit::Password);

        QTest::keyClicks(box, u"abc"_s);
        QCOMPARE(box->text(), u"abc"_s);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 u"The [Esc] key is PROHIBITED for Password Entry or Dialogue EXIT    "_s);
        QVERIFY(window.isVisible());

        QTest::keyClicks(box, u"ab"_s);
        typeText(box, u"é"_s);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 u"Options Currently set Prohibit EXTENDED Characters in Passwords    "_s);

        QTest::keyClicks(box, u"xy"_s);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.last().text,
                 QStringLiteral(
                     "CONTROL Characters are not permitted in Passwords on this version    "));

        f.session.settings().setFlag(Settings::AllowExtCharsInPasswords, true);
        const qsizetype boxes = f.prompter.shown().size();
        typeText(box, u"é"_s);
        QCOMPARE(box->text(), u"é"_s);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QString());
        QCOMPARE(f.prompter.shown().size(), boxes);
    }

    void enterAndTheCommandsDriveTheDialogue() {
        Fixture f;
        Shown window(f.session, 1);
        QVERIFY(!command(window, 0)->isEnabled());
        QCOMPARE(command(window, 2)->caption(), u"SET"_s);
        enter(window, u"abc"_s);
        QCOMPARE(instruction(window), u"Confirm Password"_s);
        QCOMPARE(command(window, 2)->caption(), u"Confirm"_s);
        QCOMPARE(entry(window)->text(), QString());

        // A release far below the Ok label does nothing; one on it confirms.
        QTest::keyClicks(entry(window), u"abc"_s);
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
        Shown window(f.session, 2);
        QVERIFY(command(window, 0)->isEnabled());
        QTest::keyClick(entry(window), Qt::Key_F1);
        QCOMPARE(f.launcher.opened().value(0).fileName(), u"orvelanpwe.htm"_s);
        window.reject(); // what Esc on the window would do
        QVERIFY(window.isVisible());
        QTest::mouseClick(command(window, 1), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(f.session.passwordCancelled);
        QVERIFY(!window.isVisible());
    }

    void thePromptRunsTheWindowModally() {
        Fixture f;
        f.session.settings().setRaw(Settings::MasterPassword, "open sesame");
        MemoryKeyring keyring;
        QString seen;
        QVERIFY(runPrompt(f.session, keyring, [&](PasswordWindow& window) {
            seen = instruction(window);
            QTest::keyClicks(entry(window), u"open sesame"_s);
            QTest::keyClick(entry(window), Qt::Key_Enter);
        }));
        QCOMPARE(seen, u"Enter Password"_s);
        QVERIFY(f.session.passwordAccepted);
        QVERIFY(!f.session.passwordCancelled);
    }

    // "Remember on this computer" keeps the book key in the keyring (never the password), so
    // the next start opens the book without the window; unticked, nothing is kept.
    void rememberOnThisComputer_data() {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked") << true;
        QTest::newRow("not ticked") << false;
    }
    void rememberOnThisComputer() {
        QFETCH(bool, ticked);
        Encrypted f;
        MemoryKeyring keyring;
        auto first = f.nextStart();
        QVERIFY(runPrompt(*first, keyring, [&](PasswordWindow& window) {
            auto* remember = window.findChild<QCheckBox*>(u"RememberCk"_s);
            QVERIFY(remember && remember->isVisible());
            remember->setChecked(ticked);
            enter(window, u"S3cret!pw"_s);
        }));
        QVERIFY(first->passwordAccepted);
        QCOMPARE(keyring.entries.size(), ticked ? 1 : 0);
        for (const QString& kept : keyring.entries)
            QVERIFY(!kept.isEmpty() && !kept.contains(u"S3cret"_s));

        auto second = f.nextStart();
        const bool shown = runPrompt(*second, keyring,
                                     [](PasswordWindow& window) { enter(window, u"S3cret!pw"_s); });
        QCOMPARE(shown, !ticked);
        QVERIFY(second->passwordAccepted);
        QCOMPARE(PageRecord::fromStored(second->folder().tabFile(25).readPage(1).record)
                     .text(Field::Name),
                 u"Zebediah Quill"_s);
    }

    // A forgotten password: the recovery key opens the locked book, then a new password is set
    // and the old one no longer opens it.
    void theRecoveryKeyOpensTheBookAndANewPasswordIsSet() {
        Encrypted f(true);
        auto locked = f.nextStart();
        Shown window(*locked, 2);
        auto* recovery = window.findChild<QCheckBox*>(u"RecoveryCk"_s);
        QVERIFY(recovery && recovery->isVisible());
        recovery->setChecked(true);
        QCOMPARE(instruction(window), u"Enter the Recovery Key"_s);
        QString wrong = f.recoveryKey;
        wrong[0] = wrong[0] == u'A' ? u'B' : u'A';
        enter(window, wrong);
        QCOMPARE(locked->folder().sealing().state(), BookSealing::State::Locked);
        QCOMPARE(instruction(window), u"Enter the Recovery Key"_s);

        QTest::keyClicks(entry(window), f.recoveryKey); // 79 characters, as shown
        QTest::keyClick(entry(window), Qt::Key_Return);
        QCOMPARE(instruction(window), u"Enter a New Password"_s);
        QVERIFY(!recovery->isVisible());
        QVERIFY(!locked->passwordAccepted);
        for (int i = 0; i < 2; ++i) {
            enter(window, u"n3w-phrase"_s);
        }
        QVERIFY(locked->passwordAccepted);
        QVERIFY(!unlockBook(BookFolder(f.book.root()), u"S3cret!pw"_s).ok);
        QVERIFY(unlockBook(BookFolder(f.book.root()), u"n3w-phrase"_s).ok);
    }

    // Under a dark desktop palette the box keeps the book's paper (a GTK dark theme made it black).
    void theBoxStaysLightUnderADarkTheme() {
        const QPalette desktop = QApplication::palette();
        QPalette dark(QColor(220, 220, 220), QColor(40, 40, 40));
        dark.setColor(QPalette::Base, QColor(25, 25, 25));
        QApplication::setPalette(dark);
        Fixture f;
        PasswordWindow window(f.session, HelpPages(u"/help"_s));
        const QImage box = entry(window)->grab().toImage();
        QApplication::setPalette(desktop);
        QVERIFY(box.pixelColor(box.width() / 2, box.height() / 2).lightness() > 200);
    }
};

ORVELAN_QT_TEST(PasswordWindowTest)
#include "PasswordWindowTest.moc"
