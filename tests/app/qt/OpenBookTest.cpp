#include "app/qt/AssembledBook.h"
#include "support/QtTestMain.h"

#include "book/qt/OptionsPanel.h"
#include "ui/LabelButton.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class OpenBookTest : public QObject {
    Q_OBJECT

    using Run = AssembledBook;

private Q_SLOTS:
    void dialsThroughTheControllerAndKeepsControlNamesUnique() {
        TempBook book;
        book.writeTab(1, {TempBook::record({{Field::Name, "Ada"}, {Field::Phone1, "0123 456"}})});
        Run run(book);
        run.session.settings().setDialMethod(3);
        run.program->run().openBook();
        run.click("P1Lab");
        auto* dial = run.find<LabelButton>("DialLa");
        QCOMPARE(dial->colour(), LabelColour::Blue);
        QVERIFY(run.find("DialMark1")->isVisible());
        run.click("DialLa");
        QCOMPARE(run.prompter.last().title, u"ORVELAN Dial"_s);
        QCOMPARE(run.prompter.last().text,
                 u"Can't Dial: The Communication Setting has has been turned OFF     "_s);

        // The options panel holds the telephony area; each control name appears once.
        run.click("PassLa");
        auto* panel = run.find<OptionsPanel>("ConfigPBC");
        QVERIFY(panel->isVisible());
        for (const char* name : {"ConfShowTAPIBu", "cmdDialProps", "cmdConfigDlg", "cboLineSel",
                                 "lstLineInfo", "PortSelectCb", "ComSelectCB"})
            run.find(name);
        run.click(*panel, "ConfCloseBu");
        QVERIFY(!panel->isVisible());
        QCOMPARE(run.find<LabelButton>("PassLa")->colour(), LabelColour::Grey);
    }

    // Removing blank pages renumbers pages: a changed page is offered for saving first, and
    // Cancel keeps both the edits and the blank pages.
    void blankPageRemovalAsksToSaveAChangedPageFirst() {
        TempBook book;
        book.writeTab(1, {blankRecord(), TempBook::named("Ada")});
        Run run(book);
        run.program->run().openBook();
        run.mainWindow.showPage(1, 2);
        auto* phone = run.find<QLineEdit>("SPho1TB");
        phone->setFocus();
        QTest::keyClicks(phone, u"0123"_s);
        run.click("PassLa");
        auto* panel = run.find<OptionsPanel>("ConfigPBC");

        run.prompter.answerNext(PromptAnswer::Cancel);
        run.click(*panel, "DelBlankBu");
        QCOMPARE(run.prompter.last().text,
                 u" This page has changed,  Do you wish to save it?      "_s);
        QCOMPARE(book.pageCount(1), 2);
        QVERIFY(panel->isVisible());
        QCOMPARE(phone->text(), u"0123"_s);

        run.prompter.answerNext(PromptAnswer::Yes);
        run.click(*panel, "DelBlankBu");
        QCOMPARE(book.pageCount(1), 1);
        QCOMPARE(book.page(1, 1)[Field::Phone1], QByteArray("0123"));
        QVERIFY(!panel->isVisible());
    }

    void helpMarkMakerLabelsAndMinimise() {
        TempBook book;
        Run run(book);
        run.program->run().openBook();
        QCOMPARE(run.find<LabelButton>("AverLa")->caption(), u"Build: 1. 00. 0"_s);
        run.click("IFCHelpCoverLa");
        QVERIFY(run.launcher.opened().last().toString().endsWith(u"/index.htm"_s));
        run.click("OShomeLa");
        QCOMPARE(run.launcher.opened().size(), 2);

        run.click("AminoImage");
        QCOMPARE(run.prompter.last().title, u"Secure Address Book"_s);
        QVERIFY(!run.mainWindow.isMinimized());
        run.session.settings().setFlag(Settings::EnableMinimise, true);
        const qsizetype boxes = run.prompter.shown().size();
        run.click("AminoImage");
        QCOMPARE(run.prompter.shown().size(), boxes);
    }
};

ORVELAN_QT_TEST(OpenBookTest)
#include "OpenBookTest.moc"
