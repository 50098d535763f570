#include "app/qt/AssembledBook.h"
#include "support/QtTestMain.h"

#include "book/qt/OptionsPanel.h"
#include "telephony/CvbTAPILine.h"
#include "ui/LabelButton.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

// One status text and what happened to it while it was meant to stand.
struct StatusSpell {
    QString text;
    double seconds = 0;
    QString after; // the status label once the wait was over
};

} // namespace

// Dialing through the desktop's telephone handler and the options panel's telephony area, in
// the assembled program. Every wait lets the queued call events in, as the real clock does.
class DialAndOptionsFlowsTest : public QObject {
    Q_OBJECT

    struct DialingBook {
        explicit DialingBook(const QByteArray& phone) {
            book.writeTab(1, {TempBook::record({{Field::Name, "Ada"}, {Field::Phone1, phone}})});
            storeSettings(book, [](Settings& s) { s.setDialMethod(1); });
            run = std::make_unique<AssembledBook>(book, u"orvelan"_s);
            QLabel* status = run->find<QLabel>("StatusLa");
            run->clock.onPause = [this, status](double seconds) {
                StatusSpell spell{status->text(), seconds, {}};
                QCoreApplication::processEvents();
                spell.after = status->text();
                spells.append(spell);
            };
            run->program->run().openBook();
            run->click("P1Lab");
        }
        void dial() {
            run->click("DialLa");
            // Let every posted call event and its reaction run.
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
        }
        QStringList statuses() const {
            QStringList texts;
            for (const StatusSpell& spell : spells) {
                if (!spell.text.isEmpty())
                    texts.append(spell.text);
            }
            return texts;
        }

        TempBook book;
        std::unique_ptr<AssembledBook> run;
        QList<StatusSpell> spells;
    };

private Q_SLOTS:
    // With no program for telephone numbers the user is told why and the hang-up button stays
    // away. Once a handler takes the field's first number it owns the call, so the line is free
    // again and the next Dial works.
    void aHandedOffCallLeavesTheLineFree() {
        DialingBook dialing("0123 456 ext 12");
        AssembledBook& run = *dialing.run;
        run.launcher.handled = false;
        dialing.dial();
        QCOMPARE(run.prompter.shown().size(), 1);
        QCOMPARE(run.prompter.last().title, u"ORVELAN Dial"_s);
        QVERIFY(run.prompter.last().text.contains(u"no handler for telephone"_s));
        QVERIFY(!run.find("cmdHangUp")->isVisible());

        run.launcher.handled = true;
        run.prompter.clear();
        dialing.dial();
        QCOMPARE(run.launcher.opened().last().toString(), u"tel:0123456"_s);
        QVERIFY(dialing.statuses().contains(u"Dialing...0123 456 ext 12"_s));
        QVERIFY(!dialing.statuses().contains(u"Connected"_s));
        QVERIFY(!run.find("cmdHangUp")->isVisible());
        QCOMPARE(run.find<LabelButton>("DialLa")->colour(), LabelColour::Blue);
        dialing.dial();
        QCOMPARE(run.launcher.opened().size(), 3);
        QVERIFY(run.prompter.shown().isEmpty());
    }

    // Each status text stands for its whole time before the next call event replaces it, and
    // the status label is wide enough for the longest of them.
    void statusTextsStayReadable() {
        DialingBook dialing("0123 456 789 012 345 678");
        AssembledBook& run = *dialing.run;
        dialing.dial();
        QVERIFY(!dialing.spells.isEmpty());
        for (const StatusSpell& spell : std::as_const(dialing.spells)) {
            if (!spell.text.isEmpty())
                QCOMPARE(spell.after, spell.text);
        }

        QLabel* status = run.find<QLabel>("StatusLa");
        const QFontMetrics metrics(status->font());
        QStringList texts = dialing.statuses();
        texts << u"Removing Blank Pages..."_s << u"Removing Temporary Files"_s
              << u"Opening Port On: COM 4"_s << u"Requesting Hang Up..."_s
              << u"Dialing:  "_s + QString(24, u'8') << u"Dialing..."_s + QString(24, u'8')
              << u"**  Last Page  **"_s;
        for (std::uint32_t code = 0x80000001; code <= 0x80000050; ++code)
            texts << CvbTAPILine::ErrorString(std::int32_t(code));
        for (const QString& text : std::as_const(texts)) {
            if (metrics.horizontalAdvance(text) > status->contentsRect().width())
                QFAIL(qPrintable(u"status label cuts \"%1\""_s.arg(text)));
        }
    }

    // The TAPI area shows its dialog buttons only while unfolded, and its line box keeps its
    // "TAPI Line#" label.
    // With the options panel over the page, Tab goes round the panel and the window's labels;
    // nothing on the hidden page takes the keyboard, so typing cannot change it.
    void nothingUnderTheOptionsPanelTakesTheKeyboard() {
        TempBook book;
        book.writeTab(1, {TempBook::named("Adams")});
        AssembledBook run(book, u"orvelan"_s);
        run.program->run().openBook();
        run.mainWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&run.mainWindow));
        run.key(Qt::Key_O, Qt::ControlModifier);
        QWidget* panel = run.find("ConfigPBC");
        QVERIFY(panel->isVisible());
        const QWidget* pages[] = {run.find("Picture2"), run.find("Picture3")};
        for (int i = 0; i < 150; ++i) {
            for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
                if (key == Qt::Key_Backtab && i % 7 != 0)
                    continue;
                run.key(key);
                QWidget* focused = QApplication::focusWidget();
                for (const QWidget* page : pages)
                    QVERIFY2(!focused || (focused != page && !page->isAncestorOf(focused)),
                             qPrintable(focused->objectName()));
            }
        }
        run.key(Qt::Key_Q, Qt::ShiftModifier);
        run.key(Qt::Key_Q, Qt::ShiftModifier);
        QCOMPARE(run.find<QLineEdit>("SNameTB")->text(), u"Adams"_s);
        QTest::keyClick(&run.mainWindow, Qt::Key_Escape);
        QVERIFY(!panel->isVisible());
        run.key(Qt::Key_PageDown);
        QCOMPARE(run.prompter.shown().size(), 0);
        QVERIFY(run.find("SNameTB")->isEnabled());
    }

    void theFoldedTelephonyAreaHidesItsDialogButtons() {
        TempBook book;
        storeSettings(book, [](Settings& s) { s.setDialMethod(1); });
        AssembledBook run(book, u"orvelan"_s);
        run.program->run().openBook();
        run.click("PassLa");
        auto* panel = run.find<OptionsPanel>("ConfigPBC");
        auto* show = run.find<QPushButton>(*panel, "ConfShowTAPIBu");
        auto* lineLabel = run.find<QLabel>(*panel, "TapiLineLa");
        QCOMPARE(lineLabel->text(), u"TAPI Line#"_s);
        // The line's controls sit whole inside the Dial box, folded and unfolded.
        QGroupBox* dialBox = nullptr;
        for (QGroupBox* box : panel->findChildren<QGroupBox*>())
            dialBox = box->title() == u"Dial"_s ? box : dialBox;
        QVERIFY(dialBox);
        const auto insideTheDialBox = [&](const QStringList& names) {
            for (const QString& name : names) {
                QWidget* control = panel->findChild<QWidget*>(name);
                QVERIFY2(control && control->isVisible(), qPrintable(name));
                QVERIFY2(dialBox->isAncestorOf(control), qPrintable(name));
                QVERIFY2(control->visibleRegion().boundingRect() == control->rect(),
                         qPrintable(name + u" is cut by the box or the panel"_s));
            }
        };
        insideTheDialBox({u"TapiLineLa"_s, u"cboLineSel"_s, u"ConfShowTAPIBu"_s});

        show->click();
        insideTheDialBox(
            {u"cmdConfigDlg"_s, u"cmdDialProps"_s, u"lstLineInfo"_s, u"ConfShowTAPIBu"_s});

        auto* method = run.find<QComboBox>(*panel, "ComSelectCB");
        Q_EMIT method->textActivated(u"Use Serial"_s);
        Q_EMIT method->textActivated(u"Use TAPI"_s);
        QCOMPARE(show->text(), u"Show"_s);
        QVERIFY(!run.find(*panel, "cmdConfigDlg")->isVisible());
        QVERIFY(!run.find(*panel, "cmdDialProps")->isVisible());
        QVERIFY(lineLabel->isVisible());
    }
};

ORVELAN_QT_TEST(DialAndOptionsFlowsTest)
#include "DialAndOptionsFlowsTest.moc"
