#include "ExchangeTestData.h"
#include "exchange/ImportAgainstBook.h"
#include "exchange/ImportStaging.h"
#include "exchange/csv/CsvImport.h"
#include "store/PageRecord.h"
#include "support/FakeClock.h"
#include "support/TempBook.h"

#include <QJsonObject>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

ImportRecord named(const QByteArray& name, const QByteArray& org = {}) {
    ImportRecord record;
    record[0] = name;
    record[14] = org;
    return record;
}

QByteArray stagingBytes(const TempBook& book, int tab) {
    return orvelan::test::readBytes(book.folder().tabTempFilePath(tab));
}

PageRecord stagedPage(const TempBook& book, int tab, qint64 n) {
    const QByteArray stored = stagingBytes(book, tab).mid((n - 1) * RecordSize, RecordSize);
    if (stored.size() != RecordSize) {
        ADD_FAILURE() << "no record " << n << " in the staging file of tab " << tab;
        return {};
    }
    return PageRecord::fromStored(stored);
}

// A book of one blank page per tab, with empty staging files.
class Staging : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(staging.reset(), 0); }
    TempBook book;
    ImportStaging staging{book.folder()};
};
using ImportPlacement = Staging;

} // namespace

TEST_F(Staging, RecordsGoUnderTheTabOfTheirName) {
    using Outcome = ImportStaging::Staged::Outcome;
    const ImportStaging::Staged mary = staging.stage(named(" mary", "Acme"), Now);
    EXPECT_EQ(mary.outcome, Outcome::Staged);
    EXPECT_EQ(mary.tab, 12);
    EXPECT_EQ(mary.name, u"mary"_s);
    // Names of every script go under the Latin base letter of their first letter.
    EXPECT_EQ(staging.stage(named("\xC3\x89mile"), Now).tab, 5);
    EXPECT_EQ(staging.stage(named("\xE7\x8E\x8B\xE8\x8A\xB3"), Now).tab, 22);
    for (const char* empty : {"", "   "})
        EXPECT_EQ(staging.stage(named(empty), Now).outcome, Outcome::NoName) << empty;
    // A name that begins with a digit or a sign goes to the first tab; one that begins with a
    // combining mark or an invisible character is refused.
    for (const char* first : {"7 Up", "_x", "^x", "[x", "`x", "\\x", "]x", "-x"}) {
        const ImportStaging::Staged staged = staging.stage(named(first), Now);
        EXPECT_EQ(staged.outcome, Outcome::Staged) << first;
        EXPECT_EQ(staged.tab, 0) << first;
    }
    for (const char* refused : {"\xCC\x81x", "\xE2\x83\x9Dx"})
        EXPECT_EQ(staging.stage(named(refused), Now).outcome, Outcome::NotFileable) << refused;
    EXPECT_EQ(staging.stage(named("Zed"), Now).outcome, Outcome::Staged);
    ASSERT_EQ(staging.flush(), 0);

    // Record 1 of every staging file is a blank page; the staged records follow.
    EXPECT_EQ(stagingBytes(book, 12).size(), 2 * RecordSize);
    EXPECT_EQ(stagingBytes(book, 12).first(RecordSize), blankRecord());
    EXPECT_EQ(stagingBytes(book, 3).size(), RecordSize);
    EXPECT_EQ(stagingBytes(book, 0).size(), 9 * RecordSize);
    const PageRecord maryPage = stagedPage(book, 12, 2);
    EXPECT_EQ(maryPage[Field::Name], "mary");
    EXPECT_EQ(maryPage[Field::PageNo], "2");
    EXPECT_EQ(maryPage[Field::DateModified], "04/03/26");
    EXPECT_EQ(maryPage[Field::TimeModified], "09:07");
    EXPECT_EQ(stagingBytes(book, 12).sliced(2 * RecordSize - 8), QByteArray(8, '\0'));

    QList<ListedRecord> listed = staging.list();
    ASSERT_EQ(listed.size(), 12);
    // The first tab's records come first and say so.
    EXPECT_EQ(listed[0].tab, 0);
    EXPECT_EQ(listed[0].line.right(11), u" *0 /     2"_s);
    int tab = -1;
    qint64 number = 0;
    ASSERT_TRUE(parseListLine(listed[7].line, tab, number));
    EXPECT_EQ(std::make_pair(tab, number), std::make_pair(0, qint64(9)));
    listed.remove(0, 8);
    EXPECT_EQ(listed[0].line.left(8), u" \u00c9mile  "_s);
    EXPECT_EQ(listed[2].line.size(), 81) << "two wide characters fill four columns";
    EXPECT_EQ(listed[2].line.left(5), u" \u738b\u82b3  "_s);
    EXPECT_EQ(listed[2].line.right(11), u" W  /     2"_s);
    EXPECT_EQ(listed[1].tab, 12);
    EXPECT_EQ(listed[1].record, 2);
    EXPECT_EQ(listed[1].line, u" mary"_s + QString(19, u' ') + u"Acme"_s + QString(24, u' ') +
                                  u"04/03/26 @ 09:07"_s + QString(4, u' ') + u" M  /     2"_s);
    EXPECT_EQ(listed[1].line.size(), 83);
    EXPECT_EQ(listed[3].line.right(11), u" Z  /     2"_s);
}

TEST_F(Staging, LongValuesAndLineBreaks) {
    ImportRecord record = named(QByteArray(40, 'N'));
    record[1] = "line\none";
    record[25] = "first\nsecond\rthird";
    record[12] = QByteArray(61, 'e');
    // Values too long for their field are cut, and staging says which.
    EXPECT_EQ(staging.stage(record, Now).cutFields, (QList<int>{0, 12}));
    staging.flush();
    const PageRecord page = stagedPage(book, 13, 2);
    EXPECT_EQ(page[Field::Name], QByteArray(32, 'N'));
    EXPECT_EQ(page[Field::Addr1], "line one");
    EXPECT_EQ(page[Field::Notes], "first\r\nsecond\r\nthird");
}

TEST_F(Staging, FilterAndListLines) {
    ImportRecord anna = named("Anna", "Acme");
    anna[25] = "likes Tea";
    staging.stage(anna, Now);
    staging.stage(named("Ben", "Widgets"), Now);
    staging.stage(named("Ian", "Acme Corp"), Now);
    staging.stage(named("Julia"), Now);
    staging.flush();
    EXPECT_EQ(staging.list().size(), 4);
    EXPECT_EQ(staging.list(u"   "_s).size(), 4);
    EXPECT_EQ(staging.list(u"TEA"_s).size(), 1);      // only in the notes
    EXPECT_EQ(staging.list(u"annaacme"_s).size(), 1); // across two fields
    const QList<ListedRecord> ij = staging.list(u"Ian"_s);
    ASSERT_EQ(ij.size(), 1);
    EXPECT_EQ(ij[0].line.right(11), u" IJ /     2"_s);
    int tab = 0;
    qint64 number = 0;
    ASSERT_TRUE(parseListLine(ij[0].line, tab, number));
    EXPECT_EQ(tab, 9);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(staging.list().at(3).record, 3); // Julia is the second record of tab 9
}

TEST_F(ImportPlacement, BlankPagesFirstThenAppendInListOrder) {
    // Tab 2: a page, a blank, a page, a blank.
    book.writeTab(2,
                  {TempBook::named("Bart"), blankRecord(), TempBook::named("Bea"), blankRecord()});
    book.writeTab(5, {TempBook::named("Eve")});
    for (const char* name : {"bob", "Bill", "Brian", "Ed"})
        staging.stage(named(name), Now);
    staging.flush();
    const QList<ListedRecord> listed = staging.list();
    const ImportOutcome outcome = importListed(book.folder(), listed);
    EXPECT_EQ(outcome.written, 4);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(outcome.perTab[2], 3);
    EXPECT_EQ(outcome.perTab[5], 1);
    ASSERT_EQ(book.pageCount(2), 5);
    EXPECT_EQ(book.page(2, 2)[Field::Name], "bob");
    EXPECT_EQ(book.page(2, 4)[Field::Name], "Bill");
    EXPECT_EQ(book.page(2, 5)[Field::Name], "Brian");
    EXPECT_EQ(book.page(5, 2)[Field::Name], "Ed");
    // Copied byte for byte: the staging record number and the staging time stay.
    EXPECT_EQ(book.tabBytes(2).mid(RecordSize, RecordSize),
              stagingBytes(book, 2).mid(RecordSize, RecordSize));
    EXPECT_EQ(book.page(2, 5)[Field::PageNo], "4");

    // Importing the same lines again adds every page again.
    EXPECT_EQ(importListed(book.folder(), listed).written, 4);
    EXPECT_EQ(book.pageCount(2), 8);
}

TEST_F(ImportPlacement, SelectedLinesOnlyAndBadEntries) {
    for (const char* name : {"Amy", "Al", "Ann"})
        staging.stage(named(name), Now);
    staging.flush();
    QList<ListedRecord> listed = staging.list();
    const QList<ListedRecord> chosen = {listed[2], listed[0]};
    EXPECT_EQ(importListed(book.folder(), chosen).written, 2);
    EXPECT_EQ(book.page(1, 1)[Field::Name], "Ann");
    EXPECT_EQ(book.page(1, 2)[Field::Name], "Amy");
    // An entry whose staged record is gone fails alone.
    const ImportOutcome outcome = importListed(book.folder(), {{1, 99, {}}, {0, 2, {}}, listed[1]});
    EXPECT_EQ(outcome.failures, 2);
    EXPECT_EQ(outcome.written, 1);
}

TEST(CsvStaging, QuotedUtf8FileWithOverlongLine) {
    TempBook book;
    QByteArray file = "\xEF\xBB\xBF\"Name\",\"Company\",\"Notes\"\r\n"
                      "\"Smith, John\",\"Acme, Inc.\",\"two\r\nlines\"\r\n"
                      "\r\n"
                      "   \r\n"
                      "Zo\xC3\xAB,\xE4\xB8\xAD,\r\n"
                      "_under,x,y\r\n";
    QByteArray overlong = "Long";
    for (int i = 0; i < 210; ++i)
        overlong += ",v";
    file += overlong + "\r\nAl,,\r\n";
    FieldMapping mapping;
    mapping.setColumns(csvColumns(file));
    ASSERT_EQ(mapping.columnNames(), (QStringList{u"Name"_s, u"Company"_s, u"Notes"_s}));
    mapping.autoMap();
    ImportStaging staging(book.folder());
    const ImportSummary outcome = stageCsv(file, mapping, staging, Now);
    EXPECT_EQ(outcome.read, 5);
    EXPECT_EQ(outcome.staged, 5);
    EXPECT_EQ(outcome.refusedCount(ImportSummary::Refusal::NotFileable), 0);
    EXPECT_EQ(stagedPage(book, 0, 2)[Field::Name], "_under");
    EXPECT_EQ(outcome.overlongLines, 1);           // reported though it is not the last line
    EXPECT_EQ(outcome.recordsWithReplacements, 0); // every character reaches the page
    const PageRecord smith = stagedPage(book, 18, 2);
    EXPECT_EQ(smith[Field::Name], "Smith, John");
    EXPECT_EQ(smith[Field::Organisation], "Acme, Inc.");
    EXPECT_EQ(smith[Field::Notes], "two\r\nlines");
    const PageRecord zoe = stagedPage(book, 25, 2);
    EXPECT_EQ(zoe.encoding(), TextEncoding::Scsu) << "a Chinese company name makes the page SCSU";
    EXPECT_EQ(zoe.text(Field::Name), u"Zo\u00eb"_s);
    EXPECT_EQ(zoe.text(Field::Organisation), u"\u4e2d"_s);
    EXPECT_EQ(zoe[Field::Notes], "");
    EXPECT_EQ(stagedPage(book, 1, 2)[Field::Organisation], ""); // the marker is stored empty
    EXPECT_EQ(staging.list().size(), 5);
}

TEST(CsvStaging, SecondReadReplacesTheLetterTabs) {
    TempBook book;
    ImportStaging staging(book.folder());
    FieldMapping mapping;
    QByteArray first = "Name\r\nAnn\r\nBob\r\n9lives\r\n";
    mapping.setColumns(csvColumns(first));
    mapping.autoMap();
    stageCsv(first, mapping, staging, Now);
    stageCsv("Name\r\nCarl\r\n", mapping, staging, Now);
    EXPECT_EQ(stagingBytes(book, 1).size(), RecordSize);
    EXPECT_EQ(stagingBytes(book, 0).size(), RecordSize);
    ASSERT_EQ(staging.list().size(), 1);
    EXPECT_EQ(staging.list()[0].tab, 3);
}

namespace {

ImportRecord card(const char* name, const char* phone, const char* email = "",
                  const QByteArray& notes = {}) {
    ImportRecord record = named(name);
    record[7] = phone;
    record[12] = email;
    record[25] = notes;
    return record;
}

// Two imports into one book; the second meets the book with the keys kept while staging, or
// reads its staged pages back. `damaged`: the second's first staged page is blanked first.
struct KeptKeysRow {
    const char* what;
    std::vector<ImportRecord> first;
    std::vector<ImportRecord> second;
    ImportDuplicates choice;
    bool damaged = false;
};

class KeptKeys : public testing::TestWithParam<KeptKeysRow> {};

} // namespace

TEST_P(KeptKeys, MeetTheBookAsTheStagedPagesReadBack) {
    const KeptKeysRow& row = GetParam();
    test::FakeClock clock(Now);
    const auto importTwice = [&](bool keepKeys) {
        TempBook book;
        QJsonObject summaries;
        for (const std::vector<ImportRecord>* records : {&row.first, &row.second}) {
            ImportStaging staging(book.folder());
            if (keepKeys)
                staging.keepMatchKeys();
            EXPECT_EQ(staging.reset(), 0);
            int firstTab = -1;
            for (const ImportRecord& record : *records) {
                const int tab = staging.stage(record, Now).tab;
                firstTab = firstTab < 0 ? tab : firstTab;
            }
            EXPECT_EQ(staging.flush(), 0);
            StagedKeys keys = staging.takeMatchKeys();
            if (row.damaged && records == &row.second) {
                EXPECT_EQ(book.folder().tabTempFile(firstTab).writePage(2, blankRecord()), 0);
            }
            ImportSummary summary;
            const ImportOutcome outcome =
                importAgainstBook(book.folder(), clock, staging.list({}, {}, false), row.choice,
                                  summary, {}, keepKeys ? &keys : nullptr);
            summary.recordImport(outcome.perTab, outcome.written, outcome.failures);
            summaries.insert(records == &row.first ? u"first"_s : u"second"_s, summary.toJson());
        }
        QByteArray tabs;
        for (int tab = 0; tab < TabCount; ++tab)
            tabs += orvelan::test::readBytes(book.folder().tabFilePath(tab));
        return std::pair{summaries, tabs};
    };
    const auto [keptSummaries, keptTabs] = importTwice(true);
    const auto [readSummaries, readTabs] = importTwice(false);
    EXPECT_EQ(keptSummaries, readSummaries);
    EXPECT_TRUE(keptTabs == readTabs);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptKeys,
    testing::Values(KeptKeysRow{"a person twice in a file, then as another program writes the name",
                                {},
                                {card("Zoe Park", "0113 496 0002", "zoe@example.com"),
                                 card("Bo Ek", "", "bo@example.com"),
                                 card("Zoe Park", "0113 496 0002", "zoe@example.com"),
                                 card("ZOE PARK", "07700 900456", "zoe@example.com")},
                                ImportDuplicates::Merge},
                    KeptKeysRow{
                        "names of other scripts, national numbers and e-mail in capitals",
                        {card("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"
                              "\xD0\xBE\xD0\xB2",
                              "+44 20 7946 0001"),
                         card("Bo Ek", "", "bo@example.com")},
                        {card("Ivanov Ivan", "020 7946 0001"), card("B. Ek", "", "BO@Example.COM"),
                         card("\xC3\x89mile Zola", "0161 946 0001")},
                        ImportDuplicates::Skip},
                    KeptKeysRow{"texts cut to their fields, imported twice and kept",
                                {card("Long Name "
                                      "0123456789012345678901234567890123456789",
                                      "", "", QByteArray(900, 'n'))},
                                {card("Long Name "
                                      "0123456789012345678901234567890123456789",
                                      "", "", QByteArray(900, 'n')),
                                 card("Ann Lee", "0113 496 0000")},
                                ImportDuplicates::Keep},
                    KeptKeysRow{"a staged page damaged before the meeting",
                                {},
                                {card("Ann Lee", "0113 496 0000"), card("Ann Lee", "0113 496 0000"),
                                 card("Ann Lee", "+44 113 496 0000", "ann@example.com")},
                                ImportDuplicates::Merge,
                                true}),
    [](const testing::TestParamInfo<KeptKeysRow>& info) { return std::to_string(info.index); });
