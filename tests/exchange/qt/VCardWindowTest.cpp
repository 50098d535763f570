// "As vCard" in the import and export windows, with the files they read and write.
#include "../ExchangeTestData.h"
#include "WindowFixture.h"
#include "support/QtTestMain.h"

#include "exchange/qt/ExchangeWindows.h"
#include "exchange/qt/ExportWindow.h"
#include "exchange/qt/ImportWindow.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFileInfo>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class VCardWindowTest : public QObject {
    Q_OBJECT

private:
    const QByteArray m_cards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Carol Jones\r\n"
                               "TEL;TYPE=CELL:07700 900111\r\nORG:Widgets\r\n"
                               "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:adam Smith\r\n"
                               "EMAIL:adam@example.org\r\nEND:VCARD\r\n";

private Q_SLOTS:
    void importsCardsWithoutAMappingStep() {
        WindowOn<ImportWindow> f;
        ImportWindow& w = f.w;
        QCOMPARE(label(&w, "IMPVCFBy")->text(), u"As vCard"_s);
        QCOMPARE(label(&w, "IMPVCFBy")->colour(), LabelColour::Grey);
        click(&w, "IMPVCFBy");
        QCOMPARE(label(&w, "IMPVCFBy")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "IMPEBFBu")->colour(), LabelColour::Grey);
        QCOMPARE(label(&w, "IMPCSVBy")->colour(), LabelColour::Grey);

        f.dialogs.answerNext(f.writeFile(u"contacts.vcf"_s, m_cards));
        click(&w, "IMPOpenF");
        QCOMPARE(f.dialogs.shown().last().title, u"Open vCard File"_s);
        // The dialog opens in the last folder used, and the next one where this file was.
        QCOMPARE(f.dialogs.folders().last(), u"/home/someone"_s);
        QCOMPARE(f.host.folder, QFileInfo(f.writeFile(u"contacts.vcf"_s, m_cards)).absolutePath());
        QVERIFY(!w.mapPanelInView());
        // The summary names the refused card and the left-out photo.
        const PromptRequest& summary = f.prompter.last();
        QCOMPARE(summary.title, u"ORVELAN Import"_s);
        QVERIFY2(summary.text.startsWith(u"File: contacts.vcf (vCard)\n"
                                         "Records read: 3\nReady to import: 2\n"
                                         "Refused 1 record(s):\n"_s),
                 qPrintable(summary.text));
        QVERIFY(summary.text.contains(u"  no name: 1 - (no name) (card 2)"_s));
        QVERIFY(summary.text.contains(u"Carol Jones (PHOTO)"_s));
        const QStringList listed = items(&w, "IMPList1");
        QCOMPARE(listed.size(), 2);
        QVERIFY(listed[0].startsWith(u" adam Smith"_s));
        QVERIFY(listed[1].startsWith(u" Carol Jones"_s));
        QCOMPARE(info(&w, "IMPInfo"), u"2 Pages to Import"_s);

        click(&w, "IMPImportLA");
        // The window ends with the summary the tool prints.
        QVERIFY2(f.prompter.last().text.contains(
                     u"Records read: 3\nImported 2 page(s). By tab: A 1, C 1\n"_s),
                 qPrintable(f.prompter.last().text));
        QCOMPARE(f.book.page(1, 1)[Field::Email], QByteArray("adam@example.org"));
        QCOMPARE(f.book.page(3, 1)[Field::Mobile], QByteArray("07700 900111"));
        QCOMPARE(f.book.page(3, 1)[Field::Organisation], QByteArray("Widgets"));
        // A second IMPORT files nothing twice, and the staging files are gone.
        click(&w, "IMPImportLA");
        QVERIFY(f.prompter.last().text.contains(u"no Import-File currently OPEN"_s));
        QCOMPARE(f.book.pageCount(1), 1);
        QVERIFY(!QFile::exists(f.book.folder().tabTempFilePath(1)));
    }

    // The folder of the last exchange file is kept for the next run, while it exists.
    void theNextRunsDialogsOpenInTheLastFolder() {
        WindowFixture f;
        const QString cards = f.book.root() + u"/cards"_s;
        QVERIFY(QDir().mkdir(cards));
        ExchangeWindows(f.session, nullptr, {}, {}).setExchangeFolder(cards);
        QCOMPARE(ExchangeWindows(f.session, nullptr, {}, {}).exchangeFolder(), cards);
        QVERIFY(QDir(cards).removeRecursively());
        QCOMPARE(ExchangeWindows(f.session, nullptr, {}, {}).exchangeFolder(), QDir::homePath());
    }

    void exportsTheListedPagesAsCards() {
        WindowFixture f;
        f.book.writeTab(4, {TempBook::record({{Field::Name, "Dora Hill"},
                                              {Field::Phone1, "01632 960 555"},
                                              {Field::Notes, "two\r\nlines"}})});

        ExportWindow w(f.session, f.dialogs, f.host);
        w.open();
        click(&w, "ExpVCFBy");
        QCOMPARE(label(&w, "ExpVCFBy")->colour(), LabelColour::Blue);
        QCOMPARE(label(&w, "ExpEBFBu")->colour(), LabelColour::Grey);
        click(&w, "EXFindLa");
        QCOMPARE(items(&w, "EXList1").size(), 1);
        const QString path = f.book.root() + u"/out"_s;
        f.dialogs.answerNext(path);
        click(&w, "EXDOEXPLA");
        QCOMPARE(f.dialogs.shown().last().title, u"Save vCard EXPORT File"_s);
        QCOMPARE(info(&w, "EXInfo"), u"EXPORT Ready..."_s);
        const QList<VCard> cards = readCards(readBytes(path + u".vcf"_s));
        QCOMPARE(cards.size(), 1);
        QCOMPARE(cards[0].firstText(u"FN"), u"Dora Hill"_s);
        QCOMPARE(cards[0].firstText(u"TEL"), u"01632 960 555"_s);
        QCOMPARE(cards[0].firstText(u"NOTE"), u"two\nlines"_s);
    }
};

ORVELAN_QT_TEST(VCardWindowTest)
#include "VCardWindowTest.moc"
