// Whole files in the layouts that address programs write, read as a new user would: every
// record is imported or refused with its reason and name.
#include "ExchangeTestData.h"
#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/csv/CsvReader.h"
#include "store/PageRecord.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

// Reads `bytes` with Auto mapping and imports every listed record.
ImportSummary importWithAuto(const TempBook& book, const QByteArray& bytes,
                             FieldMapping* used = nullptr) {
    FieldMapping mapping;
    mapping.setColumns(csvColumns(bytes));
    mapping.autoMap();
    ImportStaging staging(book.folder());
    ImportSummary summary = stageCsv(bytes, mapping, staging, Now);
    const ImportOutcome outcome = importListed(book.folder(), staging.list());
    summary.recordImport(outcome.perTab, outcome.written, outcome.failures);
    if (used)
        *used = mapping;
    return summary;
}

// The page filed under `name`; an empty page when there is none.
PageRecord pageNamed(const TempBook& book, const QString& name) {
    const int tab = tabForName(QStringView(name));
    for (qint64 n = 1; n <= book.pageCount(tab); ++n) {
        const PageRecord page = book.page(tab, n);
        if (page.text(Field::Name) == name)
            return page;
    }
    ADD_FAILURE() << "no page named " << name.toStdString();
    return {};
}

struct Layout {
    const char* file;
    const char* encoding;
    const char* separator;
    const char* annaName; // how the layout's name columns give Anna Adams' name
    const char* cyrillic; // how they give Ivan Ivanov's name, in Cyrillic or Latin letters
};

class ImportLayouts : public testing::TestWithParam<Layout> {};

TEST_P(ImportLayouts, EveryRecordIsImportedOrRefusedByName) {
    const Layout& layout = GetParam();
    TempBook book;
    FieldMapping mapping;
    const ImportSummary summary = importWithAuto(book, dataFile(layout.file), &mapping);

    // Auto finds a name column in every layout, joining first and last names where needed.
    EXPECT_GE(mapping.sourceColumns()[0], 0) << mapping.lines()[0].toStdString();
    EXPECT_EQ(summary.encoding, QLatin1StringView(layout.encoding));
    EXPECT_EQ(summary.separator, QLatin1StringView(layout.separator));
    EXPECT_EQ(summary.read, 32);
    EXPECT_EQ(summary.imported, 31);
    EXPECT_EQ(summary.imported + summary.refusedTotal(), summary.read);
    EXPECT_EQ(summary.importFailures, 0);
    // The company that begins with a digit goes to the first tab; the contact with no name is
    // named, not lost.
    EXPECT_EQ(summary.refusedCount(ImportSummary::Refusal::NotFileable), 0);
    EXPECT_EQ(tabForName(pageNamed(book, u"3M Company"_s).text(Field::Name)), 0);
    EXPECT_EQ(summary.refusedCount(ImportSummary::Refusal::NoName), 1);
    EXPECT_EQ(summary.refusedCount(ImportSummary::Refusal::Damaged), 0);
    EXPECT_EQ(qsizetype(summary.refusedTotal()), summary.refusedRecords().size());

    // The common columns reach their fields, quoted commas and all.
    const PageRecord anna = pageNamed(book, QString::fromLatin1(layout.annaName));
    // Names of every script are filed under their Latin base letter.
    EXPECT_EQ(tabForName(pageNamed(book, QString::fromUtf8(layout.cyrillic)).text(Field::Name)), 9);
    EXPECT_EQ(anna[Field::Email], "anna.adams@example.org");
    EXPECT_EQ(anna[Field::Phone1], "0113 496 0000");
    EXPECT_EQ(anna[Field::Organisation], "Company 0");
    EXPECT_EQ(anna[Field::JobTitle], "Clerk");
    EXPECT_EQ(anna[Field::Department], "Sales");
    EXPECT_EQ(anna[Field::Addr1], "1 High Street");
    EXPECT_EQ(anna[Field::Addr2], "Leeds");
    EXPECT_EQ(anna[Field::Addr6], "LS1 0AA");
    EXPECT_EQ(anna[Field::OrgWeb], "https://example.org/0");
    const bool lastFirst = QByteArray(layout.annaName).startsWith("Adams");
    const QString carl = lastFirst ? u"Clark, Carl"_s : u"Carl Clark"_s;
    EXPECT_EQ(pageNamed(book, carl)[Field::Organisation], "Clark, Sons & Co");
    const QString ben = lastFirst ? u"Baker, Ben"_s : u"Ben Baker"_s;
    // The notes column first, then the columns mapped to no field.
    EXPECT_TRUE(pageNamed(book, ben)[Field::Notes].startsWith("Met at the fair, 2019\r\nLikes tea"))
        << pageNamed(book, ben)[Field::Notes].constData();
    // An address too long for its field is cut, and the summary says which.
    EXPECT_EQ(summary.cutByField().value(u"Email"_s), 1);
    EXPECT_TRUE(summary.text().contains(u"Values cut to fit their field: 1 (Email 1)"_s))
        << summary.text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportLayouts,
    testing::Values(Layout{"webmail-current.csv", "UTF-8", "comma", "Adams, Anna",
                           "\u0418\u0432\u0430\u043d\u043e\u0432, \u0418\u0432\u0430\u043d"},
                    Layout{"webmail-legacy.csv", "UTF-8", "comma", "Anna Adams",
                           "\u0418\u0432\u0430\u043d \u0418\u0432\u0430\u043d\u043e\u0432"},
                    Layout{"mail-client.csv", "UTF-8", "comma", "Anna Adams",
                           "\u0418\u0432\u0430\u043d \u0418\u0432\u0430\u043d\u043e\u0432"},
                    Layout{"office-suite.csv", "UTF-8", "comma", "Adams, Anna",
                           "\u0418\u0432\u0430\u043d\u043e\u0432, \u0418\u0432\u0430\u043d"},
                    Layout{"office-suite-semicolon.csv", "Windows-1252", "semicolon", "Adams, Anna",
                           "Ivanov, Ivan"}),
    [](const testing::TestParamInfo<Layout>& info) { return std::to_string(info.index); });

TEST(ImportSummaryText, NamesRefusedRecordsAndCountsTabs) {
    TempBook book;
    const ImportSummary summary = importWithAuto(book, dataFile("mail-client.csv"));
    const QString text = summary.text();
    EXPECT_TRUE(text.contains(u"\nRecords read: 32\nImported 31 page(s). By tab: *0 1, A 2,"_s))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"\"3M Company\""_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"no name: 1 - (no name; \"nobody31@example.org\") (line 34)"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"Refused 1 record(s):\n"_s)) << text.toStdString();
    EXPECT_FALSE(summary.complete());
}

TEST(ImportSummaryText, DamagedRecordIsNamedAndTheRestImported) {
    // The mail client's layout with Ben's notes opening a quotation mark that never closes.
    QByteArray file = dataFile("mail-client.csv");
    file.replace("\"Met at the fair, 2019\nLikes tea\"", "\"Met at the fair, 2019");
    TempBook book;
    const ImportSummary summary = importWithAuto(book, file);
    EXPECT_EQ(summary.read, 32);
    EXPECT_EQ(summary.refusedCount(ImportSummary::Refusal::Damaged), 1);
    EXPECT_EQ(summary.imported + summary.refusedTotal(), summary.read);
    EXPECT_EQ(summary.imported, 30);
    const QString text = summary.text();
    EXPECT_TRUE(text.contains(u"bad record (a quotation mark that is never closed): "
                              "1 - \"Ben Baker\" (line 3)"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"Lines skipped as damaged: 1"_s));
    EXPECT_EQ(pageNamed(book, u"Carl Clark"_s)[Field::Organisation], "Clark, Sons & Co");
}

// A spreadsheet's "Unicode text": UTF-16 with a byte-order mark, either byte order.
TEST(ImportEncodings, Utf16ReadsLikeUtf8) {
    const QString text = QString::fromUtf8(dataFile("office-suite.csv").sliced(3));
    for (const bool bigEndian : {false, true}) {
        TempBook book;
        const ImportSummary summary = importWithAuto(book, utf16(text, bigEndian));
        EXPECT_EQ(summary.encoding, bigEndian ? u"UTF-16 BE"_s : u"UTF-16 LE"_s);
        EXPECT_EQ(summary.read, 32);
        EXPECT_EQ(summary.imported, 31);
        EXPECT_EQ(pageNamed(book, u"Zimmer, Zo\u00eb"_s)[Field::Phone1], "0113 496 0025");
    }
}

// One line written by another program in Windows-1252 inside a UTF-8 file.
TEST(ImportEncodings, StrayWindows1252LineKeepsTheRestUtf8) {
    QByteArray bytes = dataFile("mail-client.csv");
    bytes.replace("Zo\xC3\xAB,Zimmer,Zo\xC3\xAB Zimmer", "Zo\xEB,Zimmer,Zo\xEB Zimmer");
    TempBook book;
    const ImportSummary summary = importWithAuto(book, bytes);
    EXPECT_EQ(summary.encoding, u"UTF-8"_s);
    EXPECT_EQ(summary.windows1252Lines, 1);
    EXPECT_TRUE(summary.text().contains(u"Lines read as Windows-1252 (not UTF-8): 1"_s));
    EXPECT_EQ(summary.imported, 31);
    pageNamed(book, u"Zo\u00eb Zimmer"_s);
    pageNamed(book, u"\u00c9mile Zola"_s); // not "Ã‰mile"
}

} // namespace
