#include "cli/ToolCommandLine.h"
#include "cli/Commands.h"
#include "store/Settings.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::cli;
using orvelan::test::TempBook;
using namespace Qt::StringLiterals;

namespace {

using orvelan::test::ToolRun;

ToolRun tool(const QStringList& arguments, bool progress = false) {
    return orvelan::test::runToolLine(arguments, progress);
}
ToolRun tool(const TempBook& book, const QStringList& arguments, bool progress = false) {
    return orvelan::test::runToolLine(book, arguments, progress);
}

} // namespace

TEST(ToolCommandLine, HelpAndVersionNeedNoBook) {
    const QString missing = QDir::tempPath() + u"/orvelan-no-such-book"_s;
    qputenv("ORVELAN_HOME", missing.toLocal8Bit());
    for (const QString& option : {u"--help"_s, u"-h"_s, u"help"_s}) {
        const ToolRun help = tool({option});
        EXPECT_EQ(help.status, 0) << option.toStdString();
        for (const CliCommand& command : commandTable())
            EXPECT_TRUE(help.out.contains(u"  "_s + QLatin1StringView(command.name) + u' '))
                << command.name;
    }
    const ToolRun version = tool({u"--version"_s});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, u"orvelan-book 1.0.0\n"_s);
    EXPECT_FALSE(QFileInfo::exists(missing));
    qunsetenv("ORVELAN_HOME");
}

TEST(ToolCommandLine, HelpForOneCommand) {
    const ToolRun search = tool({u"help"_s, u"search"_s});
    EXPECT_EQ(search.status, 0);
    EXPECT_TRUE(search.out.startsWith(u"usage: orvelan-book [--home DIR] [--json] search "_s
                                      u"[--in FIELDS | --all-fields] TEXT\n"_s));
    EXPECT_TRUE(search.out.contains(u"fields: {Name ... Notes}"_s));
    EXPECT_EQ(tool({u"query"_s, u"--help"_s}).out, tool({u"help"_s, u"query"_s}).out);

    const ToolRun unknown = tool({u"help"_s, u"frobnicate"_s});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_TRUE(unknown.err.contains(u"frobnicate"_s));
}

TEST(ToolCommandLine, HomeTakesBothFormsAndMustExist) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    EXPECT_EQ(tool({u"--home="_s + book.root(), u"list"_s, u"A"_s}).out,
              tool({u"--home"_s, book.root(), u"list"_s, u"A"_s}).out);
    EXPECT_TRUE(tool({u"--home="_s + book.root(), u"list"_s, u"A"_s}).out.contains(u"Ann"_s));

    // A mistyped folder is an error, not an empty book, and nothing is created.
    const QString typo = book.root() + u"/tpyo"_s;
    for (const QString& command : {u"tabs"_s, u"add"_s}) {
        const ToolRun run = tool({u"--home"_s, typo, command, u"Name=Bo"_s});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err, u"orvelan-book: the book folder "_s + typo +
                               u" does not exist; give an existing folder with --home.\n"_s);
    }
    EXPECT_FALSE(QFileInfo::exists(typo));
}

TEST(ToolCommandLine, UsageErrorsExitWithTwo) {
    TempBook book;
    const QByteArray before = book.tabBytes(1);
    for (const QStringList& args : {QStringList{},
                                    {u"--hme"_s, book.root(), u"tabs"_s},
                                    {u"--home"_s},
                                    {u"--home"_s, book.root(), u"frobnicate"_s}}) {
        const ToolRun run = tool(args);
        EXPECT_EQ(run.status, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(book.tabBytes(1), before);
    // A failing command is 1; options after the command are the command's.
    EXPECT_EQ(tool(book, {u"show"_s, u"A"_s, u"9"_s}).status, 1);
    EXPECT_EQ(tool(book, {u"search"_s, u"--in"_s, u"name"_s, u"x"_s, u"--json"_s}).out.trimmed(),
              u"[\n]"_s);
}

TEST(ToolCommandLine, JsonSchemaOfEachReadingCommand) {
    TempBook book;
    book.writeTab(1, {TempBook::record({{Field::Name, "Ann Lee"},
                                        {Field::Email, "ann@example.org"},
                                        {Field::DateModified, "06/12/26"},
                                        {Field::TimeModified, "09:05"}}),
                      blankRecord()});
    const QJsonArray tabs = tool(book, {u"--json"_s, u"tabs"_s}).json().toArray();
    ASSERT_EQ(tabs.size(), 26);
    EXPECT_EQ(tabs[1][u"pages"_s], 2);
    EXPECT_EQ(tabs[1][u"blankPages"_s], 1);
    EXPECT_FALSE(tabs[1].toObject().contains(u"blank"_s));
    EXPECT_EQ(tabs[0][u"label"_s], u"*0"_s);

    const QJsonArray list = tool(book, {u"list"_s, u"A"_s, u"--json"_s}).json().toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0][u"blank"_s], false);
    EXPECT_EQ(list[1][u"blank"_s], true);
    EXPECT_EQ(list[0][u"label"_s], u"A"_s);
    // A tab named by its letter in any case; the text lists a blank page as such.
    EXPECT_TRUE(tool(book, {u"list"_s, u"a"_s}).out.split(u'\n').value(1).contains(u"(blank)"_s));

    const QJsonObject page = tool(book, {u"--json"_s, u"show"_s, u"A"_s, u"1"_s}).json().toObject();
    EXPECT_EQ(page[u"DateModified"_s], u"2026-12-06"_s);
    EXPECT_EQ(page[u"TimeModified"_s], u"09:05"_s);
    EXPECT_EQ(page[u"modified"_s], u"2026-12-06T09:05"_s);
    const QJsonObject blank =
        tool(book, {u"--json"_s, u"show"_s, u"A"_s, u"2"_s}).json().toObject();
    EXPECT_TRUE(blank[u"DateModified"_s].isNull());
    EXPECT_TRUE(blank[u"modified"_s].isNull());

    const QJsonArray found = tool(book, {u"--json"_s, u"search"_s, u"lee"_s}).json().toArray();
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0][u"page"_s], 1);
    EXPECT_TRUE(found[0][u"line"_s].toString().startsWith(u" Ann Lee"_s));
    EXPECT_EQ(found[0][u"fields"_s][u"Email"_s], u"ann@example.org"_s);
    EXPECT_EQ(found[0][u"fields"_s].toObject().size(), 26);
}

TEST(ToolCommandLine, StoredDatesBecomeIso) {
    EXPECT_EQ(isoDate(u"31/12/99"_s), u"1999-12-31"_s);
    EXPECT_EQ(isoDate(u"01/02/03"_s), u"2003-02-01"_s);
    EXPECT_EQ(isoDate(u"6.12.2026"_s), u"2026-12-06"_s);
    EXPECT_TRUE(isoDate(u"        "_s).isNull());
    EXPECT_TRUE(isoDate(u"31/02/20"_s).isNull());
    EXPECT_EQ(isoTime(u"7:05"_s), u"07:05"_s);
    EXPECT_TRUE(isoTime(u"25:00"_s).isNull());
}

TEST(ToolCommandLine, SettingsHideThePasswordUnlessAsked) {
    TempBook book;
    ASSERT_EQ(
        tool(book, {u"settings"_s, u"MasterPassword=open sesame"_s, u"dialmethod=3"_s}).status, 0);
    for (const QStringList& args : {QStringList{u"settings"_s}, {u"--json"_s, u"settings"_s}}) {
        const ToolRun shown = tool(book, args);
        EXPECT_FALSE(shown.out.contains(u"sesame"_s)) << shown.out.toStdString();
    }
    const QJsonObject json = tool(book, {u"--json"_s, u"settings"_s}).json().toObject();
    EXPECT_EQ(json[u"passwordSet"_s], true);
    EXPECT_FALSE(json.contains(u"MasterPassword"_s));
    EXPECT_EQ(json[u"DialMethod"_s].toString(), u"3"_s); // named in any case
    EXPECT_EQ(json[u"SerialPort"_s].toString(), u"1"_s);
    const QJsonObject asked =
        tool(book, {u"--json"_s, u"settings"_s, u"--show-password"_s}).json().toObject();
    EXPECT_EQ(asked[u"MasterPassword"_s].toString(), u"open sesame"_s) << "without its padding";
}

TEST(ToolCommandLine, QueryPrintsWhatMailProgramsRead) {
    TempBook book;
    book.writeTab(1, {TempBook::record({{Field::Name, "Ann Lee"},
                                        {Field::Email, "ann@example.org"},
                                        {Field::Organisation, "Acme"},
                                        {Field::OrgEmail, "lee@acme.example"}})});
    book.writeTab(2, {TempBook::record({{Field::Name, "Bo Lee"}})}); // no address
    const ToolRun found = tool(book, {u"query"_s, u"LEE"_s});
    EXPECT_EQ(found.status, 0);
    const QStringList lines = found.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], u"2 e-mail address(es) found for \u201cLEE\u201d."_s);
    EXPECT_EQ(lines[1], u"ann@example.org\tAnn Lee\tAcme"_s);
    EXPECT_EQ(lines[2], u"lee@acme.example\tAnn Lee\tAcme (work)"_s);
    // The organisation's e-mail is looked in too.
    EXPECT_EQ(tool(book, {u"query"_s, u"acme.example"_s}).status, 0);

    const ToolRun none = tool(book, {u"query"_s, u"Bo"_s});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out.count(u'\n'), 1);
}

// Nothing chosen in the search window: the window refuses, and so does the tool.
TEST(ToolCommandLine, SearchWithNoFieldChosenIsRefused) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    Settings settings;
    for (int i = 0; i < Settings::SearchFlagCount; ++i)
        settings.setSearchFlag(i, '0');
    ASSERT_EQ(SettingsFile(book.folder().settingsPath()).write(settings), 0);
    const ToolRun refused = tool(book, {u"search"_s, u"ann"_s});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(u"no FIELD selected"_s));
    EXPECT_EQ(tool(book, {u"search"_s, u"--in"_s, u"name"_s, u"ann"_s}).status, 0);
}

TEST(ToolCommandLine, LongCommandsShowProgressOnlyWhenAsked) {
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann"), blankRecord()});
    const ToolRun quiet = tool(book, {u"compact"_s});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_TRUE(quiet.err.isEmpty());
    book.writeTab(1, {TempBook::named("Ann"), blankRecord()});
    const ToolRun shown = tool(book, {u"compact"_s}, true);
    EXPECT_EQ(shown.status, 0);
    EXPECT_TRUE(shown.err.contains(u"\rRemoving blank pages: 100%"_s)) << shown.err.toStdString();
    EXPECT_TRUE(shown.err.endsWith(u'\r')); // the line is wiped at the end
    EXPECT_FALSE(shown.out.contains(u'\r'));
    EXPECT_TRUE(tool(book, {u"search"_s, u"ann"_s}, true).err.contains(u"Searching:"_s));
    const ToolRun exported = tool(book, {u"export"_s, u"csv"_s, book.root() + u"/all.csv"_s}, true);
    EXPECT_EQ(exported.status, 0);
    EXPECT_TRUE(exported.err.contains(u"\rReading pages: 100%"_s));
}
