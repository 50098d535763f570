#include "exchange/ExchangeTestData.h"
#include "exchange/qt/WindowFixture.h"
#include "support/QtTestMain.h"

#include "exchange/Export.h"
#include "exchange/qt/ExchangeWindows.h"
#include "exchange/qt/ExportWindow.h"
#include "exchange/qt/ImportWindow.h"
#include "security/BookEncryption.h"
#include "store/PageRecord.h"

#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class ExportWindowTest : public QObject {
    Q_OBJECT

private:
    static void fillBook(WindowFixture& f) {
        f.book.writeTab(2, {TempBook::record({{Field::Name, "Bea"}, {Field::Notes, "garden"}})});
        f.book.writeTab(5, {TempBook::named("Ed"), blankRecord(), TempBook::named("Ella"),
                            TempBook::record({{Field::Name, "Eric"}, {Field::Fax, "Garden 1"}})});
    }

    static void findText(ExportWindow& w, const QString& text) {
        auto* edit = control<QLineEdit>(&w, "EXText2");
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private Q_SLOTS:
    void opensReadyAndRefusesWithoutPages() {
        WindowOn<ExportWindow> f;
        ExportWindow& w = f.w;
        QCOMPARE(w.objectName(), u"frmExport"_s);
        QCOMPARE(info(&w, "EXInfo"), u"EXPORT  Ready"_s);
        QCOMPARE(label(&w, "EXAllFLa")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "ExpEBFBu")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "ExpCSVBy")->colour(), LabelColour::Grey);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.prompter.last(), (PromptRequest{u"ORVELAN Expport"_s,
                                                   u"Can't Create EXPORT File:  There are no Files "
                                                   "Listed to EXPORT    "_s,
                                                   PromptIcon::Exclamation, PromptButtons::Ok}));
        QVERIFY(f.dialogs.shown().isEmpty());
        click(&w, "EXFindLa");
        QCOMPARE(info(&w, "EXInfo"), QString()); // an empty book lists nothing
    }

    void findsPages() {
        WindowOn<ExportWindow> f(fillBook);
        ExportWindow& w = f.w;
        findText(w, u"  GARDEN "_s);
        QCOMPARE(items(&w, "EXList1").size(), 2);
        QCOMPARE(info(&w, "EXInfo"), u"Found:  2  Pages"_s);
        findText(w, u"ella"_s);
        QCOMPARE(info(&w, "EXInfo"), u"1  Page Found"_s);
        QCOMPARE(items(&w, "EXList1")[0].right(11), u" E  /     3"_s);
        findText(w, {});
        QCOMPARE(info(&w, "EXInfo"), u"4  Pages Listed"_s);
        QCOMPARE(f.session.searchResults().lines, items(&w, "EXList1"));
        click(&w, "EXClearLa");
        QVERIFY(items(&w, "EXList1").isEmpty());
    }

    void exportsExchangeAndCommaSeparatedFiles() {
        WindowOn<ExportWindow> f(fillBook);
        ExportWindow& w = f.w;
        click(&w, "EXFindLa");

        click(&w, "EXSelectedLA");
        click(&w, "EXDOEXPLA");
        QVERIFY(f.prompter.last().text.contains(u"no Files Selected"_s));
        QVERIFY(f.dialogs.shown().isEmpty());
        click(&w, "EXAllFLa");

        const QString eab = f.book.root() + u"/out"_s;
        f.dialogs.answerNext(eab);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.shown().last(),
                 (ScriptedFileDialogs::Request{true, u"Save ORVELAN EXPORT File"_s,
                                               u"Save EXPORT File (*.eab)|*.eab"_s, u".eab"_s}));
        QCOMPARE(fileBytes(eab + u".eab"_s).size(), 45880);
        QCOMPARE(info(&w, "EXInfo"), u"EXPORT Ready..."_s);

        // Only the selected lines, as comma-separated text.
        click(&w, "ExpCSVBy");
        click(&w, "EXSelectedLA");
        control<QListWidget>(&w, "EXList1")->item(3)->setSelected(true);
        const QString csv = f.book.root() + u"/out.csv"_s;
        f.dialogs.answerNext(csv);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.shown().last().title, u"Save GENERIC EXPORT File"_s);
        QCOMPARE(fileBytes(csv), QByteArray(CsvExportHeader) + "\r\nEric,,,,,,,,Garden 1" +
                                     QByteArray(13, ',') + "\r\n");

        // Cancelling the dialog writes nothing.
        const qsizetype shown = f.dialogs.shown().size();
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.shown().size(), shown + 1);

        // A failing write is reported and never called done.
        f.dialogs.answerNext(f.book.root() + u"/missing/dir/x.csv"_s);
        click(&w, "EXDOEXPLA");
        QVERIFY(f.prompter.last().text.startsWith(u"Can't Create EXPORT File:  "_s));
        QVERIFY(info(&w, "EXInfo").isEmpty());
    }

    void aTabThatCannotBeReadFailsTheExportOfAllFiles() {
        WindowFixture f;
        fillBook(f);
        QFile::remove(f.book.folder().tabFilePath(3));
        QVERIFY(QDir().mkdir(f.book.folder().tabFilePath(3))); // a folder in place of tab C
        ExportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "EXFindLa");
        QCOMPARE(items(&w, "EXList1").size(), 4);
        const QString out = f.book.root() + u"/all.csv"_s;
        f.dialogs.answerNext(out);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.prompter.last().text,
                 u"Can't Create EXPORT File:  Cannot read Orvel03.raf; its pages "
                 "would be missing. Nothing was exported.    "_s);
        QVERIFY(!QFile::exists(out));
        QVERIFY(info(&w, "EXInfo") != u"Done"_s);
    }

    void reportsTheExportAndOffersUtf8() {
        WindowFixture f;
        f.book.writeTab(10, {TempBook::named("K\xF6nig")});
        fillBook(f);
        ExportWindow w(f.session, f.dialogs, f.host);
        w.open();
        QCOMPARE(label(&w, "ExpAnsiBy")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "ExpUtf8By")->colour(), LabelColour::Grey);
        click(&w, "EXFindLa");
        click(&w, "ExpCSVBy");
        click(&w, "ExpUtf8By");
        const QString path = f.book.root() + u"/out.csv"_s;
        f.dialogs.answerNext(path);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.folders().last(), u"/home/someone"_s);
        QCOMPARE(f.prompter.last(),
                 (PromptRequest{u"ORVELAN Expport"_s, u"Exported 5 page(s) to "_s + path,
                                PromptIcon::Information, PromptButtons::Ok}));
        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFName,"));
        QVERIFY(bytes.contains("\r\nK\xC3\xB6nig,"));
        // The next dialog opens where the file went.
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.folders().last(), f.book.root());
    }

    // In an encrypted book, pages that fail their authentication are left out and counted
    // exactly, whether the search passed over them or they were damaged after it listed them.
    void countsTheDamagedPagesItLeftOut() {
        WindowFixture f;
        fillBook(f);
        QVERIFY(encryptBook(f.book.folder(), u"S3cret!pw"_s, false, {}, {1, 8192}).ok);
        const auto damage = [&](int tab, qint64 page) {
            QByteArray bytes = f.book.tabBytes(tab);
            bytes[(page - 1) * 1730 + 100] = char(bytes[(page - 1) * 1730 + 100] ^ 0x10);
            f.book.writeTab(tab, {bytes});
        };
        damage(5, 1); // Ed
        ExportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "EXFindLa");
        damage(5, 3); // Ella, listed
        click(&w, "ExpCSVBy");
        const QString path = f.book.root() + u"/out.csv"_s;
        f.dialogs.answerNext(path);
        click(&w, "EXDOEXPLA");
        const QString told = f.prompter.last().text;
        QVERIFY2(told.startsWith(u"Exported 2 page(s) to "_s + path +
                                 u"\n2 damaged pages could not be read and were "
                                 "left out.\n"_s),
                 qPrintable(told));
        QCOMPARE(f.prompter.last().icon, PromptIcon::Exclamation);
        QVERIFY(!fileBytes(path).contains("Ella"));
    }

    void closeRestoresThePosition() {
        WindowFixture f;
        fillBook(f);
        PageStore& store = f.session.store();
        store.setCurrentTab(5);
        store.selectTabFile();
        store.setCurrentPage(3);
        ExportWindow w(f.session, f.dialogs, f.host);
        w.open();
        store.setCurrentTab(1);
        store.setCurrentPage(9);
        QSignalSpy closed(&w, &ExportWindow::closed);
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(f.host.helpPages, QStringList{u"useage_exp.htm"_s});
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(store.currentTab(), 5);
        QCOMPARE(store.currentPage(), 3);
        QCOMPARE(store.pageCount(), 4);
        QCOMPARE(store.currentTabFilePath(), f.book.folder().tabFilePath(5));
        QCOMPARE(f.host.restored, 1);
    }

    void openedFreshForEachOpeningBesideTheMainWindow() {
        WindowFixture f;
        QWidget mainWindow;
        mainWindow.setGeometry(50, 60, 400, 300);
        QStringList help;
        int shown = 0;
        ExchangeWindows windows(
            f.session, &mainWindow, [&](const QString& page) { help.append(page); },
            [&] { ++shown; });
        windows.openExport();
        QPointer<ExportWindow> first = windows.exportWindow();
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->windowModality(), Qt::ApplicationModal);
        QTest::keyClick(first, Qt::Key_F1);
        QCOMPARE(help, QStringList{u"useage_exp.htm"_s});
        click(first, "EXCancelLa");
        QCOMPARE(shown, 1);
        QTRY_VERIFY(!first);
        windows.openImport();
        QVERIFY(windows.importWindow()->isVisible());
        QCOMPARE(info(windows.importWindow(), "IMPInfo"), u"IMPORT  Ready"_s);
    }
};

ORVELAN_QT_TEST(ExportWindowTest)
#include "ExportWindowTest.moc"
