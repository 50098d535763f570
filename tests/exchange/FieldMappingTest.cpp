#include "exchange/FieldMapping.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace orvelan;

namespace {

FieldMapping withColumns(const QByteArray& header) {
    FieldMapping mapping;
    mapping.setColumns(header.split(','));
    return mapping;
}

QString mapped(FieldMapping& m, int k) {
    return m.mappedName(k);
}

} // namespace

TEST(MappingLabels, AllTwentyFiveCharacters) {
    EXPECT_EQ(mappingLabel(0), QStringLiteral("Name                  =  "));
    EXPECT_EQ(mappingLabel(6), QStringLiteral("Post/Zip Code         =  "));
    EXPECT_EQ(mappingLabel(22), mappingLabel(6));
    EXPECT_EQ(mappingLabel(12), QStringLiteral("E-Mail (Home)         =  "));
    for (int k = 0; k < MappedFieldCount; ++k)
        EXPECT_EQ(mappingLabel(k).size(), 25) << k;
}

TEST(MappingAddRemove, RulesAndRefusals) {
    FieldMapping m = withColumns("Full Name, Tel ,,  ");
    EXPECT_EQ(m.add(-1, 0), FieldMapping::Outcome::NoColumnSelected);
    EXPECT_EQ(m.add(2, 0), FieldMapping::Outcome::EmptyColumnName);
    EXPECT_EQ(m.add(3, 0), FieldMapping::Outcome::EmptyColumnName);
    EXPECT_EQ(m.add(0, -1), FieldMapping::Outcome::NoFieldSelected);
    EXPECT_EQ(m.add(0, 0), FieldMapping::Outcome::Done);
    EXPECT_EQ(m.lines()[0], QStringLiteral("Name                  =  Full Name"));
    EXPECT_EQ(m.add(1, 0), FieldMapping::Outcome::AlreadyAssigned);
    // One column may feed several fields; the name is written as the column list shows it.
    EXPECT_EQ(m.add(1, 7), FieldMapping::Outcome::Done);
    EXPECT_EQ(m.add(1, 8), FieldMapping::Outcome::Done);
    EXPECT_EQ(mapped(m, 8), QStringLiteral(" Tel "));
    EXPECT_TRUE(m.remove(0));
    EXPECT_FALSE(m.isMapped(0));
    EXPECT_EQ(m.add(1, 0), FieldMapping::Outcome::Done);
    EXPECT_FALSE(m.remove(-1));
    EXPECT_EQ(
        FieldMapping::messageFor(FieldMapping::Outcome::EmptyColumnName),
        QStringLiteral("Can't map this field:  No FIELD IDENTITY found in the current file   "));
}

TEST(MappingAuto, HomeAndWorkPhones) {
    FieldMapping m = withColumns("Name,Home Phone,Work Phone");
    m.autoMap();
    EXPECT_EQ(mapped(m, 0), QStringLiteral("Name"));
    EXPECT_EQ(mapped(m, 7), QStringLiteral("Home Phone"));
    EXPECT_EQ(mapped(m, 8), QStringLiteral("Work Phone"));
    EXPECT_FALSE(m.isMapped(13));
}

TEST(MappingAuto, GuessesAndSurname) {
    FieldMapping phone = withColumns("Name,Telephone");
    phone.autoMap();
    EXPECT_EQ(mapped(phone, 7), QStringLiteral("Telephone"));
    // Without "Home Phone" the second-phone rules search from the start and only guess.
    EXPECT_EQ(mapped(phone, 8), QStringLiteral("Telephone ??"));
    FieldMapping both = withColumns("Name,Home Phone,Phone");
    both.autoMap();
    EXPECT_EQ(mapped(both, 8), QStringLiteral("Phone ??"));
    EXPECT_EQ(both.sourceColumns()[8], -1); // a guess names no column

    FieldMapping surname = withColumns("Surname,City");
    surname.autoMap();
    EXPECT_EQ(mapped(surname, 0), QStringLiteral("Name"));
    EXPECT_EQ(surname.sourceColumns()[0], -1);
}

TEST(MappingAuto, RunsTwiceAlikeAndReplacesHandMappings) {
    FieldMapping m = withColumns("Name,Street,Special");
    ASSERT_EQ(m.add(2, 13), FieldMapping::Outcome::Done);
    m.autoMap();
    const auto first = m.lines();
    EXPECT_FALSE(m.isMapped(13));
    m.autoMap();
    EXPECT_EQ(m.lines(), first);
}

TEST(MappingAuto, WidespreadProgramExportHeader) {
    // The contact export header of a widespread mail program.
    FieldMapping m = withColumns(
        "Title,First Name,Middle Name,Last Name,Suffix,Company,Department,Job Title,"
        "Business Street,Business Street 2,Business Street 3,Business City,Business State,"
        "Business Postal Code,Business Country/Region,Home Street,Home Street 2,Home Street 3,"
        "Home City,Home State,Home Postal Code,Home Country/Region,Other Street,Other City,"
        "Other State,Other Postal Code,Other Country/Region,Assistant's Phone,Business Fax,"
        "Business Phone,Business Phone 2,Callback,Car Phone,Company Main Phone,Home Fax,"
        "Home Phone,Home Phone 2,ISDN,Mobile Phone,Other Fax,Other Phone,Pager,Primary Phone,"
        "Radio Phone,TTY/TDD Phone,Telex,Account,Anniversary,Assistant's Name,"
        "Billing Information,Birthday,Business Address PO Box,Categories,Children,"
        "Directory Server,E-mail Address,E-mail Type,E-mail Display Name,E-mail 2 Address,"
        "E-mail 2 Type,E-mail 2 Display Name,E-mail 3 Address,E-mail 3 Type,"
        "E-mail 3 Display Name,Gender,Government ID Number,Hobby,Home Address PO Box,Initials,"
        "Internet Free Busy,Keywords,Language,Location,Manager's Name,Mileage,Notes,"
        "Office Location,Organizational ID Number,Other Address PO Box,Priority,Private,"
        "Profession,Referred By,Sensitivity,Spouse,User 1,User 2,User 3,User 4,Web Page");
    m.autoMap();
    const auto src = m.sourceColumns();
    const auto column = [&](int k) { return src[k] < 0 ? QString() : m.columnNames()[src[k]]; };
    EXPECT_EQ(mapped(m, 0), QStringLiteral("Name")); // names no column: "First Name", ...
    EXPECT_EQ(column(1), QStringLiteral("Home Street"));
    EXPECT_EQ(column(2), QStringLiteral("Home City"));
    EXPECT_EQ(column(3), QStringLiteral("Home State"));
    EXPECT_EQ(column(4), QStringLiteral("Home Country/Region"));
    EXPECT_EQ(column(6), QStringLiteral("Home Postal Code"));
    EXPECT_EQ(column(7), QStringLiteral("Home Phone"));
    // "Business Phone" stands before "Home Phone" there, so the second phone stays a guess.
    EXPECT_EQ(mapped(m, 8), QStringLiteral("Phone ??"));
    EXPECT_EQ(column(9), QStringLiteral("Mobile Phone"));
    EXPECT_EQ(column(10), QStringLiteral("Business Fax"));
    EXPECT_EQ(column(11), QStringLiteral("Pager"));
    EXPECT_EQ(column(12), QStringLiteral("E-mail Address"));
    EXPECT_EQ(column(14), QStringLiteral("Company"));
    EXPECT_EQ(column(15), QStringLiteral("Job Title"));
    EXPECT_EQ(column(16), QStringLiteral("Department"));
    EXPECT_EQ(column(17), QStringLiteral("Business Street"));
    EXPECT_EQ(column(18), QStringLiteral("Business City"));
    EXPECT_EQ(column(19), QStringLiteral("Business State"));
    EXPECT_EQ(column(20), QStringLiteral("Business Country/Region"));
    EXPECT_EQ(column(22), QStringLiteral("Business Postal Code"));
    EXPECT_EQ(column(24), QStringLiteral("Web Page"));
    EXPECT_EQ(column(25), QStringLiteral("Notes"));
}

TEST(MappingAuto, ExportedHeaderMapsTwentyOfTwentyTwo) {
    FieldMapping m = withColumns(
        "Name,E-mail Address,Home Street,Home City,Home State,Home Country/Region,"
        "Home Postal Code,Home Phone,Home Fax,Mobile Phone,Business Street,Business City,"
        "Business State,Business Country/Region,Business Postal Code,Business Web Page,"
        "Business Phone,Pager,Company,Job Title,Department,Notes");
    m.autoMap();
    const auto src = m.sourceColumns();
    QSet<int> used;
    for (int c : src) {
        if (c >= 0)
            used.insert(c);
    }
    EXPECT_EQ(used.size(), 20);
    EXPECT_EQ(mapped(m, 10), QStringLiteral("Fax"));
    EXPECT_EQ(mapped(m, 24), QStringLiteral("Web Page"));
    EXPECT_EQ(src[10], -1);
    EXPECT_EQ(src[24], -1);
}

TEST(MappingPick, MatchingAndMarker) {
    FieldMapping m = withColumns("Name, Phone ,Notes");
    ASSERT_EQ(m.add(0, 0), FieldMapping::Outcome::Done);
    ASSERT_EQ(m.add(1, 7), FieldMapping::Outcome::Done);
    ASSERT_EQ(m.add(2, 25), FieldMapping::Outcome::Done);
    ASSERT_EQ(m.add(0, 14), FieldMapping::Outcome::Done);
    ImportRecord record;
    FieldMapping::pick(m.sourceColumns(), {"Ann", " NoData ", "x"}, record);
    EXPECT_EQ(record[0], "Ann");
    EXPECT_EQ(record[14], "Ann");
    EXPECT_EQ(record[7], "");
    EXPECT_EQ(record[25], "x");
    EXPECT_EQ(record[1], "");
    // A short line leaves the later fields empty.
    FieldMapping::pick(m.sourceColumns(), {" Bob "}, record);
    EXPECT_EQ(record[0], " Bob ");
    EXPECT_EQ(record[25], "");
}

TEST(MappingPick, NamesCompareTrimmedAndCaseSensitive) {
    FieldMapping m = withColumns("name,Name ,Name");
    m.autoMap();
    // " Name " equals "Name" once trimmed: the first such column wins; "name" does not match.
    EXPECT_EQ(m.sourceColumns()[0], 1);
}
