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

    // "Name" found inside "Surname" names no column; the surname column itself is taken then.
    FieldMapping surname = withColumns("Surname,City");
    surname.autoMap();
    EXPECT_EQ(mapped(surname, 0), QStringLiteral("Surname"));
    EXPECT_EQ(surname.sourceColumns()[0], 0);
}

TEST(MappingAuto, NameFromDisplayNameFileAsOrJoinedNames) {
    const auto name = [](const QByteArray& header) {
        FieldMapping m = withColumns(header);
        m.autoMap();
        return mapped(m, 0);
    };
    EXPECT_EQ(name("First Name,Last Name,Display Name,Primary Email"),
              QStringLiteral("Display Name"));
    EXPECT_EQ(name("First Name,Middle Name,Last Name,File As"),
              QStringLiteral("First Name+Last Name"));
    EXPECT_EQ(name("Given Name,Family Name,Email"), QStringLiteral("Given Name+Family Name"));
    EXPECT_EQ(name("File As,Company"), QStringLiteral("File As"));
    EXPECT_EQ(name("Title,Last Name"), QStringLiteral("Last Name"));
    // A real "Name" column keeps the table's own mapping.
    EXPECT_EQ(name("Name,Given Name,Family Name"), QStringLiteral("Name"));
    // The name of the column is written as the file spells it.
    EXPECT_EQ(name(" display name ,x"), QStringLiteral("display name"));

    FieldMapping joined = withColumns("First Name,Last Name");
    joined.autoMap();
    EXPECT_EQ(joined.fieldSources()[0].column, 0);
    EXPECT_EQ(joined.fieldSources()[0].joinWith, 1);
    ImportRecord record;
    const auto pick = [&](QList<QByteArray> fields) {
        FieldMapping::pick(joined.fieldSources(), fields, record);
        return record[0];
    };
    EXPECT_EQ(pick({" Ann ", " Lee "}), "Lee, Ann");
    EXPECT_EQ(pick({"NoData", "Lee"}), "Lee");
    EXPECT_EQ(pick({"Ann", "NoData"}), "Ann");
    EXPECT_EQ(pick({"Ann"}), "Ann");
}

TEST(MappingAuto, CommonColumnsWhereTheTableLeftNone) {
    // The address book export of a desktop mail client.
    FieldMapping m = withColumns(
        "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
        "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address,"
        "Home Address 2,Home City,Home State,Home ZipCode,Home Country,Work Address,"
        "Work Address 2,Work City,Work State,Work ZipCode,Work Country,Job Title,Department,"
        "Organization,Web Page 1,Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Custom 2,"
        "Custom 3,Custom 4,Notes,");
    m.autoMap();
    const char* expected[] = {"Display Name",  "Home Address",
                              "Home City",     "Home State",
                              "Home Country",  "",
                              "Home ZipCode",  "Home Phone",
                              "Work Phone",    "Mobile Number",
                              "Fax Number",    "Pager Number",
                              "Primary Email", "",
                              "Organization",  "Job Title",
                              "Department",    "Work Address",
                              "Work City",     "Work State",
                              "Work Country",  "",
                              "Work ZipCode",  "Secondary Email",
                              "Web Page 1",    "Notes"};
    const auto src = m.sourceColumns();
    for (int k = 0; k < MappedFieldCount; ++k)
        EXPECT_EQ(src[k] < 0 ? QString() : m.columnNames()[src[k]],
                  QString::fromLatin1(expected[k]))
            << k;
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
    EXPECT_EQ(mapped(m, 0), QStringLiteral("First Name+Last Name"));
    EXPECT_EQ(column(1), QStringLiteral("Home Street"));
    EXPECT_EQ(column(2), QStringLiteral("Home City"));
    EXPECT_EQ(column(3), QStringLiteral("Home State"));
    EXPECT_EQ(column(4), QStringLiteral("Home Country/Region"));
    EXPECT_EQ(column(6), QStringLiteral("Home Postal Code"));
    EXPECT_EQ(column(7), QStringLiteral("Home Phone"));
    // "Business Phone" stands before "Home Phone" there, so the table only guesses; the
    // column itself is taken then.
    EXPECT_EQ(column(8), QStringLiteral("Business Phone"));
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

TEST(MappingAuto, ExportedHeaderMapsEveryColumn) {
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
    // The table writes "Fax" and "Web Page", which name no column; the columns that hold
    // them are taken then, so an export reads back whole.
    EXPECT_EQ(used.size(), 22);
    EXPECT_EQ(mapped(m, 10), QStringLiteral("Home Fax"));
    EXPECT_EQ(mapped(m, 24), QStringLiteral("Business Web Page"));
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
