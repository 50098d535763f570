#include "cli/CliCommand.h"
#include "exchange/eab/EabContainer.h"
#include "store/PageIdentity.h"
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
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;
using orvelan::test::WindowLockHolder;
using orvelan::test::writeBytes;

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
    CommandRun added =
        run(book, {u"add"_s, u"Name=jo Bloggs"_s, u"Phone1=0123 456"_s, u"Notes=a\nb"_s}, true);
    ASSERT_EQ(added.status, 0) << added.err.toStdString();
    EXPECT_EQ(added.json()[u"tab"_s].toInt(), 9);
    EXPECT_EQ(added.json()[u"result"_s].toString(), u"Entered"_s);
    EXPECT_EQ(book.page(9, 1)[Field::Notes], "a\r\nb");

    CommandRun shown = run(book, {u"show"_s, u"J"_s, u"1"_s}, true);
    ASSERT_EQ(shown.status, 0);
    const QJsonObject page = shown.json().toObject();
    EXPECT_EQ(page[u"Name"_s].toString(), u"jo Bloggs"_s);
    EXPECT_EQ(page[u"Notes"_s].toString(), u"a\nb"_s);
    EXPECT_EQ(page[u"label"_s].toString(), u"I J"_s);

    CommandRun second = run(book, {u"add"_s, u"Name=Jim"_s});
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.out.startsWith(u"Created: tab I J, page 2"_s));
}

// add and set remove control and direction characters from every field, as typing does, and so
// does the import of an exchange file whose page holds them.
class CliHiddenCharacters : public testing::TestWithParam<orvelan::test::HostileText> {};

TEST_P(CliHiddenCharacters, AreRemovedByAddSetAndExchangeFileImport) {
    const auto& row = GetParam();
    const QString assignment =
        QLatin1StringView(specOf(viewField(row.viewIndex)).name) + u'=' + row.givenText();
    TempBook book;
    ASSERT_EQ(run(book, {u"add"_s, u"Name=Ann"_s, assignment}).status, 0);
    ASSERT_EQ(run(book, {u"add"_s, u"Name=Amy"_s}).status, 0);
    ASSERT_EQ(run(book, {u"set"_s, u"A"_s, u"2"_s, assignment}).status, 0);
    PageTexts texts;
    texts[0] = u"Abe"_s;
    texts[row.viewIndex] = row.givenText();
    PageRecord stored;
    fillRecord(stored, texts);
    EabSegmentList segments;
    segments[0] = stored.toStored();
    // A synchronised page keeps its identity, whatever encoding cleaning leaves it in.
    const PageId id = PageId::derivedFrom("Abe");
    setPageId(segments[0], id);
    const QString eab = writeBytes(book.root() + u"/hostile.eab"_s, buildEab(segments));
    ASSERT_EQ(run(book, {u"import"_s, eab}).status, 0);
    for (const qint64 page : {1, 2, 3})
        EXPECT_EQ(textsOf(book.page(1, page))[row.viewIndex], row.keptText()) << page;
    EXPECT_EQ(textsOf(book.page(1, 3))[0], u"Abe"_s);
    EXPECT_EQ(pageIdOfReserved(book.page(1, 3)[Field::Reserved]), id);
}

// A hidden character is not taken out of an exchange file's page at the cost of its text: a
// full Notes whose lone line breaks would need more room on disk keeps every byte.
TEST(CliHiddenCharacters, NeverCutTheTextTheyStandIn) {
    TempBook book;
    PageTexts texts;
    texts[0] = u"Abe"_s;
    PageRecord stored;
    fillRecord(stored, texts);
    const int width = specOf(Field::Notes).width;
    QByteArray notes(width, 'n');
    for (int at = 10; at < width; at += 80)
        notes[at] = '\n';
    stored[Field::Notes] = notes;
    EabSegmentList segments;
    segments[0] = stored.toStored();
    const QString eab = writeBytes(book.root() + u"/full.eab"_s, buildEab(segments));
    ASSERT_EQ(run(book, {u"import"_s, eab}).status, 0);
    EXPECT_EQ(book.page(1, book.pageCount(1))[Field::Notes], notes);
}

INSTANTIATE_TEST_SUITE_P(Given, CliHiddenCharacters,
                         testing::ValuesIn(orvelan::test::HostileTexts));

TEST(Cli, SetDeleteAndCompactChangeOnlyWhatTheySay) {
    TempBook book;
    book.writeTab(2, {TempBook::named("Bea"), TempBook::named("Bo")});
    ASSERT_EQ(run(book, {u"set"_s, u"B"_s, u"2"_s, u"Email=bo@example.com"_s}).status, 0);
    EXPECT_EQ(book.page(2, 2)[Field::Email], "bo@example.com");
    EXPECT_EQ(book.page(2, 2)[Field::Name], "Bo");
    EXPECT_EQ(book.page(2, 2)[Field::PageNo], "2");

    ASSERT_EQ(run(book, {u"delete"_s, u"2"_s, u"1"_s}).status, 0);
    EXPECT_TRUE(book.page(2, 1).isBlank());
    CommandRun compact = run(book, {u"compact"_s}, true);
    ASSERT_EQ(compact.status, 0);
    EXPECT_EQ(book.pageCount(2), 1);
    EXPECT_EQ(book.page(2, 1)[Field::Name], "Bo");
}

TEST(Cli, BadArgumentsChangeNothing) {
    TempBook book;
    book.writeTab(3, {TempBook::named("Cy")});
    const QByteArray before = wholeBook(book);
    const QList<QStringList> bad = {
        {u"show"_s, u"27"_s, u"1"_s},
        {u"show"_s, u"C"_s, u"2"_s},
        {u"show"_s, u"C"_s, u"zero"_s},
        {u"add"_s, u"Name=\u0301st"_s},
        {u"add"_s, u"Phone1=1"_s},
        {u"add"_s, u"Name="_s + QString(33, u'x')},
        {u"add"_s, u"Name=\u9648"_s + QString(30, u'x')},
        {u"add"_s, u"Name=Cy"_s, u"Colour=red"_s},
        {u"add"_s, u"Name=Cy"_s, u"PageNo=4"_s},
        {u"set"_s, u"C"_s, u"1"_s, u"Name=Dee"_s},
        {u"set"_s, u"C"_s, u"9"_s, u"Fax=1"_s},
        {u"delete"_s, u"C"_s, u"5"_s},
        {u"reset"_s},
        {u"settings"_s, u"Colour=1"_s},
        {u"settings"_s, u"SerialPort=12"_s},
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
    const CommandRun result = run(book, {u"add"_s, u"Name=Eve"_s});
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.err, u"The address book window has this book open; finish it first.");
    EXPECT_EQ(wholeBook(book), before);
    EXPECT_EQ(run(book, {u"list"_s}).status, 0) << "reading is still allowed";
}

TEST(Cli, ReadingANewFolderCreatesNothing) {
    TempBook book(false);
    const CommandRun tabs = run(book, {u"tabs"_s}, true);
    ASSERT_EQ(tabs.status, 0) << tabs.err.toStdString();
    EXPECT_EQ(tabs.json().toArray()[1][u"pages"_s].toInt(), 0);
    EXPECT_EQ(run(book, {u"list"_s}).status, 0);
    EXPECT_FALSE(QDir(book.folder().dataBookDir()).exists());
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
        {{u"tabs"_s},
         false,
         4, // the status of a damaged book
         "5 pages, 0 blank, and 700 bytes of a damaged page",
         "Orvel0C.raf ends in 700 bytes of a damaged page"},
        {{u"list"_s, u"M"_s},
         false,
         4,
         "(damaged: see 'orvelan-book check')",
         "run 'orvelan-book check'"},
        {{u"check"_s},
         false,
         1,
         "ends in part of a page: it is 9150 bytes, 5 whole pages and 700 bytes of page 6",
         ""},
        {{u"check"_s}, true, 1, "\"kind\": \"partialRecord\"", ""},
        {{u"check"_s, u"--repair"_s}, false, 1, "Repaired: ", ""},
        {{u"check"_s}, false, 0, "no problems", ""},
        {{u"check"_s, u"--fix"_s}, false, -1, "", ""},
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
    QFile aside(book.folder().reserveDir() + u"/damaged/Orvel0C.raf.at-8450"_s);
    EXPECT_EQ(aside.size(), 700);
}

// A command that changes the book first lets the trash forget what is older than 30 days;
// 'trash empty --older-than' removes what is older than it is told.
TEST(Cli, TheTrashListsNewestFirstForgetsAfterThirtyDaysAndEmpties) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann"), TempBook::named("Abe")});
    book.writeTrash(QDateTime::currentDateTimeUtc(), {31, 20});
    ASSERT_EQ(run(book, {u"delete"_s, u"A"_s, u"2"_s}).status, 0);
    const CommandRun listed = run(book, {u"trash"_s}, true);
    QStringList names;
    for (const QJsonValue& entry : listed.json().toArray())
        names << entry[u"name"_s].toString();
    EXPECT_EQ(names, (QStringList{u"Abe"_s, u"20 days"_s}));
    EXPECT_TRUE(run(book, {u"trash"_s}).out.contains(u"Deleted, from tab A, page 2"_s));

    const CommandRun emptied = run(book, {u"trash"_s, u"empty"_s, u"--older-than"_s, u"10"_s});
    EXPECT_EQ(emptied.out, u"Removed 1 entry from the trash; 1 left.\n"_s);
    EXPECT_EQ(run(book, {u"trash"_s, u"restore"_s, u"9"_s}).err.trimmed(),
              u"The trash holds no entry 9; nothing was restored."_s);
    EXPECT_EQ(run(book, {u"trash"_s, u"empty"_s}).out,
              u"Removed 1 entry from the trash; 0 left.\n"_s);
}
