#include "cli/CliCommand.h"
#include "exchange/eab/EabContainer.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/Trash.h"
#include "support/FaultInjection.h"
#include "support/HostileTexts.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::cli;
using orvelan::test::TempBook;
using orvelan::test::WindowLockHolder;

namespace {

using CommandRun = orvelan::test::ToolRun;

CommandRun run(const TempBook& book, const QStringList& args, bool json = false) {
    return orvelan::test::runCommand(book.folder(), args, json);
}

QByteArray wholeBook(const TempBook& book) {
    QByteArray all;
    for (int tab = 0; tab < 26; ++tab)
        all += book.tabBytes(tab);
    return all;
}

} // namespace

TEST(Cli, AddFilesByNameAndShowsEveryField) {
    TempBook book;
    CommandRun added = run(book,
                           {QStringLiteral("add"), QStringLiteral("Name=jo Bloggs"),
                            QStringLiteral("Phone1=0123 456"), QStringLiteral("Notes=a\nb")},
                           true);
    ASSERT_EQ(added.status, 0) << added.err.toStdString();
    EXPECT_EQ(added.json()[QStringLiteral("tab")].toInt(), 9);
    EXPECT_EQ(added.json()[QStringLiteral("result")].toString(), QStringLiteral("Entered"));
    EXPECT_EQ(book.page(9, 1)[Field::Notes], "a\r\nb");

    CommandRun shown =
        run(book, {QStringLiteral("show"), QStringLiteral("J"), QStringLiteral("1")}, true);
    ASSERT_EQ(shown.status, 0);
    const QJsonObject page = shown.json().toObject();
    EXPECT_EQ(page[QStringLiteral("Name")].toString(), QStringLiteral("jo Bloggs"));
    EXPECT_EQ(page[QStringLiteral("Notes")].toString(), QStringLiteral("a\nb"));
    EXPECT_TRUE(page.contains(QStringLiteral("DateModified")));
    EXPECT_EQ(page[QStringLiteral("label")].toString(), QStringLiteral("I J"));

    CommandRun second = run(book, {QStringLiteral("add"), QStringLiteral("Name=Jim")});
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.out.startsWith(QStringLiteral("Created: tab I J, page 2")));
}

// add and set remove control and direction characters from every field, as typing does, and so
// does the import of an exchange file whose page holds them.
class CliHiddenCharacters : public testing::TestWithParam<orvelan::test::HostileText> {};

TEST_P(CliHiddenCharacters, AreRemovedByAddSetAndExchangeFileImport) {
    const auto& row = GetParam();
    const QString assignment =
        QLatin1StringView(specOf(viewField(row.viewIndex)).name) + u'=' + row.givenText();
    TempBook book;
    ASSERT_EQ(run(book, {QStringLiteral("add"), QStringLiteral("Name=Ann"), assignment}).status, 0);
    ASSERT_EQ(run(book, {QStringLiteral("add"), QStringLiteral("Name=Amy")}).status, 0);
    ASSERT_EQ(
        run(book, {QStringLiteral("set"), QStringLiteral("A"), QStringLiteral("2"), assignment})
            .status,
        0);
    PageTexts texts;
    texts[0] = QStringLiteral("Abe");
    texts[row.viewIndex] = row.givenText();
    PageRecord stored;
    fillRecord(stored, texts);
    EabSegmentList segments;
    segments[0] = stored.toStored();
    const QString eab = book.root() + QStringLiteral("/hostile.eab");
    QFile file(eab);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(buildEab(segments));
    file.close();
    ASSERT_EQ(run(book, {QStringLiteral("import"), eab}).status, 0);
    for (const qint64 page : {1, 2, 3})
        EXPECT_EQ(textsOf(book.page(1, page))[row.viewIndex], row.keptText()) << page;
    EXPECT_EQ(textsOf(book.page(1, 3))[0], QStringLiteral("Abe"));
}

INSTANTIATE_TEST_SUITE_P(Given, CliHiddenCharacters,
                         testing::ValuesIn(orvelan::test::HostileTexts));

TEST(Cli, ListsTabsAndPages) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann"), blankRecord(), TempBook::named("Amy")});
    CommandRun tabs = run(book, {QStringLiteral("tabs")}, true);
    ASSERT_EQ(tabs.status, 0);
    const QJsonArray rows = tabs.json().toArray();
    ASSERT_EQ(rows.size(), 26);
    EXPECT_EQ(rows[1][QStringLiteral("pages")].toInt(), 3);
    EXPECT_EQ(rows[1][QStringLiteral("blankPages")].toInt(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("label")].toString(), QStringLiteral("*0"));

    CommandRun list = run(book, {QStringLiteral("list"), QStringLiteral("a")});
    ASSERT_EQ(list.status, 0);
    const QStringList lines = list.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("(blank)")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("Amy")));
}

TEST(Cli, SetDeleteAndCompactChangeOnlyWhatTheySay) {
    TempBook book;
    book.writeTab(2, {TempBook::named("Bea"), TempBook::named("Bo")});
    ASSERT_EQ(run(book, {QStringLiteral("set"), QStringLiteral("B"), QStringLiteral("2"),
                         QStringLiteral("Email=bo@example.com")})
                  .status,
              0);
    EXPECT_EQ(book.page(2, 2)[Field::Email], "bo@example.com");
    EXPECT_EQ(book.page(2, 2)[Field::Name], "Bo");
    EXPECT_EQ(book.page(2, 2)[Field::PageNo], "2");

    ASSERT_EQ(
        run(book, {QStringLiteral("delete"), QStringLiteral("2"), QStringLiteral("1")}).status, 0);
    EXPECT_TRUE(book.page(2, 1).isBlank());
    CommandRun compact = run(book, {QStringLiteral("compact")}, true);
    ASSERT_EQ(compact.status, 0);
    EXPECT_EQ(book.pageCount(2), 1);
    EXPECT_EQ(book.page(2, 1)[Field::Name], "Bo");
}

TEST(Cli, BadArgumentsChangeNothing) {
    TempBook book;
    book.writeTab(3, {TempBook::named("Cy")});
    const QByteArray before = wholeBook(book);
    const QList<QStringList> bad = {
        {QStringLiteral("show"), QStringLiteral("27"), QStringLiteral("1")},
        {QStringLiteral("show"), QStringLiteral("C"), QStringLiteral("2")},
        {QStringLiteral("show"), QStringLiteral("C"), QStringLiteral("zero")},
        {QStringLiteral("add"), QStringLiteral("Name=\u0301st")},
        {QStringLiteral("add"), QStringLiteral("Phone1=1")},
        {QStringLiteral("add"), QStringLiteral("Name=") + QString(33, u'x')},
        {QStringLiteral("add"), QStringLiteral("Name=\u9648") + QString(30, u'x')},
        {QStringLiteral("add"), QStringLiteral("Name=Cy"), QStringLiteral("Colour=red")},
        {QStringLiteral("add"), QStringLiteral("Name=Cy"), QStringLiteral("PageNo=4")},
        {QStringLiteral("set"), QStringLiteral("C"), QStringLiteral("1"),
         QStringLiteral("Name=Dee")},
        {QStringLiteral("set"), QStringLiteral("C"), QStringLiteral("9"), QStringLiteral("Fax=1")},
        {QStringLiteral("delete"), QStringLiteral("C"), QStringLiteral("5")},
        {QStringLiteral("reset")},
        {QStringLiteral("settings"), QStringLiteral("Colour=1")},
        {QStringLiteral("settings"), QStringLiteral("SerialPort=12")},
    };
    for (const QStringList& args : bad) {
        const CommandRun result = run(book, args);
        EXPECT_NE(result.status, 0) << args.join(u' ').toStdString();
        EXPECT_FALSE(result.err.isEmpty()) << args.join(u' ').toStdString();
        EXPECT_FALSE(result.err.contains(u'\n')) << "one line: " << result.err.toStdString();
    }
    EXPECT_EQ(wholeBook(book), before);
    EXPECT_FALSE(QFile::exists(book.folder().settingsPath()));
}

TEST(Cli, RefusesToChangeABookThatIsOpen) {
    TempBook book;
    const WindowLockHolder program(book.folder().lockPath());
    ASSERT_TRUE(program.held());
    const QByteArray before = wholeBook(book);
    const CommandRun result = run(book, {QStringLiteral("add"), QStringLiteral("Name=Eve")});
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.err, u"The address book window has this book open; finish it first.");
    EXPECT_EQ(wholeBook(book), before);
    EXPECT_EQ(run(book, {QStringLiteral("list")}).status, 0) << "reading is still allowed";
}

TEST(Cli, ReadingANewFolderCreatesNothing) {
    TempBook book(false);
    const CommandRun tabs = run(book, {QStringLiteral("tabs")}, true);
    ASSERT_EQ(tabs.status, 0) << tabs.err.toStdString();
    EXPECT_EQ(tabs.json().toArray().size(), 26);
    EXPECT_EQ(tabs.json().toArray()[1][QStringLiteral("pages")].toInt(), 0);
    EXPECT_EQ(run(book, {QStringLiteral("list")}).status, 0);
    EXPECT_FALSE(QDir(book.folder().dataBookDir()).exists());
}

TEST(Cli, SettingsShowAndChange) {
    TempBook book;
    ASSERT_EQ(run(book, {QStringLiteral("settings"), QStringLiteral("dialmethod=3"),
                         QStringLiteral("SearchNotes=1")})
                  .status,
              0);
    const QJsonObject settings = run(book, {QStringLiteral("settings")}, true).json().toObject();
    EXPECT_EQ(settings[QStringLiteral("DialMethod")].toString(), QStringLiteral("3"));
    EXPECT_EQ(settings[QStringLiteral("SearchNotes")].toString(), QStringLiteral("1"));
    EXPECT_EQ(settings[QStringLiteral("SerialPort")].toString(), QStringLiteral("1"));
}

// A cut tab never passes for a shorter one; check names it, exits 1, and its repair sets the
// part aside without deleting a page.
TEST(Cli, ACutTabIsToldByTabsListAndCheckAndRepairSetsThePartAside) {
    TempBook book;
    QList<QByteArray> m;
    for (int i = 1; i <= 12; ++i)
        m << TempBook::named("Mira " + QByteArray::number(i));
    m[2].replace(specOf(Field::Reserved).offset, ReservedWidth,
                 QByteArray("UTF-9\0\0\0", ReservedWidth)); // a damaged mark
    book.writeTab(12, m);
    QFile tab(book.folder().tabFilePath(12));
    ASSERT_TRUE(tab.resize(5 * RecordSize + 700));

    struct Case {
        QStringList args;
        bool json;
        int status;
        const char* out; // text the output holds
        const char* err;
    };
    const Case cases[] = {
        {{QStringLiteral("tabs")},
         false,
         4, // the status of a damaged book
         "5 pages, 0 blank, and 700 bytes of a damaged page",
         "Orvel0C.raf ends in 700 bytes of a damaged page"},
        {{QStringLiteral("list"), QStringLiteral("M")},
         false,
         4,
         "(damaged: see 'orvelan-book check')",
         "run 'orvelan-book check'"},
        {{QStringLiteral("check")},
         false,
         1,
         "ends in part of a page: it is 9150 bytes, 5 whole pages and 700 bytes of page 6",
         ""},
        {{QStringLiteral("check")}, true, 1, "\"kind\": \"partialRecord\"", ""},
        {{QStringLiteral("check"), QStringLiteral("--repair")}, false, 1, "Repaired: ", ""},
        {{QStringLiteral("check")}, false, 0, "no problems", ""},
        {{QStringLiteral("check"), QStringLiteral("--fix")}, false, -1, "", ""},
    };
    for (const Case& c : cases) {
        const CommandRun result = run(book, c.args, c.json);
        const std::string what = c.args.join(u' ').toStdString();
        if (c.status < 0) {
            EXPECT_NE(result.status, 0) << what;
            continue;
        }
        EXPECT_EQ(result.status, c.status) << what << result.err.toStdString();
        EXPECT_TRUE(result.out.contains(QLatin1StringView(c.out)))
            << what << ": " << result.out.toStdString();
        EXPECT_TRUE(result.err.contains(QLatin1StringView(c.err)))
            << what << ": " << result.err.toStdString();
    }
    EXPECT_EQ(book.pageCount(12), 5);
    QFile aside(book.folder().reserveDir() + QStringLiteral("/damaged/Orvel0C.raf.at-8450"));
    EXPECT_EQ(aside.size(), 700);
}

// A command that changes the book first lets the trash forget what is older than 30 days;
// 'trash empty --older-than' removes what is older than it is told.
TEST(Cli, TheTrashListsNewestFirstForgetsAfterThirtyDaysAndEmpties) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann"), TempBook::named("Abe")});
    Trash trash(book.folder());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const int days : {31, 20}) {
        TrashEntry entry;
        entry.name = QStringLiteral("%1 days").arg(days);
        entry.deletedAt = now.addDays(-days);
        entry.record = TempBook::named("x");
        trash.add(entry);
    }
    ASSERT_EQ(trash.save(), 0);
    ASSERT_EQ(
        run(book, {QStringLiteral("delete"), QStringLiteral("A"), QStringLiteral("2")}).status, 0);
    const CommandRun listed = run(book, {QStringLiteral("trash")}, true);
    QStringList names;
    for (const QJsonValue& entry : listed.json().toArray())
        names << entry[QStringLiteral("name")].toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Abe"), QStringLiteral("20 days")}));
    EXPECT_TRUE(run(book, {QStringLiteral("trash")})
                    .out.contains(QStringLiteral("Deleted, from tab A, page 2")));

    const CommandRun emptied = run(book, {QStringLiteral("trash"), QStringLiteral("empty"),
                                          QStringLiteral("--older-than"), QStringLiteral("10")});
    EXPECT_EQ(emptied.out, QStringLiteral("Removed 1 entry from the trash; 1 left.\n"));
    EXPECT_EQ(run(book, {QStringLiteral("trash"), QStringLiteral("restore"), QStringLiteral("9")})
                  .err.trimmed(),
              QStringLiteral("The trash holds no entry 9; nothing was restored."));
    EXPECT_EQ(run(book, {QStringLiteral("trash"), QStringLiteral("empty")}).out,
              QStringLiteral("Removed 1 entry from the trash; 0 left.\n"));
}
