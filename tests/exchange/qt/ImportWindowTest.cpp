#include "exchange/qt/WindowFixture.h"
#include "support/QtTestMain.h"

#include "exchange/eab/EabContainer.h"
#include "exchange/qt/ImportWindow.h"
#include "store/TabTable.h"
#include "support/FaultInjection.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>

using namespace orvelan;
using namespace orvelan::test;

class ImportWindowTest : public QObject {
    Q_OBJECT

private:
    const QByteArray m_csv = "Name,Company,Home Phone,Work Phone,Notes\r\n"
                             "bob,Acme,1,2,first\r\n"
                             "Bill,,3,4,\r\n"
                             "\xCC\x81"
                             "bad,x,,,\r\n"
                             "7even,,,,\r\n"
                             "Anna,Widgets,,,likes tea\r\n";

    // Opens the comma-separated test file with Auto mapping and reads it.
    void readCsv(WindowFixture& f, ImportWindow& w) {
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(QStringLiteral("people.CSV"), m_csv));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
    }

private Q_SLOTS:
    void opensReadyWithTheDefaultChoices() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        QCOMPARE(w.objectName(), QStringLiteral("frmImport"));
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("IMPORT  Ready"));
        QCOMPARE(label(&w, "IMPEBFBu")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "IMPCSVBy")->colour(), LabelColour::Grey);
        QCOMPARE(label(&w, "IMPAllFLa")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "IMPSelectedLA")->colour(), LabelColour::Grey);
        QVERIFY(!w.mapPanelInView());
        click(&w, "IMPCSVBy");
        QCOMPARE(label(&w, "IMPCSVBy")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "IMPEBFBu")->colour(), LabelColour::Grey);
        // Cancelling the dialog does nothing further.
        click(&w, "IMPOpenF");
        QCOMPARE(
            f.dialogs.shown().last(),
            (ScriptedFileDialogs::Request{false, QStringLiteral("Open ORVELAN MPORT File"),
                                          QStringLiteral("Open Generic IMPORT File (*.csv)|*.csv"),
                                          QStringLiteral(".csv")}));
        QVERIFY(!w.mapPanelInView());
        click(&w, "IMPEBFBu");
        click(&w, "IMPOpenF");
        QCOMPARE(
            f.dialogs.shown().last(),
            (ScriptedFileDialogs::Request{
                false, QStringLiteral("Open ORVELAN Encrypted Adress Book File"),
                QStringLiteral("Open ORVELAN IMPORT File (*.eab)|*.eab"), QStringLiteral(".eab")}));
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(f.host.helpPages, QStringList{QStringLiteral("useage_imp.htm")});
    }

    void mapsColumnsByHand() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(QStringLiteral("a.csv"), "Full Name,,Tel\r\nAnn,x,1\r\n"));
        click(&w, "IMPOpenF");
        QVERIFY(w.mapPanelInView());
        QCOMPARE(items(&w, "SrcList"),
                 (QStringList{QStringLiteral("Full Name"), QString(), QStringLiteral("Tel")}));
        QCOMPARE(items(&w, "OrvelList").size(), 26);
        QCOMPARE(f.clock.pausedSeconds(), 1.4);

        click(&w, "impMapAdd");
        QCOMPARE(f.prompter.last(),
                 (PromptRequest{QStringLiteral("ORVLEAN Import"),
                                QStringLiteral("Can't map field item:  No FILE-LIST field has "
                                               "been selected    "),
                                PromptIcon::Exclamation, PromptButtons::Ok}));
        selectRow(&w, "SrcList", 1);
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("No FIELD IDENTITY")));
        selectRow(&w, "SrcList", 0);
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("No ORVELAN field")));
        selectRow(&w, "OrvelList", 0);
        click(&w, "impMapAdd");
        QCOMPARE(items(&w, "OrvelList")[0], QStringLiteral("Name                  =  Full Name"));
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("already been assigned")));
        click(&w, "impMapRemove");
        QCOMPARE(items(&w, "OrvelList")[0], QStringLiteral("Name                  =  "));

        // A second file replaces the columns of the first.
        f.dialogs.answerNext(f.writeFile(QStringLiteral("b.csv"), "Name\r\n"));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "SrcList"), QStringList{QStringLiteral("Name")});
        click(&w, "impMapCancel");
        QVERIFY(!w.mapPanelInView());
    }

    void refusesAFileNotNamedCsv() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(QStringLiteral("people.txt"), m_csv));
        click(&w, "IMPOpenF");
        QCOMPARE(f.prompter.last().text, QStringLiteral("Can't Read Import File - Check that a "
                                                        "Valid File has been Opened    "));
        QCOMPARE(f.prompter.last().title, QStringLiteral("ORVELAN Import"));
        QVERIFY(!w.mapPanelInView());
        QVERIFY(items(&w, "SrcList").isEmpty());
        // A missing file.
        f.dialogs.answerNext(f.book.root() + QStringLiteral("/gone.csv"));
        click(&w, "IMPOpenF");
        QCOMPARE(f.prompter.last().title, QStringLiteral("ORVELAN Import OS-1253"));
    }

    void readsListsFiltersAndImports() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        readCsv(f, w);
        QVERIFY(!w.mapPanelInView());
        QVERIFY(w.recordListLoaded());
        const QStringList lines = items(&w, "IMPList1");
        QCOMPARE(lines.size(), 4); // the combining mark refused, 7even under the first tab
        QVERIFY(lines[0].startsWith(QStringLiteral(" 7even ")));
        QCOMPARE(lines[0].right(11), QStringLiteral(" *0 /     2"));
        QVERIFY(lines[1].startsWith(QStringLiteral(" Anna ")));
        QCOMPARE(lines[2].right(11), QStringLiteral(" B  /     2"));
        QCOMPARE(lines[3].right(11), QStringLiteral(" B  /     3"));
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("4 Pages to Import"));
        QCOMPARE(f.session.searchResults().lines, lines);
        QVERIFY(f.session.searchResults().present);

        control<QLineEdit>(&w, "IMPFindTb")->setText(QStringLiteral(" TEA "));
        click(&w, "IMPFind");
        QCOMPARE(items(&w, "IMPList1").size(), 1);
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("1  Page Listed"));
        control<QLineEdit>(&w, "IMPFindTb")->setText(QStringLiteral("zzz"));
        click(&w, "IMPFind");
        QCOMPARE(info(&w, "IMPInfo"), QString());
        QVERIFY(items(&w, "IMPList1").isEmpty());
        click(&w, "IMPImportLA");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("no Import-File currently OPEN")));
        control<QLineEdit>(&w, "IMPFindTb")->clear();
        click(&w, "IMPFind");
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("Listed:  4  Pages"));

        click(&w, "IMPSelectedLA");
        click(&w, "IMPImportLA");
        QCOMPARE(f.prompter.last().text,
                 QStringLiteral("Can't Import:  There are no Listed-Files currently SELECTED    "));
        QVERIFY(!f.session.showFirstPageOnActivate);
        auto* list = control<QListWidget>(&w, "IMPList1");
        list->item(3)->setSelected(true);
        list->item(1)->setSelected(true);
        click(&w, "IMPImportLA");
        QVERIFY(f.session.showFirstPageOnActivate);
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("IMPORT  Ready"));
        QCOMPARE(f.book.page(1, 1)[Field::Name], QByteArray("Anna"));
        QCOMPARE(f.book.page(2, 1)[Field::Name], QByteArray("Bill"));
        QCOMPARE(f.book.pageCount(2), 1);
        // Imported records leave the list: "All Files" now imports 7even and bob.
        QCOMPARE(items(&w, "IMPList1").size(), 2);
        click(&w, "IMPAllFLa");
        click(&w, "IMPImportLA");
        QCOMPARE(f.book.page(0, 1)[Field::Name], QByteArray("7even"));
        QCOMPARE(f.book.pageCount(2), 2);
        QCOMPARE(f.book.page(2, 2)[Field::Name], QByteArray("bob"));
        // Everything is in the book: the list is clear and a further IMPORT files nothing.
        QVERIFY(items(&w, "IMPList1").isEmpty());
        QVERIFY(!w.recordListLoaded());
        click(&w, "IMPImportLA");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("no Import-File currently OPEN")));
        QCOMPARE(f.book.pageCount(2), 2);
    }

    void aFailedImportIsReportedWithItsExactCountNotAsDone() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        readCsv(f, w);
        const qsizetype shownBefore = f.prompter.shown().size();
        {
            // Tab B holds one blank page; the disk takes no further page.
            const FileSizeLimit full(RecordSize + 100);
            click(&w, "IMPImportLA");
        }
        QCOMPARE(f.prompter.shown().size(), shownBefore + 1);
        // The summary tells exactly what is in the book, and why the rest is not.
        const QString told = f.prompter.last().text;
        QVERIFY2(told.contains(QStringLiteral("Imported 3 page(s). By tab: *0 1, A 1, B 1")),
                 qPrintable(told));
        QVERIFY(told.contains(QStringLiteral("Could not be written: 1")));
        QVERIFY(told.contains(QStringLiteral("Could not write the file. The disk is full.")));
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("IMPORT  Ready"));
        QCOMPARE(f.book.tabBytes(2).size(), qsizetype(RecordSize)); // no part record
    }

    void clearAndClose() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPClear");
        QCOMPARE(f.prompter.last().text, QStringLiteral("Record-List Already Clear!  There is no "
                                                        "Import-File currently OPEN     "));
        click(&w, "IMPFind");
        QVERIFY(f.prompter.last().text.startsWith(QStringLiteral("No Record List Found:")));
        readCsv(f, w);
        f.prompter.answerNext(PromptAnswer::Cancel);
        click(&w, "IMPClear");
        QCOMPARE(f.prompter.last().title, QStringLiteral("SORVELAN Import"));
        QCOMPARE(f.prompter.last().buttons, PromptButtons::OkCancel);
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        click(&w, "IMPClear");
        QVERIFY(items(&w, "IMPList1").isEmpty());
        QVERIFY(!QFile::exists(f.book.folder().tabTempFilePath(2)));

        QSignalSpy closed(&w, &ImportWindow::closed);
        f.book.writeTab(1, {TempBook::named("A1"), TempBook::named("A2")});
        click(&w, "IMPCancelLa");
        QCOMPARE(closed.count(), 1);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.session.store().pageCount(), 2);
    }

    void importsExchangeFiles() {
        WindowFixture f;
        EabSegmentList segments;
        segments[1] = TempBook::named("Bea");
        segments[4] = TempBook::named("Ed") + TempBook::named("Ella") + TempBook::named("Eric");
        const QByteArray file = buildEab(segments);
        QCOMPARE(file.size(), 45880);
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        f.dialogs.answerNext(f.writeFile(QStringLiteral("x.eab"), file));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("4 Pages to Import"));
        click(&w, "IMPImportLA");
        QCOMPARE(f.book.page(5, 1)[Field::Name], QByteArray("Ed"));
        QCOMPARE(f.book.pageCount(5), 3);

        QVERIFY(items(&w, "IMPList1").isEmpty()); // imported: nothing is offered twice

        // A foreign file is refused and leaves the staged records and the book alone.
        f.dialogs.answerNext(f.writeFile(QStringLiteral("again.eab"), file));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        const QByteArray before = f.book.tabBytes(5);
        f.dialogs.answerNext(f.writeFile(QStringLiteral("foreign.eab"), QByteArray(4000, 'Q')));
        click(&w, "IMPOpenF");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("not an ORVELAN")));
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        QCOMPARE(f.book.tabBytes(5), before);

        // A cut file keeps its whole records and says so.
        f.dialogs.answerNext(f.writeFile(QStringLiteral("cut.eab"), file.left(250 + 1690 + 1700)));
        click(&w, "IMPOpenF");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("damaged")));
        QCOMPARE(items(&w, "IMPList1").size(), 1); // Bea; the Es lay beyond the cut
        QCOMPARE(f.book.tabBytes(5), before);
    }

    // Reading shows its notices where they can be seen: the mapping panel lies below the
    // status label and inside the window, and its lists show every line whole.
    void noticesAndMappingLinesStayInSight() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(QStringLiteral(ORVELAN_EXCHANGE_DATA "/office-suite.csv"));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        const auto* panel = control<QWidget>(&w, "picMAP");
        const auto* notice = control<QLabel>(&w, "IMPInfo");
        QVERIFY(w.mapPanelInView());
        QVERIFY(!panel->geometry().intersects(notice->geometry()));
        QVERIFY(w.rect().contains(panel->geometry()));
        QVERIFY(notice->isVisible());
        for (const char* name : {"SrcList", "OrvelList"}) {
            const auto* list = control<QListWidget>(&w, name);
            const QFontMetrics metrics(list->font());
            for (int row = 0; row < list->count(); ++row)
                QVERIFY2(metrics.horizontalAdvance(list->item(row)->text()) <=
                             list->viewport()->width(),
                         qPrintable(list->item(row)->text()));
        }
        QCOMPARE(items(&w, "OrvelList")[0],
                 QStringLiteral("Name                  =  First Name+Last Name"));
    }

    void okWithoutANameColumnWarnsAndStays() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(QStringLiteral("w.csv"), "Who,Where\r\nAnn,Leeds\r\n"));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QCOMPARE(f.prompter.last().title, QStringLiteral("ORVELAN Import"));
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("No column of the file is mapped "
                                                               "to Name")));
        QVERIFY(w.mapPanelInView());
        QVERIFY(!w.recordListLoaded());

        // Two columns selected together map joined as "Last, First".
        f.dialogs.answerNext(
            f.writeFile(QStringLiteral("n.csv"), "Last Name,First Name\r\nLee,Ann\r\n"));
        click(&w, "IMPOpenF");
        auto* source = control<QListWidget>(&w, "SrcList");
        source->item(0)->setSelected(true);
        source->item(1)->setSelected(true);
        selectRow(&w, "OrvelList", 0);
        click(&w, "impMapAdd");
        QCOMPARE(items(&w, "OrvelList")[0],
                 QStringLiteral("Name                  =  First Name+Last Name"));
        click(&w, "impMapOk");
        QCOMPARE(items(&w, "IMPList1").size(), 1);
        QVERIFY(items(&w, "IMPList1")[0].startsWith(QStringLiteral(" Lee, Ann ")));
    }

    // The end of an import says what happened, in the words the tool uses; the dialogs open
    // in the user's folders.
    // The same file read and imported twice files nothing twice; the choice for records that
    // meet the book offers skip (the default), merge and keep.
    void theSameFileTwiceFilesNothingTwice() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        auto* choice = w.findChild<QComboBox*>(QStringLiteral("IMPDuplicatesCB"));
        QVERIFY(choice);
        QCOMPARE(choice->count(), 3);
        QCOMPARE(choice->currentText(), QStringLiteral("Skip records already in the book"));
        qint64 pages = 0;
        for (int round = 0; round < 2; ++round) {
            readCsv(f, w);
            click(&w, "IMPImportLA");
            if (round == 0)
                pages = f.book.pageCount(2);
        }
        QCOMPARE(f.book.pageCount(2), pages);
        QVERIFY2(f.prompter.last().text.contains(
                     QStringLiteral("Already in the book, not imported again: 4 - ")),
                 qPrintable(f.prompter.last().text));
    }

    void importEndsWithTheSummary() {
        WindowFixture f;
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        const QString path = QStringLiteral(ORVELAN_EXCHANGE_DATA "/mail-client.csv");
        f.dialogs.answerNext(path);
        click(&w, "IMPOpenF");
        QCOMPARE(f.dialogs.folders().last(), QStringLiteral("/home/someone"));
        QCOMPARE(f.host.folder, QStringLiteral(ORVELAN_EXCHANGE_DATA));
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QCOMPARE(info(&w, "IMPInfo"), QStringLiteral("31 Pages to Import"));
        const qsizetype shown = f.prompter.shown().size();
        click(&w, "IMPImportLA");
        QCOMPARE(f.prompter.shown().size(), shown + 1);
        const PromptRequest& message = f.prompter.last();
        QCOMPARE(message.title, QStringLiteral("ORVELAN Import"));
        QCOMPARE(message.icon, PromptIcon::Information);
        QCOMPARE(message.text, w.summary().text());
        const QStringList lines = message.text.split(u'\n');
        QCOMPARE(lines[0], QStringLiteral("File: mail-client.csv (UTF-8, separated by commas)"));
        QCOMPARE(lines[1], QStringLiteral("Records read: 32"));
        QVERIFY(
            lines[2].startsWith(QStringLiteral("Imported 31 page(s). By tab: *0 1, A 2, B 1,")));
        QVERIFY(!message.text.contains(QStringLiteral("\"3M Company\"")));
        QCOMPARE(f.book.pageCount(1), 2); // Anna in the blank page, Anders behind it
        click(&w, "IMPOpenF");
        QCOMPARE(f.dialogs.folders().last(), QStringLiteral(ORVELAN_EXCHANGE_DATA));

        // A file of which nothing can be imported says so as soon as it is read.
        f.dialogs.answerNext(f.writeFile(QStringLiteral("d.csv"), "Name\r\n\xCC\x81"
                                                                  "up\r\n,\r\n"));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("Records read: 2")));
        QVERIFY(f.prompter.last().text.contains(QStringLiteral("\"\u0301up\" (line 2)")));
    }

    // Staging files that cannot be written: the user is told, and no list pretends otherwise.
    void stagingThatCannotBeWrittenIsReported() {
        WindowFixture f;
        QDir().mkpath(f.book.folder().tabTempFilePath(5)); // a folder where a file must go
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(QStringLiteral("p.csv"), "Name\r\nEd\r\nAnn\r\n"));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QVERIFY(f.prompter.last().text.startsWith(
            QStringLiteral("Import Error: The staging files in ")));
        QVERIFY(!w.recordListLoaded());
        QVERIFY(items(&w, "IMPList1").isEmpty());
    }
};

ORVELAN_QT_TEST(ImportWindowTest)
#include "ImportWindowTest.moc"
