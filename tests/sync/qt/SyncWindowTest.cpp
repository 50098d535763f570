// The sync window against a real Radicale server, on the offscreen platform.
#include "../RadicaleServer.h"
#include "support/QtTestMain.h"

#include "app/qt/AssembledBook.h"
#include "sync/DavClient.h"
#include "sync/net/QtHttpTransport.h"
#include "sync/net/SyncSession.h"

#include "store/PageRecord.h"
#include "support/FakeClock.h"
#include "support/MemoryKeyring.h"
#include "support/TempBook.h"
#include "sync/SyncAccount.h"
#include "sync/qt/SyncWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

template <class W> W* control(QWidget& window, const char* name) {
    return findControl<W>(window, name);
}
// What the window says of the last sync; a click on a button of the window.
QString result(QWidget& window) {
    return control<QLabel>(window, "SyncResultLa")->text();
}
void click(QWidget& window, const char* button) {
    QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
}

// Whether every text box still has its full height once the window has laid out its result.
bool fieldsKeepTheirHeight(QWidget& window) {
    window.layout()->activate();
    for (const char* name : {"SyncUrlTB", "SyncUserTB", "SyncPassTB"}) {
        const QLineEdit* field = control<QLineEdit>(window, name);
        if (field->height() < field->sizeHint().height())
            return false;
    }
    return true;
}

// Types the server's address, the user and the password into the window.
void typeAccount(QWidget& window, const QString& url, const QString& user,
                 const QString& password) {
    QTest::keyClicks(control<QLineEdit>(window, "SyncUrlTB"), url);
    QTest::keyClicks(control<QLineEdit>(window, "SyncUserTB"), user);
    QTest::keyClicks(control<QLineEdit>(window, "SyncPassTB"), password);
}

class NoKeyring final : public PasswordStore {
public:
    bool read(const QString&, QString&) override { return false; }
    bool write(const QString&, const QString&) override { return false; }
};

} // namespace

class SyncWindowTest : public QObject {
    Q_OBJECT
    // One Radicale for every test, a user of its own for each.
    RadicaleServer server;
    bool serverUp = false;

private Q_SLOTS:
    void initTestCase() { serverUp = server.start(); }
    // Twelve of twenty pages deleted here: the window says how many and deletes only on Yes.
    void pastTheDeleteLimitTheWindowAsksAndGoesOnOnlyOnYes() {
        if (!serverUp)
            QSKIP("Radicale is not available");
        server.addUser(u"dora"_s, u"del-limit"_s);
        TempBook book;
        QList<QByteArray> pages;
        for (int i = 0; i < 20; ++i)
            pages << TempBook::named("Mira " + QByteArray::number(i));
        book.writeTab(12, pages);
        FakeClock clock;
        MemoryKeyring keyring;
        SyncWindow window(book.folder(), clock, &keyring);
        QStringList asked;
        bool answer = false;
        window.confirmDeletions = [&](const QString& question) {
            asked << question;
            return answer;
        };
        window.open();
        typeAccount(window, server.baseUrl().toString(), u"dora"_s, u"del-limit"_s);
        click(window, "SyncNowBu");
        QVERIFY(asked.isEmpty());
        QByteArray blanked = book.tabBytes(12); // as synced: each page with its identity
        for (int i = 0; i < 12; ++i)
            blanked.replace(i * RecordSize, RecordSize, blankRecord());
        writeBytes(book.folder().tabFilePath(12), blanked);

        for (const bool yes : {false, true}) {
            answer = yes;
            click(window, "SyncNowBu");
            QCOMPARE(asked.size(), yes ? 2 : 1);
            QVERIFY2(asked.last().startsWith(
                         u"The sync would delete 12 of the 20 cards on the server"_s),
                     qPrintable(asked.last()));
            QVERIFY2(result(window).contains(yes ? u"deleted on the server 12"_s
                                                 : u"stopped before changing anything"_s),
                     qPrintable(result(window)));
        }
    }

    void syncsKeepsThePasswordInTheKeyringOnlyAndShowsTheResult() {
        if (!serverUp)
            QSKIP("Radicale is not available");
        server.addUser(u"wendy"_s, u"pa55-word"_s);
        TempBook book;
        book.writeTab(1, {TempBook::named("Alma Window"), TempBook::named("Arno Window")});
        FakeClock clock;
        MemoryKeyring keyring;
        SyncWindow window(book.folder(), clock, &keyring);
        QSignalSpy synced(&window, &SyncWindow::synced);
        window.open();

        typeAccount(window, server.baseUrl().toString(), u"wendy"_s, u"wrong"_s);
        click(window, "SyncNowBu");
        QVERIFY(result(window).contains(u"did not accept the user name and password"_s));
        QVERIFY2(fieldsKeepTheirHeight(window), "a long message makes the window taller instead");

        control<QLineEdit>(window, "SyncPassTB")->clear();
        QTest::keyClicks(control<QLineEdit>(window, "SyncPassTB"), u"pa55-word"_s);
        click(window, "SyncNowBu");
        QCOMPARE(result(window),
                 u"Sent 2, received 0, deleted here 0, deleted on the server 0, conflicts 0."_s);
        QCOMPARE(synced.size(), 2);
        QCOMPARE(keyring.entries.value(u"wendy@"_s + server.baseUrl().toString()), u"pa55-word"_s);

        // The account is kept; the password is in no file of the book folder.
        SyncAccount account;
        QString error;
        QVERIFY(SyncAccount::load(book.folder(), account, error));
        QCOMPARE(account.user, u"wendy"_s);
        QVERIFY(!account.addressBookUrl.isEmpty());
        QDirIterator files(book.root(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext())
            QVERIFY2(!readBytes(files.next()).contains("pa55-word"), qPrintable(files.filePath()));

        QTest::mouseClick(control<QCheckBox>(window, "SyncOpenCloseCk"), Qt::LeftButton);
        QVERIFY(SyncAccount::load(book.folder(), account, error));
        QVERIFY2(account.syncOnOpenClose, "the choice is kept with the account");

        // Opened again, the window shows the account, with the password from the keyring.
        SyncWindow again(book.folder(), clock, &keyring);
        again.open();
        QCOMPARE(control<QLineEdit>(again, "SyncUserTB")->text(), u"wendy"_s);
        QCOMPARE(control<QLineEdit>(again, "SyncPassTB")->text(), u"pa55-word"_s);
        QVERIFY(control<QCheckBox>(again, "SyncOpenCloseCk")->isChecked());
        click(again, "SyncFindBu");
        QCOMPARE(control<QComboBox>(again, "SyncBookCb")->count(), 1);
        click(again, "SyncNowBu");
        QVERIFY(result(again).startsWith(u"Sent 0,"_s));
    }

    // A card added on the phone is in the book when it opens; a page edited in the book is on the
    // server once the book has closed.
    void theTickedBoxSyncsWhenTheBookOpensAndCloses() {
        if (!serverUp)
            QSKIP("Radicale is not available");
        server.addUser(u"olga"_s, u"open-close"_s);
        TempBook book;
        book.writeTab(1, {TempBook::named("Alma Open")});
        FakeClock clock;
        SyncRequest request;
        request.account.url = server.baseUrl().toString();
        request.account.user = u"olga"_s;
        request.password = u"open-close"_s;
        SyncOutcome first = runSync(book.folder(), clock, request);
        QVERIFY2(first.ok, qPrintable(first.error));
        first.account.syncOnOpenClose = true;
        QCOMPARE(first.account.save(book.folder()), 0);

        QtHttpTransport phone({u"olga"_s, u"open-close"_s, {}, 10000});
        DavClient phoneClient(phone);
        const QUrl addressBook(first.account.addressBookUrl);
        DavClient::Write written;
        QByteArray etag;
        DavError error;
        QVERIFY(phoneClient.putCard(addressBook, addressBook.path() + u"phone-1.vcf"_s,
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:Anna Phone\r\n"
                                    "N:Phone;Anna;;;\r\nEND:VCARD\r\n",
                                    {}, written, etag, error));

        qputenv("ORVELAN_SYNC_PASSWORD", "open-close");
        AssembledBook run(book);
        run.program->run().openBook();
        QTRY_COMPARE(book.pageCount(1), 2); // once the book shows
        QTRY_COMPARE(run.mainWindow.statusLabel()->text(), u"Synced: 1 in, 0 out"_s);

        QTest::keyClicks(run.find<QLineEdit>("SAdd1TB"), u"1 Mill Lane"_s);
        run.prompter.answerNext(PromptAnswer::Yes); // save the changed page before closing
        run.click("Image1");
        QTRY_VERIFY(!run.mainWindow.isVisible());
        QTRY_COMPARE(run.mainWindow.statusLabel()->text(), u"Synced: 0 in, 1 out"_s);
        qunsetenv("ORVELAN_SYNC_PASSWORD");
        DavClient::Listing listing;
        QList<DavClient::Card> cards;
        QVERIFY(phoneClient.listCards(addressBook, listing, error));
        QVERIFY(phoneClient.fetchCards(addressBook, listing.etags.keys(), cards, error));
        QCOMPARE(cards.size(), 2);
        const auto alma =
            std::find_if(cards.cbegin(), cards.cend(), [](const DavClient::Card& card) {
                return card.data.contains("FN:Alma Open");
            });
        QVERIFY(alma != cards.cend());
        QVERIFY2(alma->data.contains("1 Mill Lane"), alma->data.constData());
    }

    // http:// to another machine is refused before any request, with a message that names the
    // tick box; the leave, once given, is kept with the account.
    void anUnencryptedServerElsewhereNeedsTheTickBox() {
        TempBook book;
        FakeClock clock;
        MemoryKeyring keyring;
        SyncWindow window(book.folder(), clock, &keyring);
        window.open();
        QCheckBox* plain = control<QCheckBox>(window, "SyncPlainHttpCk");
        QVERIFY(plain->text().contains(u"readable on the network"_s));
        QVERIFY(!plain->isChecked());
        typeAccount(window, u"http://dav.example.org/"_s, u"ann"_s, u"pw"_s);
        click(window, "SyncNowBu");
        QVERIFY2(result(window).contains(u"without encryption (http://)"_s),
                 qPrintable(result(window)));
        click(window, "SyncFindBu");
        QVERIFY(result(window).contains(u"tick box"_s));

        SyncAccount account;
        account.url = u"http://dav.example.org/"_s;
        account.allowPlainHttp = true;
        QCOMPARE(account.save(book.folder()), 0);
        SyncWindow again(book.folder(), clock, &keyring);
        again.open();
        QVERIFY(control<QCheckBox>(again, "SyncPlainHttpCk")->isChecked());
    }

    // Without a desktop keyring the window says the password is kept for this run only, and the
    // sync when the book opens asks, in the window's words, for the password once the book shows.
    void withoutAKeyringTheWindowSaysSoAndSyncOnOpenNeedsNoCommandLine() {
        if (!serverUp)
            QSKIP("Radicale is not available");
        server.addUser(u"kim"_s, u"no-ring"_s);
        TempBook book;
        book.writeTab(1, {TempBook::named("Alma Ring")});
        FakeClock clock;
        NoKeyring keyring;
        SyncWindow window(book.folder(), clock, &keyring);
        window.open();
        typeAccount(window, server.baseUrl().toString(), u"kim"_s, u"no-ring"_s);
        QTest::mouseClick(control<QCheckBox>(window, "SyncOpenCloseCk"), Qt::LeftButton);
        click(window, "SyncNowBu");
        const QString said = result(window);
        QVERIFY2(said.startsWith(u"Sent 1,"_s), qPrintable(said));
        QVERIFY2(said.contains(u"The password could not be kept"_s), qPrintable(said));

        qunsetenv("ORVELAN_SYNC_PASSWORD");
        AssembledBook run(book);
        run.program->run().openBook();
        QTRY_COMPARE(run.prompter.shown().size(), 1);
        const PromptRequest asked = run.prompter.shown().first();
        QCOMPARE(asked.title, u"ORVELAN Sync"_s);
        QVERIFY2(asked.text.contains(u"Open Sync... on the options panel"_s),
                 qPrintable(asked.text));
        QVERIFY2(!asked.text.contains(u"--password-file"_s), qPrintable(asked.text));
    }

    // The sync when the book opens waits for the book: a user who gives up at the master password
    // window sees nothing of the sync.
    void aLockedBookSyncsOnlyOnceItsMasterPasswordIsGiven() {
        TempBook book;
        storeSettings(book, [](Settings& s) { s.setFlag(Settings::UsePasswordOnStartUp, true); });
        SyncAccount account;
        account.url = u"http://127.0.0.1:9/"_s;
        account.user = u"kim"_s; // no password anywhere: the sync would say so
        account.syncOnOpenClose = true;
        QCOMPARE(account.save(book.folder()), 0);
        qunsetenv("ORVELAN_SYNC_PASSWORD");
        for (const bool accept : {false, true}) {
            AssembledBook run(book);
            run.password.accept = accept;
            run.program->run().openBook();
            QCOMPARE(run.password.modes.size(), 1);
            if (accept) {
                QTRY_COMPARE(run.prompter.shown().size(), 1);
                QCOMPARE(run.prompter.shown().first().title, u"ORVELAN Sync"_s);
            } else {
                QTest::qWait(50);
                QVERIFY(run.prompter.shown().isEmpty());
            }
        }
    }
};

ORVELAN_QT_TEST(SyncWindowTest)
#include "SyncWindowTest.moc"
