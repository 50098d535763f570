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
using namespace Qt::StringLiterals;

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

    // Opens a comma-separated file (the test file unless another is named) with Auto mapping
    // and reads it.
    void readCsv(WindowFixture& f, ImportWindow& w, QString path = {}) {
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(path.isEmpty() ? f.writeFile(u"people.CSV"_s, m_csv) : path);
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
    }

private Q_SLOTS:
    void opensReadyWithTheDefaultChoices() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        QCOMPARE(w.objectName(), u"frmImport"_s);
        QCOMPARE(info(&w, "IMPInfo"), u"IMPORT  Ready"_s);
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
            (ScriptedFileDialogs::Request{false, u"Open ORVELAN MPORT File"_s,
                                          u"Open Generic IMPORT File (*.csv)|*.csv"_s, u".csv"_s}));
        QVERIFY(!w.mapPanelInView());
        click(&w, "IMPEBFBu");
        click(&w, "IMPOpenF");
        QCOMPARE(
            f.dialogs.shown().last(),
            (ScriptedFileDialogs::Request{false, u"Open ORVELAN Encrypted Adress Book File"_s,
                                          u"Open ORVELAN IMPORT File (*.eab)|*.eab"_s, u".eab"_s}));
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(f.host.helpPages, QStringList{u"useage_imp.htm"_s});
    }

    void mapsColumnsByHand() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(u"a.csv"_s, "Full Name,,Tel\r\nAnn,x,1\r\n"));
        click(&w, "IMPOpenF");
        QVERIFY(w.mapPanelInView());
        QCOMPARE(items(&w, "SrcList"), (QStringList{u"Full Name"_s, QString(), u"Tel"_s}));
        QCOMPARE(items(&w, "OrvelList").size(), 26);
        QCOMPARE(f.clock.pausedSeconds(), 1.4);

        click(&w, "impMapAdd");
        QCOMPARE(f.prompter.last(), (PromptRequest{u"ORVLEAN Import"_s,
                                                   u"Can't map field item:  No FILE-LIST field has "
                                                   "been selected    "_s,
                                                   PromptIcon::Exclamation, PromptButtons::Ok}));
        selectRow(&w, "SrcList", 1);
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(u"No FIELD IDENTITY"_s));
        selectRow(&w, "SrcList", 0);
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(u"No ORVELAN field"_s));
        selectRow(&w, "OrvelList", 0);
        click(&w, "impMapAdd");
        QCOMPARE(items(&w, "OrvelList")[0], u"Name                  =  Full Name"_s);
        click(&w, "impMapAdd");
        QVERIFY(f.prompter.last().text.contains(u"already been assigned"_s));
        click(&w, "impMapRemove");
        QCOMPARE(items(&w, "OrvelList")[0], u"Name                  =  "_s);

        // A second file replaces the columns of the first.
        f.dialogs.answerNext(f.writeFile(u"b.csv"_s, "Name\r\n"));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "SrcList"), QStringList{u"Name"_s});
        click(&w, "impMapCancel");
        QVERIFY(!w.mapPanelInView());
    }

    void refusesAFileNotNamedCsv() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        click(&w, "IMPCSVBy");
        f.dialogs.answerNext(f.writeFile(u"people.txt"_s, m_csv));
        click(&w, "IMPOpenF");
        QCOMPARE(f.prompter.last().text, u"Can't Read Import File - Check that a "
                                         "Valid File has been Opened    "_s);
        QCOMPARE(f.prompter.last().title, u"ORVELAN Import"_s);
        QVERIFY(!w.mapPanelInView());
        QVERIFY(items(&w, "SrcList").isEmpty());
        // A missing file.
        f.dialogs.answerNext(f.book.root() + u"/gone.csv"_s);
        click(&w, "IMPOpenF");
        QCOMPARE(f.prompter.last().title, u"ORVELAN Import OS-1253"_s);
    }

    void readsListsFiltersAndImports() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        readCsv(f, w);
        QVERIFY(!w.mapPanelInView());
        QVERIFY(w.recordListLoaded());
        const QStringList lines = items(&w, "IMPList1");
        QCOMPARE(lines.size(), 4); // the combining mark refused, 7even under the first tab
        QVERIFY(lines[0].startsWith(u" 7even "_s));
        QCOMPARE(lines[0].right(11), u" *0 /     2"_s);
        QVERIFY(lines[1].startsWith(u" Anna "_s));
        QCOMPARE(lines[2].right(11), u" B  /     2"_s);
        QCOMPARE(lines[3].right(11), u" B  /     3"_s);
        QCOMPARE(info(&w, "IMPInfo"), u"4 Pages to Import"_s);
        QCOMPARE(f.session.searchResults().lines, lines);
        QVERIFY(f.session.searchResults().present);

        control<QLineEdit>(&w, "IMPFindTb")->setText(u" TEA "_s);
        click(&w, "IMPFind");
        QCOMPARE(items(&w, "IMPList1").size(), 1);
        QCOMPARE(info(&w, "IMPInfo"), u"1  Page Listed"_s);
        control<QLineEdit>(&w, "IMPFindTb")->setText(u"zzz"_s);
        click(&w, "IMPFind");
        QCOMPARE(info(&w, "IMPInfo"), QString());
        QVERIFY(items(&w, "IMPList1").isEmpty());
        click(&w, "IMPImportLA");
        QVERIFY(f.prompter.last().text.contains(u"no Import-File currently OPEN"_s));
        control<QLineEdit>(&w, "IMPFindTb")->clear();
        click(&w, "IMPFind");
        QCOMPARE(info(&w, "IMPInfo"), u"Listed:  4  Pages"_s);

        click(&w, "IMPSelectedLA");
        click(&w, "IMPImportLA");
        QCOMPARE(f.prompter.last().text,
                 u"Can't Import:  There are no Listed-Files currently SELECTED    "_s);
        QVERIFY(!f.session.showFirstPageOnActivate);
        auto* list = control<QListWidget>(&w, "IMPList1");
        list->item(3)->setSelected(true);
        list->item(1)->setSelected(true);
        click(&w, "IMPImportLA");
        QVERIFY(f.session.showFirstPageOnActivate);
        QCOMPARE(info(&w, "IMPInfo"), u"IMPORT  Ready"_s);
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
        QVERIFY(f.prompter.last().text.contains(u"no Import-File currently OPEN"_s));
        QCOMPARE(f.book.pageCount(2), 2);
    }

    void aFailedImportIsReportedWithItsExactCountNotAsDone() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
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
        QVERIFY2(told.contains(u"Imported 3 page(s). By tab: *0 1, A 1, B 1"_s), qPrintable(told));
        QVERIFY(told.contains(u"Could not be written: 1"_s));
        QVERIFY(told.contains(u"Could not write the file. The disk is full."_s));
        QCOMPARE(info(&w, "IMPInfo"), u"IMPORT  Ready"_s);
        QCOMPARE(f.book.tabBytes(2).size(), qsizetype(RecordSize)); // no part record
    }

    void clearAndClose() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        click(&w, "IMPClear");
        QCOMPARE(f.prompter.last().text, u"Record-List Already Clear!  There is no "
                                         "Import-File currently OPEN     "_s);
        click(&w, "IMPFind");
        QVERIFY(f.prompter.last().text.startsWith(u"No Record List Found:"_s));
        readCsv(f, w);
        f.prompter.answerNext(PromptAnswer::Cancel);
        click(&w, "IMPClear");
        QCOMPARE(f.prompter.last().title, u"SORVELAN Import"_s);
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
        f.dialogs.answerNext(f.writeFile(u"x.eab"_s, file));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        QCOMPARE(info(&w, "IMPInfo"), u"4 Pages to Import"_s);
        click(&w, "IMPImportLA");
        QCOMPARE(f.book.page(5, 1)[Field::Name], QByteArray("Ed"));
        QCOMPARE(f.book.pageCount(5), 3);

        QVERIFY(items(&w, "IMPList1").isEmpty()); // imported: nothing is offered twice

        // A foreign file is refused and leaves the staged records and the book alone.
        f.dialogs.answerNext(f.writeFile(u"again.eab"_s, file));
        click(&w, "IMPOpenF");
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        const QByteArray before = f.book.tabBytes(5);
        f.dialogs.answerNext(f.writeFile(u"foreign.eab"_s, QByteArray(4000, 'Q')));
        click(&w, "IMPOpenF");
        QVERIFY(f.prompter.last().text.contains(u"not an ORVELAN"_s));
        QCOMPARE(items(&w, "IMPList1").size(), 4);
        QCOMPARE(f.book.tabBytes(5), before);

        // A cut file keeps its whole records and says so.
        f.dialogs.answerNext(f.writeFile(u"cut.eab"_s, file.left(250 + 1690 + 1700)));
        click(&w, "IMPOpenF");
        QVERIFY(f.prompter.last().text.contains(u"damaged"_s));
        QCOMPARE(items(&w, "IMPList1").size(), 1); // Bea; the Es lay beyond the cut
        QCOMPARE(f.book.tabBytes(5), before);
    }

    // Reading shows its notices where they can be seen: the mapping panel lies below the
    // status label and inside the window, and its lists show every line whole.
    void noticesAndMappingLinesStayInSight() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
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
        QCOMPARE(items(&w, "OrvelList")[0], u"Name                  =  First Name+Last Name"_s);
    }

    void okWithoutANameColumnWarnsAndStays() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        readCsv(f, w, f.writeFile(u"w.csv"_s, "Who,Where\r\nAnn,Leeds\r\n"));
        QCOMPARE(f.prompter.last().title, u"ORVELAN Import"_s);
        QVERIFY(f.prompter.last().text.contains(u"No column of the file is mapped "
                                                "to Name"_s));
        QVERIFY(w.mapPanelInView());
        QVERIFY(!w.recordListLoaded());

        // Two columns selected together map joined as "Last, First".
        f.dialogs.answerNext(f.writeFile(u"n.csv"_s, "Last Name,First Name\r\nLee,Ann\r\n"));
        click(&w, "IMPOpenF");
        auto* source = control<QListWidget>(&w, "SrcList");
        source->item(0)->setSelected(true);
        source->item(1)->setSelected(true);
        selectRow(&w, "OrvelList", 0);
        click(&w, "impMapAdd");
        QCOMPARE(items(&w, "OrvelList")[0], u"Name                  =  First Name+Last Name"_s);
        click(&w, "impMapOk");
        QCOMPARE(items(&w, "IMPList1").size(), 1);
        QVERIFY(items(&w, "IMPList1")[0].startsWith(u" Lee, Ann "_s));
    }

    // The same file read and imported twice files nothing twice; the choice for records that
    // meet the book offers skip (the default), merge and keep.
    void theSameFileTwiceFilesNothingTwice() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        auto* choice = w.findChild<QComboBox*>(u"IMPDuplicatesCB"_s);
        QVERIFY(choice);
        QCOMPARE(choice->count(), 3);
        QCOMPARE(choice->currentText(), u"Skip records already in the book"_s);
        qint64 pages = 0;
        for (int round = 0; round < 2; ++round) {
            readCsv(f, w);
            click(&w, "IMPImportLA");
            if (round == 0)
                pages = f.book.pageCount(2);
        }
        QCOMPARE(f.book.pageCount(2), pages);
        QVERIFY2(
            f.prompter.last().text.contains(u"Already in the book, not imported again: 4 - "_s),
            qPrintable(f.prompter.last().text));
    }

    // The end of an import says what happened, in the words the tool uses; the dialogs open
    // in the user's folders.
    void importEndsWithTheSummary() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        click(&w, "IMPCSVBy");
        const QString path = QStringLiteral(ORVELAN_EXCHANGE_DATA "/mail-client.csv");
        f.dialogs.answerNext(path);
        click(&w, "IMPOpenF");
        QCOMPARE(f.dialogs.folders().last(), u"/home/someone"_s);
        QCOMPARE(f.host.folder, QStringLiteral(ORVELAN_EXCHANGE_DATA));
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QCOMPARE(info(&w, "IMPInfo"), u"31 Pages to Import"_s);
        const qsizetype shown = f.prompter.shown().size();
        click(&w, "IMPImportLA");
        QCOMPARE(f.prompter.shown().size(), shown + 1);
        const PromptRequest& message = f.prompter.last();
        QCOMPARE(message.title, u"ORVELAN Import"_s);
        QCOMPARE(message.icon, PromptIcon::Information);
        QCOMPARE(message.text, w.summary().text());
        const QStringList lines = message.text.split(u'\n');
        QCOMPARE(lines[0], u"File: mail-client.csv (UTF-8, separated by commas)"_s);
        QCOMPARE(lines[1], u"Records read: 32"_s);
        QVERIFY(lines[2].startsWith(u"Imported 31 page(s). By tab: *0 1, A 2, B 1,"_s));
        QVERIFY(!message.text.contains(u"\"3M Company\""_s));
        QCOMPARE(f.book.pageCount(1), 2); // Anna in the blank page, Anders behind it
        click(&w, "IMPOpenF");
        QCOMPARE(f.dialogs.folders().last(), QStringLiteral(ORVELAN_EXCHANGE_DATA));

        // A file of which nothing can be imported says so as soon as it is read.
        f.dialogs.answerNext(f.writeFile(u"d.csv"_s, "Name\r\n\xCC\x81"
                                                     "up\r\n,\r\n"));
        click(&w, "IMPOpenF");
        click(&w, "IMPAutoMap");
        click(&w, "impMapOk");
        QVERIFY(f.prompter.last().text.contains(u"Records read: 2"_s));
        QVERIFY(f.prompter.last().text.contains(u"\"\u0301up\" (line 2)"_s));
    }

    // Staging files that cannot be written: the user is told, and no list pretends otherwise.
    void stagingThatCannotBeWrittenIsReported() {
        WindowFixture f;
        QDir().mkpath(f.book.folder().tabTempFilePath(5)); // a folder where a file must go
        ImportWindow w(f.session, f.dialogs, f.host);
        w.open();
        readCsv(f, w, f.writeFile(u"p.csv"_s, "Name\r\nEd\r\nAnn\r\n"));
        QVERIFY(f.prompter.last().text.startsWith(u"Import Error: The staging files in "_s));
        QVERIFY(!w.recordListLoaded());
        QVERIFY(items(&w, "IMPList1").isEmpty());
    }
};

ORVELAN_QT_TEST(ImportWindowTest)
#include "ImportWindowTest.moc"
