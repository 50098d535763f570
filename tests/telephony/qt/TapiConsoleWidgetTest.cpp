#include "telephony/qt/TapiConsoleWidget.h"
#include "TelephonyFakes.h"
#include "support/QtTestMain.h"
#include "ui/LabelButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace orvelan {

// The telephony area of the options panel, driven by its controls.
class TapiConsoleWidgetTest : public QObject, test::DialRig {
    Q_OBJECT

private:
    std::unique_ptr<TapiConsoleWidget> m_console;

    template <typename T> T* control(const char* name) {
        return test::findControl<T>(*m_console, name);
    }
    QStringList listed() {
        QStringList lines;
        auto* list = control<QListWidget>("lstLineInfo");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    void start(bool tapiEnabled) {
        makeController(tapiEnabled);
        m_console = std::make_unique<TapiConsoleWidget>();
        m_console->attach(controller.get(), &settings);
        m_console->show();
        controller->InitTapi(*m_console);
    }

private Q_SLOTS:
    void init() {
        m_console.reset();
        controller.reset();
        tapi = test::ScriptedTapi();
        tapi.lines = {test::scriptedLine("Modem A"), test::scriptedLine("Modem B")};
        prompter.clear();
        settings = Settings();
    }

    void foldsAndUnfolds() {
        start(true);
        auto* show = control<QPushButton>("ConfShowTAPIBu");
        auto* list = control<QListWidget>("lstLineInfo");
        auto* selector = control<QComboBox>("cboLineSel");
        QCOMPARE(show->text(), QStringLiteral("Show"));
        QCOMPARE(list->pos(), QPoint(7000 / 15, 3));
        QCOMPARE(selector->pos(), QPoint(21, 50));
        QVERIFY(!control<QPushButton>("cmdConfigDlg")->isVisible());
        QVERIFY(!control<QPushButton>("cmdDialProps")->isVisible());
        QVERIFY(control<QLabel>("Label23")->isVisible());
        QVERIFY(!control<QLabel>("Label4")->isVisible());

        QTest::mouseClick(show, Qt::LeftButton);
        QCOMPARE(show->text(), QStringLiteral("Hide"));
        QCOMPARE(list->pos(), QPoint(3, 3));
        QCOMPARE(selector->pos(), QPoint(220, 178));
        QVERIFY(control<QPushButton>("cmdConfigDlg")->isVisible());
        QVERIFY(control<QPushButton>("cmdDialProps")->isEnabled());
        QVERIFY(control<QLabel>("Label4")->isVisible());
        QVERIFY(!control<QLabel>("Label23")->isVisible());
        QVERIFY(control<QFrame>("Line3")->isVisible());

        QTest::mouseClick(show, Qt::LeftButton);
        QCOMPARE(show->text(), QStringLiteral("Show"));
        QVERIFY(!control<QFrame>("Line1")->isVisible());

        m_console->setConsoleAvailable(false);
        QVERIFY(!show->isVisible());
        QVERIFY(!selector->isEnabled());
        QVERIFY(!control<QLabel>("Label23")->isVisible());
        m_console->setConsoleAvailable(true);
        QVERIFY(show->isVisible());
        QVERIFY(selector->isEnabled());
    }

    void startListsTheChosenLine() {
        settings.setRaw(Settings::TapiLineChoice, "1");
        start(true);
        auto* selector = control<QComboBox>("cboLineSel");
        QCOMPARE(selector->count(), 2);
        QCOMPARE(selector->currentText(), QStringLiteral("1"));
        QStringList lines = listed();
        QCOMPARE(lines.value(0), QStringLiteral("TAPI LINE: #1"));
        QCOMPARE(lines.value(1), QStringLiteral("TAPI LINE NAME: Modem B"));
        // The start-up messages are replaced by the listing.
        QVERIFY(!lines.contains(QStringLiteral("Negotiating TAPI version...")));

        selector->setCurrentIndex(0);
        QCOMPARE(listed().value(1), QStringLiteral("TAPI LINE NAME: Modem A"));
        QCOMPARE(settings.tapiLineChoice(), QByteArray("0"));
        QCOMPARE(controller->tapiline()->CurrentLineID(), 0);
    }

    void dialogButtonsReportRefusals() {
        tapi.dialogResult = Tapi::LineErrOperationUnavail;
        start(true);
        QTest::mouseClick(control<QPushButton>("ConfShowTAPIBu"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("cmdConfigDlg"), Qt::LeftButton);
        QCOMPARE(prompter.last(),
                 (PromptRequest{QStringLiteral("ORVELAN TAPI Error"),
                                QStringLiteral(" TAPI Line Error: Operation Unavailable"),
                                PromptIcon::Critical, PromptButtons::Ok}));
        QTest::mouseClick(control<QPushButton>("cmdDialProps"), Qt::LeftButton);
        QCOMPARE(prompter.shown().size(), 2);
    }

    void disabledServiceShowsOnlyThatText() {
        start(false);
        QVERIFY(tapi.calls.isEmpty());
        QTest::mouseClick(control<QPushButton>("ConfShowTAPIBu"), Qt::LeftButton);
        QCOMPARE(listed(), QStringList(QStringLiteral("The TAPI is currentlty disabled ...")));
        QVERIFY(!control<QPushButton>("cmdConfigDlg")->isEnabled());
        QVERIFY(!control<QPushButton>("cmdDialProps")->isEnabled());
        m_console->addLineEntry(QStringLiteral("0"));
        m_console->selectLineEntry(0);
        QCOMPARE(listed(), QStringList(QStringLiteral("The TAPI is currentlty disabled ...")));
    }
};

} // namespace orvelan

ORVELAN_QT_TEST(orvelan::TapiConsoleWidgetTest)
#include "TapiConsoleWidgetTest.moc"
