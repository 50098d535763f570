#include "book/qt/OptionsPanel.h"
#include "store/LocalConfig.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"
#include "telephony/PhoneNumbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

// Notes, at each status text, whether the panel was already closed and the settings written.
struct WatchingBook final : BookWindow {
    void placeAt(int, int) override {}
    int leftTwips() const override { return 0; }
    int topTwips() const override { return 0; }
    void showNormal() override {}
    void unload() override {}
    void showFirstPage() override { ++firstPageShown; }
    bool mayLeavePage() override {
        ++leaveAsked;
        return mayLeave;
    }
    void setStatusText(const QString& text) override {
        statuses.append(text);
        if (statuses.size() == 1)
            panelOpenAtStart = panel && panel->isVisible();
    }
    QStringList statuses;
    const QWidget* panel = nullptr;
    bool panelOpenAtStart = true;
    int firstPageShown = 0;
    bool mayLeave = true; // the user's answer to the save prompt of a changed page
    int leaveAsked = 0;
};

} // namespace

class OptionsPanelTest : public QObject {
    Q_OBJECT

    struct Fixture : BookSession {
        Fixture() { session.loadSettings(); }
        template <class T> T* find(const char* name) { return findControl<T>(panel, name); }
        Settings stored() const { return SettingsFile(book.folder().settingsPath()).read(); }

        WatchingBook mainWindow;
        OptionsPanel panel{session, &mainWindow};
    };

private Q_SLOTS:
    void fillsFromUnknownStoredValuesAndStoresOnOk() {
        Fixture f;
        f.session.settings().setRaw(Settings::DialMethod, "9");
        f.session.settings().setRaw(Settings::SerialPort, "3");
        f.session.settings().setRaw(Settings::EnableMinimise, "1");
        f.session.settings().setRaw(Settings::FinishWithoutPrompting, "?");
        f.panel.fillFromSettings();
        QCOMPARE(f.find<QComboBox>("ComSelectCB")->currentText(), u"Use Serial"_s);
        QCOMPARE(f.find<QComboBox>("PortSelectCb")->currentText(), u"COM 3"_s);
        QVERIFY(f.find<QCheckBox>("DelBoECk")->isChecked());
        QVERIFY(!f.find<QCheckBox>("DelDNaCk")->isChecked());
        QVERIFY(!f.find<QCheckBox>("ClearExistingPWCk")->isEnabled());
        QVERIFY(f.find<QComboBox>("PortSelectCb")->isEnabled());
        QVERIFY(!f.find<QPushButton>("ConfShowTAPIBu")->isVisibleTo(&f.panel));

        QSignalSpy opened(&f.panel, &OptionsPanel::opened);
        QSignalSpy closed(&f.panel, &OptionsPanel::closed);
        f.panel.open();
        QVERIFY(f.panel.isVisible());
        f.find<QCheckBox>("DFFPTCk")->setCheckState(Qt::PartiallyChecked);
        f.find<QCheckBox>("Check6")->setChecked(true);
        f.find<QPushButton>("ConfCloseBu")->click();
        QVERIFY(!f.panel.isVisible());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(f.find<QCheckBox>("DFFPTCk")->checkState(), Qt::Unchecked);

        const Settings stored = f.stored();
        QCOMPARE(stored.raw(Settings::DialMethod), QByteArray("2"));
        QCOMPARE(stored.raw(Settings::SerialPort), QByteArray("3"));
        QCOMPARE(stored.raw(Settings::EnableMinimise), QByteArray("1"));
        QCOMPARE(stored.raw(Settings::FinishWithoutPrompting), QByteArray("0"));
        QCOMPARE(stored.raw(Settings::DialFieldFollowsPageTurn), QByteArray("0"));

        // The home region of telephone numbers: shown from orvelan.conf, written back on Ok
        // beside the other local choices there.
        QVERIFY(setPhoneRegionSetting(f.book.folder().configPath(), u"RU"_s) == 0);
        f.panel.fillFromSettings();
        auto* region = f.find<QComboBox>("PhoneRegionCb");
        QCOMPARE(region->currentData().toString(), u"RU"_s);
        QVERIFY(region->currentText().startsWith(u"RU  Russia"_s));
        f.panel.open();
        region->setCurrentIndex(region->findData(u"GB"_s));
        f.find<QPushButton>("ConfCloseBu")->click();
        QCOMPARE(LocalConfig(f.book.folder().configPath()).value(u"PhoneRegion"), u"GB"_s);

        // "Use Default Encryption" is neither stored nor shown again.
        Fixture again;
        again.panel.fillFromSettings();
        QVERIFY(!again.find<QCheckBox>("Check6")->isChecked());
    }

    void dialingMethodRearrangesThePanelAtOnce() {
        Fixture f;
        auto* area = new QWidget;
        auto* lineSelector = new QComboBox(area);
        lineSelector->setObjectName(u"cboLineSel"_s);
        f.panel.setTapiArea(area);
        f.panel.fillFromSettings();
        f.panel.open();
        auto* method = f.find<QComboBox>("ComSelectCB");
        auto* port = f.find<QComboBox>("PortSelectCb");
        auto* show = f.find<QPushButton>("ConfShowTAPIBu");
        QSignalSpy consoleClosed(&f.panel, &OptionsPanel::tapiConsoleClosed);

        const struct {
            int index;
            QByteArray value;
            bool port, line, show;
        } rows[] = {{0, "1", false, true, true},
                    {2, "3", false, false, false},
                    {1, "2", true, false, false}};
        for (const auto& row : rows) {
            method->setCurrentIndex(row.index);
            Q_EMIT method->textActivated(method->currentText());
            QCOMPARE(f.session.settings().raw(Settings::DialMethod), row.value);
            QCOMPARE(port->isEnabled(), row.port);
            QCOMPARE(lineSelector->isEnabled(), row.line);
            QCOMPARE(show->isVisible(), row.show);
            QCOMPARE(f.find<QPushButton>("cmdConfigDlg")->isVisible(), row.show);
        }
        QCOMPARE(consoleClosed.count(), 2);
        QVERIFY(!QFile::exists(f.book.folder().settingsPath())); // the file waits for the close
    }

    void passwordBoxesClearTheStoredPassword() {
        Fixture f;
        f.session.settings().setRaw(Settings::MasterPassword, "secret");
        f.panel.fillFromSettings();
        auto* usePassword = f.find<QCheckBox>("UPassOSCk");
        auto* clear = f.find<QCheckBox>("ClearExistingPWCk");
        QVERIFY(!clear->isEnabled());
        usePassword->setChecked(true);
        QVERIFY(clear->isEnabled());

        f.prompter.answerNext(PromptAnswer::Cancel);
        clear->setChecked(true);
        QVERIFY(!clear->isChecked());
        QCOMPARE(f.session.settings().masterPassword().trimmed(), QByteArray("secret"));

        clear->setChecked(true); // OK
        QVERIFY(!clear->isChecked());
        QCOMPARE(f.prompter.last().title, u"ORVELAM Secure Address Book"_s);

        clear->setChecked(true); // none stored: stays ticked until the panel closes
        QVERIFY(clear->isChecked());
        QCOMPARE(f.prompter.shown().size(), 4); // Cancel; OK and its notice; none stored
        f.panel.closeAndStore();
        QVERIFY(!clear->isChecked());
        const Settings stored = f.stored();
        QVERIFY(stored.masterPassword().trimmed().isEmpty());
        QVERIFY(stored.flag(Settings::UsePasswordOnStartUp));

        usePassword->setChecked(false);
        QVERIFY(!clear->isEnabled());
    }

    void removeClosesThePanelFirstThenRemovesBlankPages() {
        Fixture f;
        QDir(f.book.root()).mkpath(u"Reserve"_s);
        const QByteArray blank = TempBook::named("");
        f.book.writeTab(3, {blank, TempBook::named("CLARK"), blank});
        f.mainWindow.panel = &f.panel;
        f.panel.fillFromSettings();
        f.panel.open();
        f.find<QCheckBox>("DelDNaCk")->setChecked(true);
        f.find<QPushButton>("DelBlankBu")->click();
        QVERIFY(!f.mainWindow.panelOpenAtStart);
        QVERIFY(f.stored().flag(Settings::FinishWithoutPrompting));
        QCOMPARE(f.mainWindow.statuses.value(0), u"Backing up..."_s);
        QCOMPARE(f.book.pageCount(3), 1);
    }

    // The import shows page 1 of tab A when it is done: edits of the page shown must be saved or
    // dropped by the user's choice before the import window opens, never lost unasked.
    void importAsksAboutAChangedPageFirst() {
        Fixture f;
        QSignalSpy import(&f.panel, &OptionsPanel::importRequested);
        f.mainWindow.mayLeave = false; // Cancel in the save prompt
        f.find<QPushButton>("ImportBu")->click();
        QCOMPARE(f.mainWindow.leaveAsked, 1);
        QCOMPARE(import.count(), 0);
        f.mainWindow.mayLeave = true;
        f.find<QPushButton>("ImportBu")->click();
        QCOMPARE(f.mainWindow.leaveAsked, 2);
        QCOMPARE(import.count(), 1);
        QSignalSpy exportSpy(&f.panel, &OptionsPanel::exportRequested);
        f.find<QPushButton>("ExportBu")->click();
        QCOMPARE(exportSpy.count(), 1);
    }
};

ORVELAN_QT_TEST(OptionsPanelTest)
#include "OptionsPanelTest.moc"
