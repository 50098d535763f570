// The options panel's tick box "Encrypt the book with the master password": turning it on and
// off, its warning and recovery key, and a password set first when the book has none.
#include "book/qt/OptionsPanel.h"
#include "store/Settings.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QInputDialog>
#include <QTest>
#include <QTimer>

using namespace orvelan;
using namespace orvelan::test;

Q_DECLARE_METATYPE(QList<PromptAnswer>)

namespace {

struct NoBookWindow final : BookWindow {
    void placeAt(int, int) override {}
    int leftTwips() const override { return 0; }
    int topTwips() const override { return 0; }
    void showNormal() override {}
    void unload() override {}
    void showFirstPage() override {}
    bool mayLeavePage() override { return true; }
    void setStatusText(const QString&) override {}
};

// Answers the password boxes (QInputDialog) in turn while it lives; none left means Cancel.
class PasswordBoxes {
public:
    explicit PasswordBoxes(QStringList typed) : m_typed(std::move(typed)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (m_typed.isEmpty()) {
                box->reject();
                return;
            }
            box->setTextValue(m_typed.takeFirst());
            box->accept();
        });
        m_timer.start(5);
    }

private:
    QStringList m_typed;
    QTimer m_timer;
};

} // namespace

class EncryptBookOptionTest : public QObject {
    Q_OBJECT

    struct Fixture : BookSession {
        explicit Fixture(const QByteArray& password) {
            book.writeTab(25, {TempBook::record({{Field::Name, "Zebediah Quill"}})});
            Settings settings;
            settings.setRaw(Settings::MasterPassword, password);
            SettingsFile(book.folder().settingsPath()).write(settings);
            session.loadSettings();
            panel.fillFromSettings();
        }
        QCheckBox* box(const char* name) { return findControl<QCheckBox>(panel, name); }
        bool encrypted() const { return QFile::exists(book.folder().bookKeyPath()); }

        NoBookWindow window;
        OptionsPanel panel{session, &window};
    };

private Q_SLOTS:
    void turningItOn_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QList<PromptAnswer>>("answers");
        QTest::addColumn<bool>("encrypted");
        QTest::addColumn<QString>("told");
        const QList<PromptAnswer> noRecovery{PromptAnswer::Ok, PromptAnswer::No, PromptAnswer::Ok};
        QTest::newRow("the warning cancelled")
            << QByteArray("S3cret!pw") << QStringList() << QList<PromptAnswer>{PromptAnswer::Cancel}
            << false << QStringLiteral("A forgotten master password cannot be recovered");
        QTest::newRow("with the stored password")
            << QByteArray("S3cret!pw") << QStringList() << noRecovery << true
            << QStringLiteral("The book is encrypted");
        QTest::newRow("with a recovery key")
            << QByteArray("S3cret!pw") << QStringList()
            << QList<PromptAnswer>{PromptAnswer::Ok, PromptAnswer::Yes, PromptAnswer::Ok} << true
            << QStringLiteral("Recovery key (shown only now)");
        QTest::newRow("no password: one is set first")
            << QByteArray() << QStringList{QStringLiteral("abcd"), QStringLiteral("abcd")}
            << noRecovery << true << QStringLiteral("The book is encrypted");
        QTest::newRow("no password: the confirmation differs")
            << QByteArray() << QStringList{QStringLiteral("abcd"), QStringLiteral("abce")}
            << QList<PromptAnswer>() << false
            << QStringLiteral("Your Password Confirmation doesn't Match");
        QTest::newRow("no password: the box cancelled")
            << QByteArray() << QStringList() << QList<PromptAnswer>() << false << QString();
    }
    void turningItOn() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, typed);
        QFETCH(QList<PromptAnswer>, answers);
        QFETCH(bool, encrypted);
        QFETCH(QString, told);
        Fixture f(stored);
        for (PromptAnswer answer : answers)
            f.prompter.answerNext(answer);
        QCheckBox* tick = f.box("EncryptBookCk");
        QVERIFY(!tick->isChecked());
        {
            PasswordBoxes boxes(typed);
            tick->click();
        }
        QCOMPARE(tick->isChecked(), encrypted);
        QCOMPARE(f.encrypted(), encrypted);
        if (!told.isEmpty())
            QVERIFY2(f.prompter.last().text.contains(told), qPrintable(f.prompter.last().text));
        if (encrypted) {
            QVERIFY(f.box("UPassOSCk")->isChecked());
            // The password lives in book.key only, and opens it.
            QCOMPARE(SettingsFile(f.book.folder().settingsPath()).read().masterPassword(),
                     QByteArray(64, ' '));
        }
    }

    // Turning it off asks for the password again: a wrong one leaves the book encrypted.
    void turningItOff() {
        Fixture f("S3cret!pw");
        for (PromptAnswer answer : {PromptAnswer::Ok, PromptAnswer::No, PromptAnswer::Ok})
            f.prompter.answerNext(answer);
        QCheckBox* tick = f.box("EncryptBookCk");
        tick->click();
        QVERIFY(f.encrypted());
        {
            PasswordBoxes boxes({QStringLiteral("wrong")});
            tick->click();
        }
        QVERIFY(tick->isChecked());
        QVERIFY(f.encrypted());
        QCOMPARE(f.prompter.last().text, QStringLiteral("Incorrect Password"));
        {
            PasswordBoxes boxes({QStringLiteral("S3cret!pw")});
            tick->click();
        }
        QVERIFY(!tick->isChecked());
        QVERIFY(!f.encrypted());
        QCOMPARE(SettingsFile(f.book.folder().settingsPath()).read().masterPassword().trimmed(),
                 QByteArray("S3cret!pw"));
        QCOMPARE(f.book.page(25, 1).text(Field::Name), QStringLiteral("Zebediah Quill"));
    }
};

ORVELAN_QT_TEST(EncryptBookOptionTest)
#include "EncryptBookOptionTest.moc"
