// Whole syncs of a book with a real Radicale server: what a person sees on both sides.
#include "RadicaleServer.h"

#include "cli/CliCommand.h"
#include "exchange/vcard/VCardReader.h"
#include "store/BookMaintenance.h"
#include "store/PageIdentity.h"
#include "store/PageStore.h"
#include "store/TabTable.h"
#include "store/Trash.h"
#include "support/FakeClock.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"
#include "sync/LocalBook.h"
#include "sync/VCardSyncMapping.h"
#include "sync/net/QtHttpTransport.h"
#include "sync/net/SyncSession.h"

#include <gtest/gtest.h>

#include <functional>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace orvelan;
using namespace Qt::StringLiterals;
using orvelan::test::DavTestServer;
using orvelan::test::FakeClock;
using orvelan::test::RadicaleServer;
using orvelan::test::readBytes;
using orvelan::test::TempBook;
using orvelan::test::ToolRun;
using orvelan::test::writeBytes;
using orvelan::test::XandikosServer;

namespace {

const QString Password = u"s3cret"_s;

QByteArray vcard(const QByteArray& uid, const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\n" + body + "END:VCARD\r\n";
}
// A phone's card with what no page field holds: a photo, a birthday, a second mobile number.
const QByteArray Photo = "/9j/4AAQSkZJRgABAQ==";
const QByteArray PiaCard =
    vcard("p1", "FN:Pia Photo\r\nN:Photo;Pia;;;\r\nBDAY:1990-04-01\r\n"
                "PHOTO;ENCODING=b;TYPE=JPEG:" +
                    Photo + "\r\nTEL;TYPE=CELL:0711\r\nTEL;TYPE=CELL:0722\r\n");

// A transport that lets a test act between the requests of a sync (stop the server, change a
// card behind the sync's back) and change the answers, as servers that answer otherwise would.
class InterruptingTransport final : public HttpTransport {
public:
    explicit InterruptingTransport(HttpTransport& inner) : m_inner(inner) {}
    std::function<void(const HttpRequest&)> before;
    std::function<void(const HttpRequest&, HttpResponse&)> after;
    int sent = 0;
    HttpResponse send(const HttpRequest& request) override {
        if (before)
            before(request);
        ++sent;
        HttpResponse response = m_inner.send(request);
        if (after)
            after(request, response);
        return response;
    }

private:
    HttpTransport& m_inner;
};

enum class ServerKind { Radicale, Xandikos };
void PrintTo(ServerKind kind, std::ostream* os) {
    *os << (kind == ServerKind::Radicale ? "Radicale" : "Xandikos");
}

// Every scenario runs against each real server: Radicale, shared by the tests with a user for
// each, and Xandikos (no logins, one principal), started afresh for each test.
class SyncScenario : public ::testing::TestWithParam<ServerKind> {
protected:
    static void TearDownTestSuite() {
        delete radicale;
        radicale = nullptr;
    }
    void SetUp() override {
        if (GetParam() == ServerKind::Radicale) {
            if (!radicale) {
                radicale = new RadicaleServer();
                radicaleStarted = radicale->start();
            }
            if (!radicaleStarted)
                GTEST_SKIP() << "Radicale is not available: " << radicale->error().toStdString();
            server = radicale;
        } else {
            xandikos = std::make_unique<XandikosServer>();
            if (!xandikos->start())
                GTEST_SKIP() << "Xandikos is not available: " << xandikos->error().toStdString();
            server = xandikos.get();
        }
        // Each test has a user of its own, so their address books never meet.
        user = u"user%1"_s.arg(++users);
        server->addUser(user, Password);
        account.url = server->baseUrl().toString();
        account.user = server->hasLogins() ? user : QString();
    }
    bool hasLogins() const { return server->hasLogins(); }

    SyncOutcome sync(bool dryRun = false, const QString& password = Password) {
        SyncOutcome outcome = runSync(book.folder(), clock, {account, password, dryRun, 10000});
        if (outcome.ok)
            account = outcome.account;
        return outcome;
    }
    SyncOutcome syncOk() {
        SyncOutcome outcome = sync();
        EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
        return outcome;
    }

    // The server side, spoken to by plain HTTP as another device would.
    QtHttpTransport& http() {
        if (!m_http)
            m_http = std::make_unique<QtHttpTransport>(
                QtHttpTransport::Options{user, Password, {}, 10000});
        return *m_http;
    }
    QUrl bookUrl() const { return QUrl(account.addressBookUrl); }
    QHash<QString, QByteArray> serverEtags() {
        DavClient::Listing listing;
        DavError error;
        EXPECT_TRUE(DavClient(http()).listCards(bookUrl(), listing, error))
            << error.message.toStdString();
        return listing.etags;
    }
    QHash<QString, QByteArray> serverCards() {
        QList<DavClient::Card> cards;
        DavError error;
        EXPECT_TRUE(DavClient(http()).fetchCards(bookUrl(), serverEtags().keys(), cards, error));
        QHash<QString, QByteArray> byHref;
        for (const DavClient::Card& card : std::as_const(cards))
            byHref.insert(card.href, card.data);
        return byHref;
    }
    QString hrefOfCardWith(const QByteArray& text) {
        const QHash<QString, QByteArray> cards = serverCards();
        for (auto it = cards.cbegin(); it != cards.cend(); ++it) {
            if (it.value().contains(text))
                return it.key();
        }
        return {};
    }
    // Another device makes an address book of the user's called `name`.
    QUrl makeAddressBook(const QString& name) {
        DavClient client(http());
        QList<DavClient::AddressBook> books;
        QUrl home;
        QUrl created;
        DavError error;
        EXPECT_TRUE(client.discover(server->baseUrl(), books, home, error))
            << error.message.toStdString();
        EXPECT_TRUE(client.createAddressBook(home, name, created, error))
            << error.message.toStdString();
        return created;
    }
    // Another device changes a text of the card named `name`; returns the card's path.
    QString changeCardOnThePhone(const QByteArray& name, const QByteArray& from,
                                 const QByteArray& to) {
        const QString href = hrefOfCardWith("FN:" + name);
        QByteArray card = serverCards().value(href);
        EXPECT_TRUE(card.contains(from)) << card.toStdString();
        card.replace(from, to);
        EXPECT_TRUE(serverWrite("PUT", href, card));
        return href;
    }
    // A card keeps its UID when another device edits it.
    static QByteArray uidOf(const QString& href) {
        return href.section(u'/', -1).chopped(4).toUtf8();
    }
    // Writes as another device would; true when the server took it (2xx).
    bool serverWrite(const QByteArray& method, const QString& href, const QByteArray& body = {}) {
        HttpHeaders headers;
        if (method == "PUT")
            headers.append({QByteArray("Content-Type"), QByteArray("text/vcard")});
        const int status =
            http().send({method, DavClient::urlOf(bookUrl(), href), headers, body}).status;
        return status >= 200 && status < 300;
    }

    // The book side.
    void addPages(int count) {
        QList<QByteArray> tabs[TabCount];
        for (int i = 0; i < count; ++i) {
            const char letter = char('A' + i % 26);
            const QByteArray name = QByteArray(1, letter) + "person " + QByteArray::number(i);
            tabs[tabForName(QByteArrayView(name))].append(
                TempBook::record({{Field::Name, name},
                                  {Field::Phone1, "555 " + QByteArray::number(i)},
                                  {Field::Email, "p" + QByteArray::number(i) + "@example.org"}}));
        }
        for (int tab = 0; tab < TabCount; ++tab) {
            if (!tabs[tab].isEmpty())
                book.writeTab(tab, tabs[tab]);
        }
    }
    struct Found {
        int tab = -1;
        qint64 page = 0;
        PageTexts texts;
        PageId id;
    };
    QList<LocalPage> snapshot() {
        QList<LocalPage> pages;
        QString error;
        EXPECT_TRUE(LocalBook(book.folder(), clock).snapshot(pages, error));
        return pages;
    }
    Found findPage(const QString& name) {
        LocalBook local(book.folder(), clock);
        QString error;
        for (const LocalPage& page : snapshot()) {
            Found found{page.tab, page.page, {}, {}};
            local.readPage(page.tab, page.page, found.texts, found.id, error);
            if (found.texts[0] == name)
                return found;
        }
        return {};
    }
    int namedPages() { return int(snapshot().size()); }
    // A page added here as the window adds one.
    LocalBook::Placed addPage(std::initializer_list<std::pair<int, QString>> fields) {
        PageTexts texts;
        for (const auto& [index, text] : fields)
            texts[index] = text;
        LocalBook::Placed placed;
        QString error;
        EXPECT_TRUE(LocalBook(book.folder(), clock).addPage(texts, {}, placed, error))
            << error.toStdString();
        return placed;
    }
    void editPage(const QString& name, int viewIndex, const QString& text) {
        const Found found = findPage(name);
        ASSERT_GE(found.tab, 0) << name.toStdString();
        PageStore store(book.folder(), clock);
        store.setCurrentTab(found.tab);
        store.selectTabFile();
        store.setCurrentPage(found.page);
        PageTexts texts = found.texts;
        texts[viewIndex] = text;
        ASSERT_TRUE(store.putPage(texts));
    }
    void deletePage(const QString& name) {
        const Found found = findPage(name);
        ASSERT_GE(found.tab, 0) << name.toStdString();
        QString error;
        ASSERT_TRUE(LocalBook(book.folder(), clock).blankPage(found.tab, found.page, error));
    }
    // The server as the sync meets it, with hooks a test sets to act between the requests.
    InterruptingTransport& between() {
        if (!m_between) {
            m_real = std::make_unique<QtHttpTransport>(
                QtHttpTransport::Options{user, Password, {}, 10000});
            m_between = std::make_unique<InterruptingTransport>(*m_real);
        }
        return *m_between;
    }
    // One sync (of `other` instead of the book when given) through between(): its report, and
    // `error` when it failed.
    SyncReport syncBetween(QString* error = nullptr, const TempBook* other = nullptr) {
        const BookFolder folder = (other ? *other : book).folder();
        DavClient client(between());
        LocalBook local(folder, clock);
        const VCardSyncMapping mapping;
        Synchroniser synchroniser(client, local, mapping, syncStatePath(folder));
        SyncReport report;
        QString failed;
        const bool ok = synchroniser.run(bookUrl(), false, report, failed);
        if (error)
            *error = failed;
        else
            EXPECT_TRUE(ok) << failed.toStdString();
        return report;
    }
    // A command of the tool on the book, which is to succeed.
    ToolRun tool(const QStringList& args, bool json = false) {
        const ToolRun run = orvelan::test::runCommand(book.folder(), args, json);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run;
    }
    QByteArray allTabs() const {
        QByteArray bytes;
        for (int tab = 0; tab < TabCount; ++tab)
            bytes += book.tabBytes(tab);
        return bytes;
    }

    static inline RadicaleServer* radicale = nullptr;
    static inline bool radicaleStarted = false;
    std::unique_ptr<XandikosServer> xandikos;
    DavTestServer* server = nullptr;
    static inline int users = 0;
    QString user;
    SyncAccount account;
    TempBook book;
    FakeClock clock;
    std::unique_ptr<QtHttpTransport> m_http;
    std::unique_ptr<QtHttpTransport> m_real;
    std::unique_ptr<InterruptingTransport> m_between;
};

TEST_P(SyncScenario, AFirstSyncSendsEveryPageAndASecondSyncWithNoChangeWritesNothing) {
    addPages(200);
    const QByteArray neverSynced = allTabs();

    const SyncOutcome dry = sync(true);
    ASSERT_TRUE(dry.ok) << dry.error.toStdString();
    EXPECT_EQ(dry.report.sent, 200);
    EXPECT_EQ(dry.report.changes.first(), u"server: create the address book \"contacts\""_s);
    EXPECT_EQ(allTabs(), neverSynced) << "a dry run changes nothing";
    EXPECT_FALSE(QFile::exists(syncStatePath(book.folder())));
    EXPECT_FALSE(sync(true).createdAddressBook);
    EXPECT_EQ(sync(true).account.addressBookUrl, QString()) << "nor creates the address book";

    const SyncOutcome first = syncOk();
    EXPECT_TRUE(first.createdAddressBook);
    EXPECT_EQ(first.report.sent, 200);
    EXPECT_EQ(first.report.received, 0);
    EXPECT_EQ(serverCards().size(), 200);
    EXPECT_TRUE(findPage(u"Cperson 2"_s).id.isNull() == false) << "a synced page has an identity";

    const QByteArray afterFirst = allTabs();
    const QHash<QString, QByteArray> etags = serverEtags();
    const SyncOutcome second = syncOk();
    EXPECT_FALSE(second.report.changed());
    EXPECT_EQ(second.report.requests, 1) << "nothing changed: one sync report";
    EXPECT_EQ(allTabs(), afterFirst) << "no page written";
    EXPECT_EQ(serverEtags(), etags) << "no card written";
    EXPECT_EQ(namedPages(), 200);
}

TEST_P(SyncScenario, AFirstSyncJoinsAContactBothSidesAlreadyHadInsteadOfDoublingIt) {
    book.writeTab(12, {TempBook::record({{Field::Name, "Lena Link"}, {Field::Phone1, "555 12"}}),
                       TempBook::record({{Field::Name, "Lena Link"}, {Field::Phone1, "555 99"}})});
    const QUrl created = makeAddressBook(u"phone"_s);
    account.addressBookUrl = created.toString();
    ASSERT_TRUE(serverWrite("PUT", created.path() + u"lena.vcf"_s,
                            vcard("lena", "FN:Lena Link\r\nN:Link;Lena;;;\r\n"
                                          "TEL;TYPE=HOME,VOICE:555 12\r\n")));

    const SyncOutcome outcome = syncOk();
    EXPECT_EQ(outcome.report.received, 0) << "the phone's card is the page already here";
    EXPECT_EQ(outcome.report.sent, 1) << "only the other Lena is new to the server";
    EXPECT_EQ(serverCards().size(), 2);
    EXPECT_EQ(namedPages(), 2);
    EXPECT_FALSE(syncOk().report.changed());
}

// Refusals before anything changes: a wrong password, an address book name the server lacks.
TEST_P(SyncScenario, AWrongPasswordOrAnUnknownAddressBookChangesNothingAndSaysWhy) {
    addPages(1);
    const QByteArray before = allTabs();
    if (hasLogins()) {
        const SyncOutcome refused = sync(false, u"wrong"_s);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.error.contains(u"did not accept the user name and password"_s))
            << refused.error.toStdString();
        EXPECT_EQ(allTabs(), before);
        EXPECT_FALSE(QFile::exists(syncStatePath(book.folder())));
    }
    makeAddressBook(u"Family"_s);
    const QUrl created = makeAddressBook(u"Work"_s);

    account.addressBook = u"nope"_s;
    SyncOutcome outcome = sync();
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.contains(u"no address book called \"nope\""_s));
    EXPECT_TRUE(outcome.error.contains(u"Family"_s));
    EXPECT_TRUE(outcome.error.contains(u"Work"_s)) << outcome.error.toStdString();

    account.addressBook = u"work"_s;
    outcome = syncOk();
    EXPECT_EQ(outcome.account.addressBookUrl, created.toString()) << "names ignore case";
    EXPECT_EQ(outcome.report.sent, 1);
}

TEST_P(SyncScenario, ChangesMadeOnTheServerArePulledIn) {
    addPages(3);
    syncOk();
    const QString ann = hrefOfCardWith("FN:Aperson 0");
    const QString bob = hrefOfCardWith("FN:Bperson 1");
    ASSERT_FALSE(ann.isEmpty());
    // An edit (the name moves the page to another tab), a new card and a deletion.
    EXPECT_TRUE(serverWrite(
        "PUT", ann,
        vcard(uidOf(ann), "FN:Zoe Person\r\nN:Person;Zoe;;;\r\nTEL;TYPE=CELL:0700\r\n")));
    EXPECT_TRUE(serverWrite("PUT", bookUrl().path() + u"new.vcf"_s,
                            vcard("new", "FN:Nina New\r\nEMAIL:nina@example.org\r\n")));
    EXPECT_TRUE(serverWrite("DELETE", bob));

    EXPECT_TRUE(serverWrite("PUT", bookUrl().path() + u"utf8.vcf"_s,
                            vcard("u8", "FN:\xc5\x81ucja \xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd\r\n")));

    const SyncOutcome outcome = syncOk();
    EXPECT_EQ(outcome.report.received, 3);
    EXPECT_EQ(outcome.report.deletedHere, 1);
    EXPECT_EQ(findPage(u"Łucja Иван"_s).tab, tabForName(QStringView(u"L")))
        << "a name in any script is filed under its Latin base letter";
    EXPECT_EQ(outcome.report.sent, 0);

    const Found zoe = findPage(u"Zoe Person"_s);
    ASSERT_EQ(zoe.tab, tabForName(QStringView(u"Z")));
    EXPECT_EQ(zoe.texts[9], u"0700"_s);
    EXPECT_EQ(findPage(u"Aperson 0"_s).tab, -1) << "moved, not copied";
    EXPECT_EQ(findPage(u"Nina New"_s).texts[12], u"nina@example.org"_s);
    EXPECT_EQ(findPage(u"Bperson 1"_s).tab, -1) << "blanked, as Delete does";
    EXPECT_EQ(namedPages(), 4);
    EXPECT_FALSE(syncOk().report.changed()) << "the pulled changes are not sent back";
}

TEST_P(SyncScenario, ChangesOnBothSidesKeepThePageAndFileTheServersVersionAsAConflictCopy) {
    addPages(4);
    syncOk();
    const QString ann = hrefOfCardWith("FN:Aperson 0");
    const QString bob = hrefOfCardWith("FN:Bperson 1");
    const QString cat = hrefOfCardWith("FN:Cperson 2");
    const QString dan = hrefOfCardWith("FN:Dperson 3");
    // Both sides change Ann differently.
    editPage(u"Aperson 0"_s, 7, u"111 here"_s);
    ASSERT_TRUE(
        serverWrite("PUT", ann, vcard(uidOf(ann), "FN:Aperson 0\r\nTEL;TYPE=HOME:222 phone\r\n")));
    // Deleted here, changed there: the change wins and comes back.
    deletePage(u"Bperson 1"_s);
    ASSERT_TRUE(
        serverWrite("PUT", bob, vcard(uidOf(bob), "FN:Bperson 1\r\nTEL;TYPE=HOME:333 phone\r\n")));
    // Deleted there, changed here: the change wins and goes back.
    editPage(u"Cperson 2"_s, 7, u"444 here"_s);
    ASSERT_TRUE(serverWrite("DELETE", cat));
    // The same change on both sides is no conflict.
    ASSERT_TRUE(serverWrite("PUT", dan,
                            vcard(uidOf(dan), "FN:Dperson 3\r\nTEL;TYPE=HOME:555 3\r\n"
                                              "EMAIL;TYPE=HOME:p3@example.org\r\nNOTE:same\r\n")));
    editPage(u"Dperson 3"_s, 25, u"same"_s);

    const SyncOutcome outcome = syncOk();
    EXPECT_EQ(outcome.report.conflicts, 1);
    EXPECT_EQ(outcome.report.conflictNames, QStringList{u"Aperson 0"_s});
    EXPECT_EQ(outcome.report.sent, 3) << "Cperson 2, and both versions of Aperson 0";
    EXPECT_EQ(outcome.report.received, 1) << "Bperson 1 only";
    EXPECT_EQ(findPage(u"Aperson 0"_s).texts[7], u"111 here"_s);
    EXPECT_EQ(findPage(u"Aperson 0 (conflict)"_s).texts[7], u"222 phone"_s);
    EXPECT_EQ(findPage(u"Bperson 1"_s).texts[7], u"333 phone"_s);
    EXPECT_EQ(findPage(u"Cperson 2"_s).texts[7], u"444 here"_s);

    const QHash<QString, QByteArray> cards = serverCards();
    EXPECT_TRUE(cards.value(ann).contains("111 here")) << "the page goes to the server";
    EXPECT_TRUE(cards.value(hrefOfCardWith("FN:Aperson 0 (conflict)")).contains("222 phone"));
    EXPECT_TRUE(cards.value(hrefOfCardWith("FN:Cperson 2")).contains("444 here"));
    EXPECT_EQ(cards.size(), 5);
    EXPECT_EQ(namedPages(), 5);
    EXPECT_FALSE(syncOk().report.changed()) << "both sides agree afterwards";
}

// The property lines of a card as the server holds it, unfolded, names and parameter names in
// upper case, without what every write renews (REV, PRODID).
QSet<QByteArray> cardLines(QByteArray card) {
    card.replace("\r\n", "\n");
    card.replace("\n ", "");
    QSet<QByteArray> lines;
    for (const QByteArray& line : card.split('\n')) {
        QByteArray l = line.trimmed();
        const qsizetype colon = l.indexOf(':');
        QList<QByteArray> head = l.left(colon).split(';');
        for (QByteArray& part : head) {
            const qsizetype equals = part.indexOf('=');
            part = equals < 0 ? part.toUpper() : part.left(equals).toUpper() + part.mid(equals);
        }
        l = head.join(';') + l.mid(colon);
        if (!l.isEmpty() && !l.startsWith("REV:") && !l.startsWith("PRODID:"))
            lines.insert(l);
    }
    return lines;
}

// Values too long for their page fields come in cut and the sync names them; an edit of
// another field sends none of them back, nor flattens what the phone wrote.
TEST_P(SyncScenario, CutValuesAreNamedAndAnEditHereSendsBackOnlyTheFieldEdited) {
    syncOk();
    const QByteArray note = QByteArray("Long note. ").repeated(102);
    const QByteArray longCard =
        vcard("long", "FN:Константин Александрович Преображенский\r\n"
                      "N:Преображенский;Константин;Александрович;;\r\n"
                      "EMAIL;TYPE=INTERNET:konstantin.aleksandrovich.preobrazhensky.the.third@mail."
                      "example-long.org\r\n"
                      "URL:https://www.example.org/people/konstantin-aleksandrovich-preobrazhensky/"
                      "profile?tab=contact\r\nORG:Preobrazhensky Brothers International Holding\r\n"
                      "NOTE:" +
                          note + "\r\n");
    const QByteArray phoneCard =
        vcard("phone", "FN:Jan Nowak\r\nN:Nowak;Jan;;;\r\n"
                       "ADR;TYPE=HOME:;;ul. Polna 5;Kraków;Małopolska;30-001;Polska\r\n"
                       "EMAIL;TYPE=WORK;TYPE=PREF:jan@work.example\r\n"
                       "item1.TEL:0700 111\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\n"
                       "item2.URL:https://jan.example\r\nitem2.X-ABLabel:_$!<HomePage>!$_\r\n"
                       "TEL;TYPE=WORK:12 111\r\n");
    const QString longHref = bookUrl().path() + u"long.vcf"_s;
    const QString phoneHref = bookUrl().path() + u"phone.vcf"_s;
    ASSERT_TRUE(serverWrite("PUT", longHref, longCard));
    ASSERT_TRUE(serverWrite("PUT", phoneHref, phoneCard));
    const QSet<QByteArray> longBefore = cardLines(serverCards().value(longHref));
    const QSet<QByteArray> phoneBefore = cardLines(serverCards().value(phoneHref));

    const SyncOutcome in = syncOk();
    EXPECT_EQ(in.report.received, 2);
    const QString cutName = VCardSyncMapping().pageOf(longCard)[0];
    ASSERT_EQ(in.report.cut,
              QStringList{cutName + u" (Name, Email, Organisation, OrgWeb, Notes)"_s});
    EXPECT_TRUE(
        syncSummary(in.report).contains(u"Values cut to fit their fields here, kept whole on "
                                        "the server: 1 page(s): "_s +
                                        cutName))
        << syncSummary(in.report).toStdString();

    editPage(cutName, 11, u"999"_s);
    editPage(u"Jan Nowak"_s, 8, u"12 222"_s);
    EXPECT_EQ(syncOk().report.sent, 2);
    const QSet<QByteArray> longAfter = cardLines(serverCards().value(longHref));
    const QSet<QByteArray> phoneAfter = cardLines(serverCards().value(phoneHref));
    EXPECT_TRUE(longAfter.contains(longBefore)) << "every whole value stays";
    EXPECT_EQ(longAfter - longBefore, QSet<QByteArray>{"TEL;TYPE=PAGER:999"});
    QSet<QByteArray> changed = phoneBefore - phoneAfter;
    EXPECT_EQ(changed.size(), 1) << "only the number edited here";
    EXPECT_TRUE(changed.values().value(0).contains("12 111"));
    EXPECT_EQ(phoneAfter - phoneBefore, QSet<QByteArray>{"TEL;TYPE=WORK:12 222"});
    EXPECT_FALSE(syncOk().report.changed());
}

TEST_P(SyncScenario, AServerStoppedMidSyncLosesNothingAndTheNextSyncCompletesTheWork) {
    addPages(30);
    syncOk();
    for (int i = 0; i < 10; ++i)
        editPage(u"%1person %2"_s.arg(QChar(u'A' + i)).arg(i), 25, u"edited"_s);
    ASSERT_TRUE(serverWrite("PUT", bookUrl().path() + u"n.vcf"_s, vcard("n", "FN:Ned New\r\n")));

    InterruptingTransport& transport = between();
    transport.before = [&](const HttpRequest&) {
        if (transport.sent == 6)
            server->stop();
    };
    QString error;
    syncBetween(&error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.startsWith(u"Cannot reach the server"_s)) << error.toStdString();
    EXPECT_EQ(namedPages(), 30) << "no page lost";

    ASSERT_TRUE(server->start()) << server->error().toStdString();
    syncOk();
    EXPECT_EQ(namedPages(), 31);
    const QHash<QString, QByteArray> cards = serverCards();
    EXPECT_EQ(cards.size(), 31) << "no card sent twice";
    int edited = 0;
    for (const QByteArray& card : cards)
        edited += card.contains("NOTE:edited") ? 1 : 0;
    EXPECT_EQ(edited, 10);
    EXPECT_FALSE(syncOk().report.changed());
}

TEST_P(SyncScenario, ACardChangedBetweenListingAndWritingIsReadAgainAndTheRulesAppliedAgain) {
    addPages(2);
    syncOk();
    const QString ann = hrefOfCardWith("FN:Aperson 0");
    editPage(u"Aperson 0"_s, 7, u"999 here"_s);

    InterruptingTransport& transport = between();
    bool changed = false;
    transport.before = [&](const HttpRequest& request) {
        if (request.method == "PUT" && request.url.path() == ann && !changed) {
            changed = true;
            serverWrite("PUT", ann,
                        vcard(uidOf(ann), "FN:Aperson 0\r\nTEL;TYPE=HOME:888 phone\r\n"));
        }
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(report.conflicts, 1) << "the 412 turned the update into a conflict";
    EXPECT_EQ(report.sent, 2) << "both versions, once each";
    EXPECT_EQ(report.received, 0);
    EXPECT_EQ(findPage(u"Aperson 0 (conflict)"_s).texts[7], u"888 phone"_s);
    EXPECT_TRUE(serverCards().value(ann).contains("999 here"));
}

TEST_P(SyncScenario, IdentitiesSurviveEditsBlankPageRemovalAndSyncsAfterIt) {
    addPages(6);
    syncOk();
    const PageId id = findPage(u"Fperson 5"_s).id;
    ASSERT_FALSE(id.isNull());
    editPage(u"Fperson 5"_s, 1, u"1 Main Street"_s);
    EXPECT_EQ(findPage(u"Fperson 5"_s).id, id) << "an edit keeps the identity";

    // A blank page in front of it moves it to page 1 when blank pages are removed.
    const QByteArray tab = book.tabBytes(6);
    book.writeTab(6, {blankRecord(), tab});
    syncOk();
    MaintenanceReport removed = removeBlankPages(book.folder(), [](const QString&, double) {});
    ASSERT_TRUE(removed.ok());
    EXPECT_EQ(findPage(u"Fperson 5"_s).id, id);
    EXPECT_EQ(findPage(u"Fperson 5"_s).page, 1);
    const SyncOutcome after = syncOk();
    EXPECT_FALSE(after.report.changed()) << "moved, not new";
    EXPECT_EQ(serverCards().size(), 6);
}

TEST_P(SyncScenario, TheToolKeepsTheAccountDryRunsAndIdentitiesSurviveAnExchangeFileRoundTrip) {
    addPages(4);
    QTemporaryDir scratch;
    const QString passwordFile = writeBytes(scratch.filePath(u"pw"_s), Password.toUtf8() + "\n");
    ToolRun run = tool({u"sync"_s, u"--url"_s, server->baseUrl().toString(), u"--user"_s, user,
                        u"--password-file"_s, passwordFile});
    EXPECT_TRUE(run.out.contains(u"Synced: Sent 4, received 0"_s)) << run.out.toStdString();
    EXPECT_FALSE(readBytes(syncAccountPath(book.folder())).contains(Password.toUtf8()))
        << "never the password";
    SyncAccount stored;
    QString error;
    ASSERT_TRUE(SyncAccount::load(book.folder(), stored, error));

    // A later run needs no options; a dry run tells and changes nothing.
    qputenv("ORVELAN_SYNC_PASSWORD", Password.toUtf8());
    this->account = stored;
    const QString ann = hrefOfCardWith("FN:Aperson 0");
    ASSERT_TRUE(
        serverWrite("PUT", ann, vcard(uidOf(ann), "FN:Aperson 0\r\nTEL;TYPE=HOME:777\r\n")));
    const QByteArray before = allTabs();
    run = tool({u"sync"_s, u"--dry-run"_s});
    EXPECT_TRUE(run.out.contains(u"here: update Aperson 0"_s)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(u"Dry run: nothing was changed."_s));
    EXPECT_EQ(allTabs(), before);
    run = tool({u"sync"_s});
    EXPECT_TRUE(run.out.contains(u"received 1"_s)) << run.out.toStdString();

    // Exported to an exchange file, the book reset and the file imported: the same pages.
    const QString eab = scratch.filePath(u"book.eab"_s);
    tool({u"export"_s, u"eab"_s, eab});
    tool({u"reset"_s, u"--yes"_s});
    tool({u"import"_s, eab});
    run = tool({u"sync"_s});
    EXPECT_TRUE(run.out.contains(u"Synced: Sent 0, received 0, deleted here 0, "
                                 "deleted on the server 0, conflicts 0."_s))
        << run.out.toStdString();
    EXPECT_EQ(serverCards().size(), 4);
    qunsetenv("ORVELAN_SYNC_PASSWORD");
}

TEST(SyncOverTls, SyncsWithASelfSignedServerWhenItsCertificateIsGiven) {
    RadicaleServer server({true});
    server.addUser(u"tls"_s, Password);
    if (!server.start())
        GTEST_SKIP() << "Radicale with TLS is not available: " << server.error().toStdString();
    TempBook book;
    book.writeTab(1, {TempBook::named("Anna Secure")});
    FakeClock clock;
    SyncAccount account;
    account.url = server.baseUrl().toString();
    account.user = u"tls"_s;
    SyncOutcome outcome = runSync(book.folder(), clock, {account, Password, false, 10000});
    EXPECT_FALSE(outcome.ok) << "an unknown certificate is refused";
    account.caFile = server.certificatePath();
    outcome = runSync(book.folder(), clock, {account, Password, false, 10000});
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_EQ(outcome.report.sent, 1);
}

// A server may send the changes in parts (507 on the address book itself). A card a part leaves
// out is not gone: its page stays.
TEST_P(SyncScenario, AListingThatComesInPartsNeverBlanksThePagesItLeftOut) {
    addPages(5);
    syncOk();
    InterruptingTransport& transport = between();
    bool tokenRefused = false;
    const QByteArray bookPath = bookUrl().path().toUtf8();
    transport.after = [&](const HttpRequest& request, HttpResponse& response) {
        if (request.method != "REPORT" || !request.body.contains("sync-collection"))
            return;
        const bool fromScratch = request.body.contains("<d:sync-token></d:sync-token>");
        if (!fromScratch && !tokenRefused) { // the server has forgotten the token
            tokenRefused = true;
            response.status = 403;
            response.body = "<?xml version=\"1.0\"?><error xmlns=\"DAV:\"><valid-sync-token/>"
                            "</error>";
        } else if (fromScratch) { // two cards, then "more to follow"
            // The server's own namespace prefix, if it uses one ("ns0:").
            const qsizetype open = response.body.indexOf("response>");
            ASSERT_GT(open, 0);
            const qsizetype lt = response.body.lastIndexOf('<', open);
            const QByteArray p = response.body.mid(lt + 1, open - lt - 1);
            const QByteArray tag = "<" + p + "response>";
            qsizetype third = response.body.indexOf(tag);
            for (int i = 0; i < 2 && third >= 0; ++i)
                third = response.body.indexOf(tag, third + 1);
            ASSERT_GT(third, 0);
            response.body = response.body.left(third) + tag + "<" + p + "href>" + bookPath + "</" +
                            p + "href><" + p + "status>HTTP/1.1 507 Insufficient Storage</" + p +
                            "status></" + p + "response></" + p + "multistatus>";
        }
    };
    SyncReport report = syncBetween();
    EXPECT_TRUE(tokenRefused);
    EXPECT_EQ(report.deletedHere, 0);
    EXPECT_EQ(namedPages(), 5);
    EXPECT_EQ(serverCards().size(), 5);
    EXPECT_FALSE(syncOk().report.changed());
}

// Servers that give no ETag for a write (and offer no sync reports): the sync learns the ETag
// later and neither files a conflict copy nor brings back a page deleted here.
TEST_P(SyncScenario, AServerThatGivesNoETagForAWriteGetsNoFalseConflictsAndKeepsDeletions) {
    syncOk(); // finds the address book
    addPages(3);
    InterruptingTransport& transport = between();
    transport.after = [](const HttpRequest& request, HttpResponse& response) {
        if (request.method == "PUT")
            response.headers.removeIf([](const auto& header) {
                return QByteArrayView(header.first).compare("ETag", Qt::CaseInsensitive) == 0;
            });
        if (request.method == "REPORT" && request.body.contains("sync-collection")) {
            response.status = 501;
            response.body.clear();
        }
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(report.sent, 3);

    editPage(u"Aperson 0"_s, 25, u"edited"_s);
    deletePage(u"Bperson 1"_s);
    report = syncBetween();
    EXPECT_EQ(report.conflicts, 0);
    EXPECT_EQ(report.sent, 1);
    EXPECT_EQ(report.deletedThere, 1);
    EXPECT_EQ(report.received, 0);
    EXPECT_EQ(namedPages(), 2);
    const QHash<QString, QByteArray> cards = serverCards();
    EXPECT_EQ(cards.size(), 2);
    EXPECT_FALSE(hrefOfCardWith("NOTE:edited").isEmpty());
    report = syncBetween();
    EXPECT_FALSE(report.changed());
    EXPECT_EQ(namedPages(), 2);
}

// The phone added a photo (nothing a page shows) while the page was edited here: both are kept,
// and no conflict copy is filed.
TEST_P(SyncScenario, APhotoAddedOnThePhoneAndAnEditHereMeetWithoutAConflictCopy) {
    addPages(1);
    syncOk();
    const QString href = changeCardOnThePhone(
        "Aperson 0", "END:VCARD", "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\nEND:VCARD");
    editPage(u"Aperson 0"_s, 25, u"edited here"_s);
    const SyncOutcome outcome = syncOk();
    EXPECT_EQ(outcome.report.conflicts, 0);
    EXPECT_EQ(outcome.report.sent, 1);
    EXPECT_EQ(namedPages(), 1);
    const QByteArray now = serverCards().value(href);
    EXPECT_TRUE(now.contains("NOTE:edited here")) << now.toStdString();
    EXPECT_TRUE(now.contains(Photo)) << now.toStdString();
}

// A changed card the server leaves out of its answer proves nothing: the page stays, and the
// next sync reads the card again and brings the change in.
TEST_P(SyncScenario, AChangedCardTheServerDoesNotSendIsLeftForTheNextSync) {
    addPages(2);
    syncOk();
    changeCardOnThePhone("Aperson 0", "TEL;TYPE=HOME,VOICE:555 0", "TEL;TYPE=HOME,VOICE:555 777");

    InterruptingTransport& transport = between();
    transport.after = [](const HttpRequest& request, HttpResponse& response) {
        if (request.method == "REPORT" && request.body.contains("addressbook-multiget"))
            response.body = "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"/>";
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(report.deletedHere, 0);
    EXPECT_EQ(namedPages(), 2);

    const SyncOutcome next = syncOk();
    EXPECT_EQ(next.report.received, 1);
    EXPECT_EQ(next.report.deletedThere, 0);
    EXPECT_EQ(findPage(u"Aperson 0"_s).texts[7], u"555 777"_s);
    EXPECT_EQ(serverCards().size(), 2);
}

// Some servers say 410 Gone for a sync token they no longer keep: the sync lists afresh.
TEST_P(SyncScenario, ATokenTheServerCallsGoneStartsAFreshListing) {
    addPages(2);
    syncOk();
    InterruptingTransport& transport = between();
    int refused = 0;
    transport.after = [&](const HttpRequest& request, HttpResponse& response) {
        if (request.method == "REPORT" && request.body.contains("sync-collection") &&
            !request.body.contains("<d:sync-token></d:sync-token>")) {
            ++refused;
            response.status = 410;
            response.body.clear();
        }
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(report.changed());
    EXPECT_EQ(namedPages(), 2);
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncScenario,
                         ::testing::Values(ServerKind::Radicale, ServerKind::Xandikos),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                             return info.param == ServerKind::Radicale ? "Radicale" : "Xandikos";
                         });

// Servers that refuse sync reports with 403 (with a supported-report error, or no body at all)
// are listed with PROPFIND, as those that answer 405 or 501 are.
TEST_P(SyncScenario, AServerThatForbidsSyncReportsIsListedInFull) {
    syncOk(); // finds the address book
    addPages(2);
    InterruptingTransport& transport = between();
    const QByteArray bodies[] = {
        "<?xml version=\"1.0\"?><D:error xmlns:D=\"DAV:\"><D:supported-report/></D:error>",
        QByteArray()};
    int refused = 0;
    transport.after = [&](const HttpRequest& request, HttpResponse& response) {
        if (request.method == "REPORT" && request.body.contains("sync-collection")) {
            response.status = 403;
            response.body = bodies[refused++ % 2];
        }
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(report.sent, 2);
    ASSERT_EQ(serverCards().size(), 2);
    changeCardOnThePhone("Aperson 0", "END:VCARD", "NOTE:from the phone\r\nEND:VCARD");
    for (int round = 0; round < 2; ++round) { // one refusal of each kind
        report = syncBetween();
        EXPECT_EQ(report.received, round == 0 ? 1 : 0);
        EXPECT_EQ(report.deletedHere + report.deletedThere + report.sent, 0);
    }
    EXPECT_GE(refused, 3);
    EXPECT_EQ(findPage(u"Aperson 0"_s).texts[25], u"from the phone"_s);
}

// A server that gives one ETag for a write and lists another later: a page deleted here is
// deleted on the server, not brought back as if the card had changed there.
TEST_P(SyncScenario, AnETagThatDiffersBetweenWriteAndListingKeepsADeletionHere) {
    syncOk();
    addPages(3);
    InterruptingTransport& transport = between();
    int puts = 0;
    transport.after = [&puts](const HttpRequest& request, HttpResponse& response) {
        if (request.method != "PUT")
            return;
        for (auto& [name, value] : response.headers) {
            if (QByteArrayView(name).compare("ETag", Qt::CaseInsensitive) == 0)
                value = "\"written-" + QByteArray::number(++puts) + "\"";
        }
    };
    SyncReport report = syncBetween();
    ASSERT_EQ(report.sent, 3);
    ASSERT_GT(puts, 0);

    deletePage(u"Bperson 1"_s);
    report = syncBetween();
    EXPECT_EQ(report.received, 0) << "nothing changed on the server";
    EXPECT_EQ(report.deletedThere, 1);
    EXPECT_EQ(namedPages(), 2);
    EXPECT_TRUE(hrefOfCardWith("FN:Bperson 1").isEmpty());
    // A real change on the server still wins over a deletion here.
    changeCardOnThePhone("Cperson 2", "END:VCARD", "NOTE:changed\r\nEND:VCARD");
    deletePage(u"Cperson 2"_s);
    report = syncBetween();
    EXPECT_EQ(report.received, 1);
    EXPECT_EQ(findPage(u"Cperson 2"_s).texts[25], u"changed"_s);
}

// A server without logins (Xandikos) is synced with no user and no password; http:// on this
// machine is used with a warning on stderr.
TEST_P(SyncScenario, AServerWithoutLoginsNeedsNoPasswordAndPlainHttpHereIsAWarning) {
    if (hasLogins())
        GTEST_SKIP() << "this server asks for a login";
    addPages(2);
    qunsetenv("ORVELAN_SYNC_PASSWORD");
    const ToolRun run = tool({u"sync"_s, u"--url"_s, server->baseUrl().toString()});
    EXPECT_TRUE(run.out.contains(u"Synced: Sent 2"_s)) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(u"warning: The server 127.0.0.1 is reached "
                                 "without encryption"_s))
        << run.err.toStdString();
}

// http:// to another machine is refused before any request is made, and allowed with leave.
TEST(SyncTool, RefusesAnUnencryptedServerElsewhereUnlessAllowed) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Anna Plain")});
    const ToolRun run = orvelan::test::runCommand(
        book.folder(), {u"sync"_s, u"--url"_s, u"http://dav.example.org/"_s, u"--dry-run"_s});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(u"without encryption (http://)"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"--allow-plain-http"_s));
}

// A change listing in parts: a card one part calls removed and a later part lists again is
// there; its page stays.
TEST_P(SyncScenario, ACardALaterPartListsAgainIsNotRemoved) {
    addPages(3);
    syncOk();
    const QString ann = hrefOfCardWith("FN:Aperson 0");
    const QByteArray etag = serverEtags().value(ann);
    ASSERT_FALSE(etag.isEmpty());
    InterruptingTransport& transport = between();
    QByteArray token;
    int parts = 0;
    const QByteArray bookPath = bookUrl().path().toUtf8();
    transport.after = [&](const HttpRequest& request, HttpResponse& response) {
        if (request.method != "REPORT" || !request.body.contains("sync-collection") ||
            request.body.contains("<d:sync-token></d:sync-token>"))
            return;
        const QByteArray head = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">";
        if (++parts == 1) {
            const QRegularExpression tokenText(u"sync-token>([^<]+)</"_s);
            token = tokenText.match(QString::fromUtf8(response.body)).captured(1).toUtf8();
            response.status = 207;
            response.body = head + "<d:response><d:href>" + ann.toUtf8() +
                            "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
                            "<d:response><d:href>" +
                            bookPath +
                            "</d:href><d:status>HTTP/1.1 507 Insufficient Storage</d:status>"
                            "</d:response><d:sync-token>part-2</d:sync-token></d:multistatus>";
        } else if (request.body.contains("part-2")) {
            response.status = 207;
            response.body = head + "<d:response><d:href>" + ann.toUtf8() +
                            "</d:href><d:propstat><d:prop><d:getetag>" + etag +
                            "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                            "</d:propstat></d:response><d:sync-token>" +
                            token + "</d:sync-token></d:multistatus>";
        }
    };
    SyncReport report = syncBetween();
    EXPECT_EQ(parts, 2);
    EXPECT_EQ(report.deletedHere, 0);
    EXPECT_EQ(findPage(u"Aperson 0"_s).texts[7], u"555 0"_s);
    EXPECT_EQ(serverCards().size(), 3);
}

// A Windows-1252 page that the sync has given an identity is still read in its own letters.
TEST_P(SyncScenario, AWindows1252PageWithAnIdentityGoesOutInItsOwnLetters) {
    book.writeTab(tabForName(QStringView(u"Z")),
                  {TempBook::record({{Field::Name, "Zo\xeb Wei\xdf"}, {Field::Phone1, "1"}})});
    syncOk();
    ASSERT_FALSE(findPage(u"Zoë Weiß"_s).id.isNull());
    editPage(u"Zoë Weiß"_s, 7, u"2"_s);
    EXPECT_EQ(syncOk().report.sent, 1);
    const QByteArray card = serverCards().values().value(0);
    VCard written;
    ASSERT_TRUE(VCardReader(card).next(written));
    EXPECT_EQ(written.firstText(u"FN"), u"Zoë Weiß"_s) << card.toStdString();
    EXPECT_EQ(findPage(u"Zoë Weiß"_s).texts[7], u"2"_s);
}

// A second real client: vdirsyncer keeps a folder of .vcf files (the phone) in step with the
// same address book.
class Phone {
public:
    Phone(const QUrl& addressBook, const QString& user, const QString& password) {
        QDir(m_dir.path()).mkpath(u"cards"_s);
        QDir(m_dir.path()).mkpath(u"status"_s);
        QByteArray config = "[general]\nstatus_path = \"" + m_dir.filePath(u"status"_s).toUtf8() +
                            "/\"\n\n[pair phone]\na = \"phone_cards\"\nb = \"phone_server\"\n"
                            "collections = null\n\n[storage phone_cards]\ntype = "
                            "\"filesystem\"\npath = \"" +
                            folder().toUtf8() +
                            "/\"\nfileext = \".vcf\"\n\n[storage phone_server]\ntype = "
                            "\"carddav\"\nurl = \"" +
                            addressBook.toEncoded() + "\"\n";
        if (!user.isEmpty())
            config +=
                "username = \"" + user.toUtf8() + "\"\npassword = \"" + password.toUtf8() + "\"\n";
        writeBytes(m_dir.filePath(u"config"_s), config);
    }
    QString folder() const { return m_dir.filePath(u"cards"_s); }

    // One vdirsyncer run; its output when it failed.
    bool sync(QString& output) {
        for (const char* verb : {"discover", "sync"}) {
            QProcess process;
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(u"vdirsyncer"_s,
                          {u"-c"_s, m_dir.filePath(u"config"_s), QString::fromLatin1(verb)});
            process.closeWriteChannel();
            if (!process.waitForFinished(120000) || process.exitCode() != 0) {
                output = QString::fromLatin1(verb) + u": "_s +
                         QString::fromUtf8(process.readAll()) + process.errorString();
                return false;
            }
        }
        return true;
    }
    // The phone's cards by their FN, with the file each is in.
    QHash<QString, std::pair<QString, VCard>> cards() const {
        QHash<QString, std::pair<QString, VCard>> byName;
        const QDir dir(folder());
        for (const QString& name : dir.entryList({u"*.vcf"_s}, QDir::Files)) {
            VCard card;
            if (VCardReader(readBytes(dir.filePath(name))).next(card))
                byName.insert(card.firstText(u"FN"), {dir.filePath(name), card});
        }
        return byName;
    }
    // The phone rewrites a card's file with `from` replaced by `to` (a new file replaces it, as
    // phones save).
    static bool rewrite(const QString& path, const QByteArray& from, const QByteArray& to) {
        const QByteArray bytes = readBytes(path).replace(from, to);
        return QFile::remove(path) && !writeBytes(path, bytes).isEmpty();
    }

private:
    QTemporaryDir m_dir;
};

QStringList texts(const VCard& card, QStringView name) {
    QStringList values;
    for (const VCardProperty& p : card.properties) {
        if (p.name == name)
            values.append(p.text());
    }
    return values;
}

TEST_P(SyncScenario, ABookAndAPhoneKeptInStepByVdirsyncerAgreeFieldByField) {
    if (QStandardPaths::findExecutable(u"vdirsyncer"_s).isEmpty())
        GTEST_SKIP() << "vdirsyncer is not installed";
    addPages(6);
    syncOk();
    Phone phone(bookUrl(), account.user, Password);
    QString output;
    ASSERT_TRUE(phone.sync(output)) << output.toStdString();

    // Book to phone: every page, field by field.
    auto cards = phone.cards();
    ASSERT_EQ(cards.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const QString name = u"%1person %2"_s.arg(QChar(u'A' + i)).arg(i);
        ASSERT_TRUE(cards.contains(name)) << name.toStdString();
        const VCard& card = cards.value(name).second;
        EXPECT_EQ(texts(card, u"TEL"), QStringList{u"555 %1"_s.arg(i)});
        EXPECT_EQ(texts(card, u"EMAIL"), QStringList{u"p%1@example.org"_s.arg(i)});
    }

    // The phone changes a number, adds a photo and a birthday, a second e-mail address,
    // deletes two contacts and makes a new one.
    ASSERT_TRUE(Phone::rewrite(cards.value(u"Aperson 0"_s).first, "555 0", "+48 600 100 200"));
    ASSERT_TRUE(
        Phone::rewrite(cards.value(u"Bperson 1"_s).first, "END:VCARD",
                       "PHOTO;ENCODING=b;TYPE=JPEG:" + Photo + "\r\nBDAY:1985-06-15\r\nEND:VCARD"));
    ASSERT_TRUE(Phone::rewrite(cards.value(u"Cperson 2"_s).first, "END:VCARD",
                               "EMAIL;TYPE=WORK:cat@work.example\r\nEND:VCARD"));
    ASSERT_TRUE(QFile::remove(cards.value(u"Dperson 3"_s).first));
    ASSERT_TRUE(QFile::remove(cards.value(u"Eperson 4"_s).first));
    writeBytes(QDir(phone.folder()).filePath(u"nora.vcf"_s),
               vcard("nora-phone", "FN:Nora Nowak\r\nN:Nowak;Nora;;;\r\n"
                                   "TEL;TYPE=CELL:+48 501 000 111\r\n"));
    ASSERT_TRUE(phone.sync(output)) << output.toStdString();

    // Phone to book.
    SyncOutcome in = syncOk();
    EXPECT_EQ(in.report.received, 4);
    EXPECT_EQ(in.report.deletedHere, 2);
    EXPECT_EQ(in.report.sent, 0);
    EXPECT_EQ(namedPages(), 5);
    EXPECT_EQ(findPage(u"Aperson 0"_s).texts[7], u"+48 600 100 200"_s);
    EXPECT_TRUE(findPage(u"Bperson 1"_s).texts[25].contains(u"Birthday: 1985-06-15"_s));
    EXPECT_EQ(findPage(u"Cperson 2"_s).texts[23], u"cat@work.example"_s);
    EXPECT_EQ(findPage(u"Cperson 2"_s).texts[12], u"p2@example.org"_s);
    EXPECT_EQ(findPage(u"Dperson 3"_s).tab, -1);
    EXPECT_EQ(findPage(u"Eperson 4"_s).tab, -1);
    EXPECT_EQ(findPage(u"Nora Nowak"_s).texts[9], u"+48 501 000 111"_s);

    // Book edits back to the phone, which keeps what the book has no field for.
    editPage(u"Aperson 0"_s, 8, u"22 333 44 55"_s);
    editPage(u"Bperson 1"_s, 11, u"0700 PAGE"_s);
    editPage(u"Nora Nowak"_s, 12, u"nora@example.pl"_s);
    deletePage(u"Fperson 5"_s);
    const SyncOutcome out = syncOk();
    EXPECT_EQ(out.report.sent, 3);
    EXPECT_EQ(out.report.deletedThere, 1);
    ASSERT_TRUE(phone.sync(output)) << output.toStdString();
    cards = phone.cards();
    EXPECT_EQ(cards.size(), 4);
    EXPECT_FALSE(cards.contains(u"Fperson 5"_s));
    const VCard ann = cards.value(u"Aperson 0"_s).second;
    EXPECT_EQ(texts(ann, u"TEL"), (QStringList{u"+48 600 100 200"_s, u"22 333 44 55"_s}));
    const VCard bob = cards.value(u"Bperson 1"_s).second;
    EXPECT_EQ(texts(bob, u"BDAY"), QStringList{u"1985-06-15"_s});
    ASSERT_NE(bob.first(u"PHOTO"), nullptr);
    EXPECT_EQ(QString(bob.first(u"PHOTO")->value).remove(u' '), QString::fromLatin1(Photo));
    EXPECT_TRUE(texts(bob, u"TEL").contains(u"0700 PAGE"_s));
    EXPECT_TRUE(texts(bob, u"NOTE").isEmpty()) << "the birthday is not copied into the note";
    const VCard cat = cards.value(u"Cperson 2"_s).second;
    EXPECT_EQ(texts(cat, u"EMAIL").size(), 2);
    const VCard nora = cards.value(u"Nora Nowak"_s).second;
    EXPECT_EQ(texts(nora, u"TEL"), QStringList{u"+48 501 000 111"_s});
    EXPECT_TRUE(texts(nora, u"EMAIL").contains(u"nora@example.pl"_s));
    EXPECT_EQ(nora.firstText(u"UID"), u"nora-phone"_s) << "the phone's own card";

    // Both sides agree: neither has anything more to send.
    EXPECT_FALSE(syncOk().report.changed());
}

// What can happen to a tab file between two syncs, and the words the stop must use.
struct TabDamage {
    const char* name;
    std::function<void(const QString& tabFile, const QString& scratch)> apply;
    const char* says;
};

void resizeFile(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.resize(size));
}

// Flips one byte of the Reserved field of page `page` of the file.
void setReservedByte(const QString& path, qint64 page, int index, char value) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek((page - 1) * RecordSize + specOf(Field::Reserved).offset + index));
    ASSERT_EQ(file.write(&value, 1), 1);
}

const TabDamage TabDamages[] = {
    {"cut inside a page", [](const QString& f, const QString&) { resizeFile(f, 5 * 1690 + 700); },
     "ends in part of a page: it is 9150 bytes, 5 whole pages and 700 bytes of page 6"},
    {"cut to 100 bytes", [](const QString& f, const QString&) { resizeFile(f, 100); },
     "ends in part of a page"},
    {"emptied", [](const QString& f, const QString&) { resizeFile(f, 0); },
     "it is empty, but the last sync saw pages in it"},
    {"missing", [](const QString& f, const QString&) { ASSERT_TRUE(QFile::remove(f)); },
     "is missing"},
    {"a link",
     [](const QString& f, const QString& scratch) {
         ASSERT_TRUE(QFile::rename(f, scratch + u"/elsewhere.raf"_s));
         ASSERT_TRUE(QFile::link(scratch + u"/elsewhere.raf"_s, f));
     },
     "is a link, not the tab file"},
    {"a folder",
     [](const QString& f, const QString&) {
         ASSERT_TRUE(QFile::remove(f));
         ASSERT_TRUE(QDir().mkdir(f));
     },
     "is a folder or a device"},
    {"an identity tag flipped",
     [](const QString& f, const QString&) { setReservedByte(f, 3, 0, 'J'); }, "Page 3 of tab M"},
};

// 20 pages, 12 of them under M, synced; then the tab file of M is damaged in each way in turn.
// Nothing changes on either side, the tool does not fill the gap, and the message names the file.
TEST_P(SyncScenario, ADamagedTabFileStopsTheSyncBeforeAnyChangeOnEitherSide) {
    QList<QByteArray> m;
    for (int i = 1; i <= 12; ++i)
        m << TempBook::record({{Field::Name, "Mira " + QByteArray::number(i)},
                               {Field::Phone1, "555 " + QByteArray::number(i)}});
    book.writeTab(12, m);
    for (int i = 0; i < 8; ++i)
        book.writeTab(1 + i, {TempBook::named(QByteArray(1, char('A' + i)) + "nne")});
    syncOk();
    ASSERT_EQ(serverCards().size(), 20);
    const QHash<QString, QByteArray> etags = serverEtags();
    const QString tabFile = book.folder().tabFilePath(12);
    const QByteArray whole = book.tabBytes(12);
    for (const TabDamage& damage : TabDamages) {
        SCOPED_TRACE(damage.name);
        QTemporaryDir scratch;
        damage.apply(tabFile, scratch.path());
        const QByteArray damaged = allTabs();

        MaintenanceReport completed; // as every command of the tool does when it takes the lock
        EXPECT_EQ(completeBook(book.folder(), completed), 0) << "a lost tab is not made afresh";
        for (const bool dryRun : {true, false}) {
            const SyncOutcome outcome = sync(dryRun);
            EXPECT_FALSE(outcome.ok);
            EXPECT_TRUE(outcome.error.contains(u"Orvel0C.raf"_s)) << outcome.error.toStdString();
            EXPECT_TRUE(outcome.error.contains(QLatin1StringView(damage.says)))
                << outcome.error.toStdString();
            EXPECT_TRUE(outcome.error.contains(u"check --repair"_s));
            EXPECT_EQ(outcome.report.deletedThere, 0);
        }
        EXPECT_EQ(serverEtags(), etags) << "no card deleted or written";
        EXPECT_EQ(allTabs(), damaged) << "no page written";

        // Mended for the next damage.
        QFile::remove(tabFile);
        QDir(tabFile).removeRecursively();
        writeBytes(tabFile, whole);
    }
    EXPECT_FALSE(syncOk().report.changed()) << "mended, the book syncs as before";

    // Repaired instead of mended, the pages the cut took come back from the server, whose
    // cards stay as they were.
    resizeFile(tabFile, 5 * 1690 + 700);
    const ToolRun repaired = orvelan::test::runCommand(book.folder(), {u"check"_s, u"--repair"_s});
    EXPECT_TRUE(repaired.out.contains(u"brings 7 lost page(s) back"_s))
        << repaired.out.toStdString();
    const SyncOutcome after = syncOk();
    EXPECT_EQ(after.report.deletedThere, 0);
    EXPECT_EQ(serverEtags(), etags);
    EXPECT_EQ(book.pageCount(12), 12);
}

// A page whose encoding mark was flipped reads as mojibake ("Иванов" as "Ð˜Ð²Ð°Ð½"); the sync
// stops instead of sending it over the good card.
TEST_P(SyncScenario, APageWhoseEncodingMarkFlippedStopsTheSyncInsteadOfSendingMojibake) {
    const LocalBook::Placed placed = addPage({{0, u"Иванов Иван"_s}, {7, u"555 1"_s}});
    syncOk();
    const QHash<QString, QByteArray> cards = serverCards();
    setReservedByte(book.folder().tabFilePath(placed.tab), placed.page, 1, 'W');

    const SyncOutcome outcome = sync();
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.contains(u"Page %1 of tab I J"_s.arg(placed.page)))
        << outcome.error.toStdString();
    // Stored in SCSU (or UTF-8 by an earlier version), read as Windows-1252 it would be mojibake.
    EXPECT_TRUE(outcome.error.contains(u"does not decode"_s) &&
                outcome.error.contains(u"in a page marked Windows-1252"_s))
        << outcome.error.toStdString();
    EXPECT_EQ(serverCards(), cards);
}

// Many deletions at once stop the sync before it changes anything, on either side, until the
// user allows them; a dry run shows the same count.
TEST_P(SyncScenario, ASyncThatWouldDeleteManyStopsSaysHowManyAndGoesOnOnlyWhenAllowed) {
    addPages(24);
    syncOk();
    for (int i = 0; i < 12; ++i)
        deletePage(u"%1person %2"_s.arg(QChar(u'A' + i)).arg(i));
    const QHash<QString, QByteArray> etags = serverEtags();

    const SyncOutcome dry = sync(true);
    ASSERT_TRUE(dry.ok) << dry.error.toStdString();
    EXPECT_EQ(dry.report.deletedThere, 12);
    EXPECT_EQ(heldDeletionsText(dry.report),
              u"The sync would delete 12 of the 24 cards on the server, more than "
              "10 and more than a quarter."_s);
    const SyncOutcome held = sync();
    EXPECT_FALSE(held.ok);
    EXPECT_TRUE(held.error.contains(u"12 of the 24 cards on the server"_s))
        << held.error.toStdString();
    EXPECT_TRUE(held.error.contains(u"stopped before changing anything"_s));
    EXPECT_EQ(serverEtags(), etags);

    SyncOutcome allowed = runSync(book.folder(), clock, {account, Password, false, 10000, true});
    ASSERT_TRUE(allowed.ok) << allowed.error.toStdString();
    EXPECT_EQ(allowed.report.deletedThere, 12);
    EXPECT_EQ(serverCards().size(), 12);

    // The phone deletes 11 of the 12 cards left.
    int deleted = 0;
    for (const QString& href : serverCards().keys()) {
        if (deleted < 11 && serverWrite("DELETE", href))
            ++deleted;
    }
    const SyncOutcome phoneHeld = sync();
    EXPECT_FALSE(phoneHeld.ok);
    EXPECT_TRUE(phoneHeld.error.contains(u"11 of the 12 pages here"_s))
        << phoneHeld.error.toStdString();
    EXPECT_EQ(namedPages(), 12);
}

// Every page that leaves the book, and every card a sync deletes, is kept in the trash;
// restored, a page syncs back as a card with what the server's card held, photo included.
TEST_P(SyncScenario, TheTrashKeepsWhatLeavesEitherSideAndRestoresTheWholeCard) {
    addPages(2);
    syncOk();
    const QString pia = bookUrl().path() + u"phone-card.vcf"_s;
    ASSERT_TRUE(serverWrite("PUT", pia, PiaCard));
    syncOk();

    // Delete in the window; the phone deletes another card.
    const Found found = findPage(u"Pia Photo"_s);
    PageStore store(book.folder(), clock);
    store.setCurrentTab(found.tab);
    store.selectTabFile();
    ASSERT_TRUE(store.deletePage(found.page));
    clock.advance(60);
    ASSERT_TRUE(serverWrite("DELETE", hrefOfCardWith("FN:Bperson 1")));
    const SyncOutcome synced = syncOk();
    EXPECT_EQ(synced.report.deletedThere, 1);
    EXPECT_EQ(synced.report.deletedHere, 1);
    EXPECT_FALSE(serverCards().contains(pia));

    const ToolRun listed = tool({u"trash"_s}, true);
    const QJsonArray entries = listed.json().toArray();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0][u"name"_s].toString(), u"Bperson 1"_s) << "newest first";
    EXPECT_EQ(entries[0][u"why"_s].toString(), u"Deleted on the server"_s);
    EXPECT_EQ(entries[1][u"name"_s].toString(), u"Pia Photo"_s);
    EXPECT_EQ(entries[1][u"why"_s].toString(), u"Deleted"_s);
    EXPECT_TRUE(entries[1][u"card"_s].toBool()) << "the card the sync deleted";

    const ToolRun restored =
        tool({u"trash"_s, u"restore"_s, QString::number(entries[0][u"number"_s].toInt()),
              QString::number(entries[1][u"number"_s].toInt())});
    EXPECT_TRUE(restored.out.contains(u"Pia Photo to tab P, page"_s)) << restored.out.toStdString();
    EXPECT_EQ(findPage(u"Bperson 1"_s).texts[7], u"555 1"_s);

    const SyncOutcome back = syncOk();
    EXPECT_EQ(back.report.sent, 2) << "each goes back as a new card";
    const QByteArray card = serverCards().value(hrefOfCardWith("FN:Pia Photo"));
    EXPECT_TRUE(card.contains(Photo)) << card.toStdString();
    EXPECT_TRUE(card.contains("BDAY:1990-04-01")) << card.toStdString();
    EXPECT_EQ(serverCards().size(), 3);
    EXPECT_FALSE(syncOk().report.changed());
    EXPECT_TRUE(tool({u"trash"_s}).out.contains(u"empty"_s));
}

// The phone deletes a card while the page is edited here; the sync that sends the page back as
// a new card stops before it saves its state (as a kill would). The next sync finds that card:
// one page, one card, and later edits go out.
TEST_P(SyncScenario, ASyncStoppedBeforeSavingARecreatedCardLeavesNoDuplicate) {
    syncOk();
    const QString phoneCard = bookUrl().path() + u"phone-ann.vcf"_s;
    ASSERT_TRUE(serverWrite("PUT", phoneCard, vcard("pa", "FN:Anna Phone\r\nTEL:111\r\n")));
    syncOk();
    editPage(u"Anna Phone"_s, 7, u"222"_s);
    ASSERT_TRUE(serverWrite("DELETE", phoneCard));

    // The state cannot be written once the card is sent: a folder stands in its place.
    const QString statePath = syncStatePath(book.folder());
    const QByteArray savedState = readBytes(statePath);
    InterruptingTransport& transport = between();
    transport.after = [&](const HttpRequest& request, HttpResponse&) {
        if (request.method == "PUT" && QFile::remove(statePath))
            QDir().mkpath(statePath + u"/blocked"_s);
    };
    QString error;
    syncBetween(&error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.contains(u"Cannot write the sync state"_s)) << error.toStdString();
    ASSERT_TRUE(QDir(statePath).removeRecursively());
    writeBytes(statePath, savedState);
    ASSERT_EQ(serverCards().size(), 1) << "the page went back as a new card";

    const SyncOutcome again = syncOk();
    EXPECT_EQ(again.report.received, 0) << "its own card is no new card from the phone";
    EXPECT_EQ(namedPages(), 1);
    EXPECT_EQ(serverCards().size(), 1);
    EXPECT_FALSE(syncOk().report.changed());

    editPage(u"Anna Phone"_s, 7, u"333"_s);
    const SyncOutcome edited = syncOk();
    EXPECT_EQ(edited.report.sent, 1);
    EXPECT_TRUE(edited.report.changes.filter(u"could not be read"_s).isEmpty())
        << edited.report.changes.join(u'\n').toStdString();
    EXPECT_TRUE(serverCards().begin().value().contains("333"));
}

// A first sync keeps its progress as it goes, with or without a progress bar: the account as
// soon as the address book is found, the state every hundred steps.
TEST_P(SyncScenario, AFirstSyncKeepsTheAccountAtOnceAndItsStatePartWay) {
    addPages(130);
    bool accountKept = false;
    const SyncOutcome first =
        runSync(book.folder(), clock, {account, Password, false, 10000}, [&](int done, int) {
            if (done == 1) {
                SyncAccount stored;
                QString error;
                accountKept = SyncAccount::load(book.folder(), stored, error) &&
                              !stored.addressBookUrl.isEmpty();
            }
        });
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_TRUE(accountKept) << "kept before the first card went out";
    account = first.account;

    // Without a progress bar, a sync killed after 110 cards (the exception ends it as a kill
    // would: nothing after it runs) has kept 100 of them.
    TempBook other;
    QList<QByteArray> pages;
    for (int i = 0; i < 130; ++i)
        pages << TempBook::named("Other " + QByteArray::number(i));
    other.writeTab(15, pages);
    InterruptingTransport& transport = between();
    int puts = 0;
    struct Killed {};
    transport.after = [&](const HttpRequest& request, HttpResponse&) {
        if (request.method == "PUT" && ++puts > 110)
            throw Killed{};
    };
    QString error;
    EXPECT_THROW(syncBetween(&error, &other), Killed);
    SyncState state;
    ASSERT_TRUE(SyncState::load(syncStatePath(other.folder()), state, error));
    EXPECT_GE(state.cards().size(), 100);
}

// Merging duplicates in a synced book: the kept page goes out as one updated card, the others'
// cards are deleted through the sync's own rules and kept in the trash (photo and all), and a
// restored page goes back as a new card.
TEST_P(SyncScenario, AMergeUpdatesOneCardDeletesTheOthersAndTheTrashKeepsTheirCards) {
    const auto json = [&](const QStringList& args) { return tool(args, true).json(); };
    json({u"add"_s, u"Name=Ivanov, Ivan"_s, u"Phone1=+7 495 123-45-67"_s});
    json({u"add"_s, u"Name=IVAN IVANOV"_s, u"Email=ivan@example.com"_s});
    syncOk();
    // The phone holds the same person in Cyrillic, with a photo.
    const QString phoneCard = bookUrl().path() + u"phone-ivan.vcf"_s;
    ASSERT_TRUE(serverWrite("PUT", phoneCard,
                            vcard("phone-ivan", "FN:Иванов Иван\r\nN:Иванов;Иван;;;\r\n"
                                                "TEL;TYPE=CELL:8 (495) 123 45 67\r\n"
                                                "PHOTO;ENCODING=b;TYPE=JPEG:" +
                                                    Photo + "\r\n")));
    EXPECT_EQ(syncOk().report.received, 1);
    ASSERT_EQ(serverCards().size(), 3);

    const QJsonArray groups = json({u"duplicates"_s})[u"groups"_s].toArray();
    ASSERT_EQ(groups.size(), 1);
    QStringList merge{u"merge"_s};
    for (const QJsonValue& page : groups[0][u"pages"_s].toArray())
        merge << QString::number(page[u"tab"_s].toInt())
              << QString::number(page[u"page"_s].toInt());
    ASSERT_EQ(merge.size(), 7);
    json(merge);

    const SyncReport merged = syncOk().report;
    EXPECT_EQ(merged.sent, 1) << "one updated card";
    EXPECT_EQ(merged.deletedThere, 2);
    const QHash<QString, QByteArray> left = serverCards();
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left.begin().value().contains("ivan@example.com")) << left.begin()->data();

    Trash trash(book.folder());
    QString error;
    ASSERT_TRUE(trash.load(error)) << error.toStdString();
    ASSERT_EQ(trash.entries().size(), 3);
    int withCard = 0;
    int phoneEntry = 0;
    for (const TrashEntry& entry : trash.entries()) {
        withCard += entry.card.isEmpty() ? 0 : 1;
        if (entry.card.contains(Photo))
            phoneEntry = entry.number;
    }
    EXPECT_EQ(withCard, 2) << "the two deleted cards, as the server had them";
    ASSERT_NE(phoneEntry, 0) << "the phone's card keeps its photo in the trash";

    json({u"trash"_s, u"restore"_s, QString::number(phoneEntry)});
    EXPECT_EQ(syncOk().report.sent, 1);
    const QHash<QString, QByteArray> after = serverCards();
    ASSERT_EQ(after.size(), 2);
    EXPECT_FALSE(after.contains(phoneCard)) << "a new card";
    int photos = 0;
    for (const QByteArray& card : after)
        photos += card.contains(Photo) ? 1 : 0;
    EXPECT_EQ(photos, 1);
}

// The CardDAV client finds address books from their own URL and from the user's principal
// (from the server's address, and by name: every first sync).
TEST_P(SyncScenario, FindsTheUsersAddressBooksFromTheirOwnUrlAndThePrincipal) {
    DavClient client(http());
    const QUrl book = makeAddressBook(u"Friends"_s);
    QList<DavClient::AddressBook> books;
    QUrl home;
    DavError error;
    ASSERT_TRUE(client.discover(book, books, home, error)) << "the address book's own URL";
    ASSERT_EQ(books.size(), 1);
    EXPECT_EQ(books.first().url, book);

    QUrl principal = server->baseUrl();
    principal.setPath(hasLogins() ? u'/' + user + u'/' : u"/user/"_s);
    ASSERT_TRUE(client.discover(principal, books, home, error)) << "the user's principal";
    EXPECT_FALSE(books.isEmpty());
}

// A card whose path holds a space travels encoded, and one that is not there comes back empty.
// (Listings since a token are every later sync's; writes under their preconditions the digest
// server's test.)
TEST_P(SyncScenario, FetchesCardsWhosePathsHoldSpacesAndGivesAMissingCardBackEmpty) {
    DavClient client(http());
    const QUrl book = makeAddressBook(u"work"_s);
    const QString path = book.path();
    DavClient::Write outcome;
    QByteArray etag;
    DavError error;
    ASSERT_TRUE(client.putCard(book, path + u"b c.vcf"_s, vcard("bc", "FN:Bea\r\n"), {}, outcome,
                               etag, error))
        << error.message.toStdString();
    DavClient::Listing listing;
    ASSERT_TRUE(client.listCards(book, listing, error));
    EXPECT_EQ(listing.etags.keys(), QStringList{path + u"b c.vcf"_s});

    QList<DavClient::Card> cards;
    ASSERT_TRUE(client.fetchCards(book, {path + u"b c.vcf"_s, path + u"a.vcf"_s}, cards, error));
    ASSERT_EQ(cards.size(), 2);
    for (const DavClient::Card& fetched : std::as_const(cards)) {
        if (fetched.href.endsWith(u"b c.vcf"_s))
            EXPECT_TRUE(fetched.data.contains("FN:Bea"));
        else
            EXPECT_TRUE(fetched.data.isEmpty()) << "a card that is not there comes back empty";
    }
}

} // namespace
