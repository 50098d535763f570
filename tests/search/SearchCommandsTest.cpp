#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "search/BookSearch.h"
#include "telephony/PhoneNumbers.h"

#include "support/SmallBookTool.h"
#include "support/TempBook.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::cli;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

using Tool = SmallBookTool;

} // namespace

TEST(SearchCommand, PrintsTheListLinesAndTheirPositions) {
    Tool tool;
    ASSERT_EQ(tool.run(runSearch, {u"smith"_s}), 0);
    SelectorFlags name{};
    name[0] = true;
    const SearchOutcome outcome = BookSearch(tool.book.folder()).run(name, u"smith");
    ASSERT_EQ(outcome.found(), 1);
    EXPECT_EQ(tool.out, outcome.hits[0].line + u'\n');

    // With no flags stored the name is searched: the notes do not match.
    EXPECT_EQ(tool.run(runSearch, {u"fair"_s}), 0);
    EXPECT_TRUE(tool.out.isEmpty());
    EXPECT_EQ(tool.run(runSearch, {u"--in"_s, u"notes,name"_s, u"fair"_s}), 0);
    EXPECT_TRUE(tool.out.contains(u"Jo Smith"));

    // Stored flags are the default once set.
    storeSettings(tool.book, [](Settings& s) { s.setSearchFlag(9, '1'); });
    EXPECT_EQ(tool.run(runSearch, {u"fair"_s}), 0);
    EXPECT_TRUE(tool.out.contains(u"Jo Smith"));

    ASSERT_EQ(tool.run(runSearch, {u"--in"_s, u"name"_s}, true), 0);
    const QJsonArray rows = QJsonDocument::fromJson(tool.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toObject().value(u"tab"_s).toInt(), 9);
    EXPECT_EQ(rows[1].toObject().value(u"page"_s).toInt(), 2);
    EXPECT_TRUE(rows[1].toObject().value(u"line"_s).toString().startsWith(u" Ivy "));

    EXPECT_TRUE(tool.cliError(runSearch, {u"--in"_s, u"name,fax"_s, u"x"_s}).contains(u"fax"));
    EXPECT_FALSE(tool.cliError(runSearch, {u"--in"_s}).isEmpty());
    EXPECT_FALSE(tool.cliError(runSearch, {u"--whole"_s, u"x"_s}).isEmpty());
}

// --all-fields: every field of every tab, in name order, each line naming the field found.
TEST(SearchCommand, AllFieldsFindsInAnyFieldAndNumbersByTheirDigits) {
    Tool tool;
    ASSERT_EQ(setPhoneRegionSetting(tool.book.folder().configPath(), u"GB"_s), 0);
    tool.book.writeTab(
        2, {TempBook::record({{Field::Name, "Bell"}, {Field::Mobile, "+44 1234 567890"}})});
    ASSERT_EQ(tool.run(runSearch, {u"--all-fields"_s, u"smith"_s}), 0);
    const QStringList lines = tool.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2); // tab 0 first
    EXPECT_TRUE(lines[0].startsWith(u" 1st Smith  ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(u"Name: Jo Smith"));
    ASSERT_EQ(tool.run(runSearch, {u"--all-fields"_s, u"01234"_s, u"567890"_s}, true), 0);
    const QJsonArray rows = QJsonDocument::fromJson(tool.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toObject().value(u"field"_s).toString(), u"Mobile");
    EXPECT_EQ(rows[0].toObject().value(u"text"_s).toString(), u"+44 1234 567890");
    EXPECT_FALSE(
        tool.cliError(runSearch, {u"--all-fields"_s, u"--in"_s, u"name"_s, u"x"_s}).isEmpty());
}
