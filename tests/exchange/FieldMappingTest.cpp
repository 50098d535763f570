#include "exchange/FieldMapping.h"
#include "ExchangeTestData.h"
#include "exchange/csv/CsvImport.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

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
    EXPECT_EQ(mappingLabel(0), u"Name                  =  "_s);
    EXPECT_EQ(mappingLabel(6), u"Post/Zip Code         =  "_s);
    EXPECT_EQ(mappingLabel(22), mappingLabel(6));
    EXPECT_EQ(mappingLabel(12), u"E-Mail (Home)         =  "_s);
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
    EXPECT_EQ(m.lines()[0], u"Name                  =  Full Name"_s);
    EXPECT_EQ(m.add(1, 0), FieldMapping::Outcome::AlreadyAssigned);
    // One column may feed several fields; the name is written as the column list shows it.
    EXPECT_EQ(m.add(1, 7), FieldMapping::Outcome::Done);
    EXPECT_EQ(m.add(1, 8), FieldMapping::Outcome::Done);
    EXPECT_EQ(mapped(m, 8), u" Tel "_s);
    EXPECT_TRUE(m.remove(0));
    EXPECT_FALSE(m.isMapped(0));
    EXPECT_EQ(m.add(1, 0), FieldMapping::Outcome::Done);
    EXPECT_FALSE(m.remove(-1));
    EXPECT_EQ(FieldMapping::messageFor(FieldMapping::Outcome::EmptyColumnName),
              u"Can't map this field:  No FIELD IDENTITY found in the current file   "_s);
}

// The column Auto takes for a field of a header: the field's mapping line ("??" marks a guess,
// which names no column; empty: not mapped) and, where it matters, the column's place.
TEST(MappingAuto, TakesTheColumnANameOrARuleFinds) {
    constexpr int Any = -2;
    const struct {
        const char* header;
        int field;
        const char16_t* name;
        int column;
    } rows[] = {
        {"Name,Home Phone,Work Phone", 0, u"Name", Any},
        {"Name,Home Phone,Work Phone", 7, u"Home Phone", Any},
        {"Name,Home Phone,Work Phone", 8, u"Work Phone", Any},
        {"Name,Home Phone,Work Phone", 13, u"", Any},
        {"Name,Telephone", 7, u"Telephone", Any},
        // Without "Home Phone" the second-phone rules search from the start and only guess.
        {"Name,Telephone", 8, u"Telephone ??", Any},
        {"Name,Home Phone,Phone", 8, u"Phone ??", -1},
        // "Name" found inside "Surname" names no column; the surname column itself is taken then.
        {"Surname,City", 0, u"Surname", 0},
        // " Name " equals "Name" once trimmed: the first such column wins; "name" does not match.
        {"name,Name ,Name", 0, nullptr, 1},
        {"First Name,Last Name,Display Name,Primary Email", 0, u"Display Name", Any},
        {"First Name,Middle Name,Last Name,File As", 0, u"First Name+Last Name", Any},
        {"Given Name,Family Name,Email", 0, u"Given Name+Family Name", Any},
        {"File As,Company", 0, u"File As", Any},
        {"Title,Last Name", 0, u"Last Name", Any},
        // A real "Name" column keeps the table's own mapping.
        {"Name,Given Name,Family Name", 0, u"Name", Any},
        // The name of the column is written as the file spells it.
        {" display name ,x", 0, u"display name", Any},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.header) + " field " + std::to_string(row.field));
        FieldMapping m = withColumns(row.header);
        m.autoMap();
        if (row.name && !*row.name) {
            EXPECT_FALSE(m.isMapped(row.field));
        } else if (row.name) {
            EXPECT_EQ(mapped(m, row.field), QString::fromUtf16(row.name));
        }
        if (row.column != Any) {
            EXPECT_EQ(m.sourceColumns()[row.field], row.column);
        }
    }
}

TEST(MappingAuto, JoinedNamesArePickedLastNameFirst) {
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

TEST(MappingAuto, RunsTwiceAlikeAndReplacesHandMappings) {
    FieldMapping m = withColumns("Name,Street,Special");
    ASSERT_EQ(m.add(2, 13), FieldMapping::Outcome::Done);
    m.autoMap();
    const auto first = m.lines();
    EXPECT_FALSE(m.isMapped(13));
    m.autoMap();
    EXPECT_EQ(m.lines(), first);
}

// The column Auto takes for each field (empty: none), and the field's mapping line, for the
// headers other programs write.
TEST(MappingAuto, TakesTheColumnsOtherProgramsWrite) {
    struct Row {
        QByteArray file;
        const char* columns; // of each field, '|' between them; empty for none
        const char* name;    // the Name line, where names are joined
    };
    const Row rows[] = {
        // The address book export of a desktop mail client.
        {dataFile("mail-client.csv"),
         "Display Name|Home Address|Home City|Home State|Home Country||Home ZipCode|Home Phone|"
         "Work Phone|Mobile Number|Fax Number|Pager Number|Primary Email||Organization|"
         "Job Title|Department|Work Address|Work City|Work State|Work Country||Work ZipCode|"
         "Secondary Email|Web Page 1|Notes",
         "Display Name"},
        // A widespread mail program's export of no contacts: its header alone. "Business Phone"
        // stands before "Home Phone" there, so the table only guesses; the column is taken then.
        {dataFile("mail-program-empty.csv"),
         "First Name|Home Street|Home City|Home State|Home Country/Region||Home Postal Code|"
         "Home Phone|Business Phone|Mobile Phone|Business Fax|Pager|E-mail Address||Company|"
         "Job Title|Department|Business Street|Business City|Business State|"
         "Business Country/Region||Business Postal Code|E-mail 2 Address|Web Page|Notes",
         "First Name+Last Name"},
        // The table writes "Fax" and "Web Page", which name no column; the columns that hold
        // them are taken then, so an export reads back whole.
        {"Name,E-mail Address,Home Street,Home City,Home State,Home Country/Region,"
         "Home Postal Code,Home Phone,Home Fax,Mobile Phone,Business Street,Business City,"
         "Business State,Business Country/Region,Business Postal Code,Business Web Page,"
         "Business Phone,Pager,Company,Job Title,Department,Notes",
         "Name|Home Street|Home City|Home State|Home Country/Region||Home Postal Code|"
         "Home Phone|Business Phone|Mobile Phone|Home Fax|Pager|E-mail Address||Company|"
         "Job Title|Department|Business Street|Business City|Business State|"
         "Business Country/Region||Business Postal Code||Business Web Page|Notes",
         "Name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FieldMapping m;
        m.setColumns(csvColumns(row.file));
        m.autoMap();
        const auto src = m.sourceColumns();
        const QStringList columns = QString::fromLatin1(row.columns).split(u'|');
        ASSERT_EQ(columns.size(), MappedFieldCount);
        for (int k = 0; k < MappedFieldCount; ++k)
            EXPECT_EQ(src[k] < 0 ? QString() : m.columnNames()[src[k]], columns[k]) << k;
        EXPECT_EQ(mapped(m, 0), QString::fromLatin1(row.name));
    }
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
