// An import meets the book: the same files imported twice file nothing twice, and every record
// is counted once, as filed, already in the book, merged, or looking like a page.
#include "cli/Commands.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"
#include "store/Trash.h"
#include "support/ToolHarness.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

// A file to import: its name and its contents.
struct File {
    const char* name;
    QByteArray bytes;
};

const File People{"people.csv", "Name,Phone,E-mail\nIvan Ivanov,+44 20 7946 0001,ivan@example.com\n"
                                "Ann Lee,0113 496 0000,\nBo Ek,,bo@example.com\n"};
// The same people as another program writes them, one of them with a new address.
const File Other{"other.csv", "Name,Phone,E-mail\nIVANOV IVAN,020 7946 0001,ivan@work.example\n"
                              "ann lee,+44 113 496 0000,\n"};
// Other names that share only a number (written nationally) or an e-mail address (in capitals)
// with a page, and one whose number only ends like a page's.
const File Facts{"facts.csv", "Name,Phone,E-mail\nI. Ivanov,020 7946 0001,\nB. Ek,,BO@Example.COM\n"
                              "Cy Doe,0161 946 0001,\n"};
// Two cards with one UID (written two ways) and one without a UID.
const File Cards{"cards.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Uma Unique\r\n"
                              "UID:urn:uuid:5f0c0000-0000-4000-8000-00000000000a\r\nEND:VCARD\r\n"
                              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Uma Unique\r\n"
                              "UID:5F0C0000-0000-4000-8000-00000000000A\r\nEND:VCARD\r\n"
                              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Una Other\r\nTEL:0113 496 0001\r\n"
                              "END:VCARD\r\n"};
// One person twice, then as another program writes the name, with a new number.
const File Twice{"twice.csv", "Name,Phone,E-mail\nZoe Park,0113 496 0002,zoe@example.com\n"
                              "Zoe Park,0113 496 0002,zoe@example.com\n"
                              "ZOE PARK,07700 900456,zoe@example.com\n"};
// Two look-alikes of one page, each with a new fact.
const File LookAlikes{
    "again.vcf",
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:IVANOV IVAN\r\nEMAIL:ivan@work.example\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ivanov\\, Ivan\r\nNOTE:Chess club\r\nEND:VCARD\r\n"};

struct Row {
    const char* what;
    File first;
    File second;
    const char* choice; // --duplicates for the second import, or nullptr
    QStringList secondLines;
    int pages; // named pages in the book at the end
    int trashed;
    const char* held = nullptr; // a text a page holds at the end
    QStringList firstLines = {};
};

qsizetype namedPages(const test::TempBook& book) {
    qsizetype named = 0;
    for (int tab = 0; tab < TabCount; ++tab) {
        for (qint64 page = 1; page <= book.pageCount(tab); ++page)
            named += book.page(tab, page).isBlank() ? 0 : 1;
    }
    return named;
}

class ImportMeetsBook : public testing::TestWithParam<Row> {};

TEST_P(ImportMeetsBook, NothingIsFiledTwiceAndEveryRecordIsCounted) {
    const Row& t = GetParam();
    test::ToolHarness cli;
    const auto import = [&](const File& file, const char* choice) {
        cli.out.clear();
        QStringList args{cli.write(QString::fromLatin1(file.name), file.bytes)};
        if (QByteArray(file.name).endsWith(".csv"))
            args << u"--map"_s << u"auto"_s;
        if (choice)
            args << u"--duplicates"_s << QString::fromLatin1(choice);
        EXPECT_EQ(cli.outcome(cli::runImport, args), u"0"_s) << cli.err.toStdString();
        return cli.out.split(u'\n');
    };
    const QStringList first = import(t.first, nullptr);
    for (const QString& line : t.firstLines)
        EXPECT_TRUE(first.contains(line)) << t.what << ": " << cli.out.toStdString();
    const QStringList second = import(t.second, t.choice);
    for (const QString& line : t.secondLines)
        EXPECT_TRUE(second.contains(line)) << t.what << ": " << cli.out.toStdString();
    EXPECT_EQ(namedPages(cli.book), t.pages) << t.what;
    Trash trash(cli.book.folder());
    QString error;
    ASSERT_TRUE(trash.load(error));
    EXPECT_EQ(trash.entries().size(), t.trashed) << t.what;
    bool held = !t.held;
    for (int tab = 0; tab < TabCount && !held; ++tab) {
        for (qint64 page = 1; page <= cli.book.pageCount(tab); ++page) {
            for (const QString& text : textsOf(cli.book.page(tab, page)))
                held = held || text.contains(QString::fromUtf8(t.held));
        }
    }
    EXPECT_TRUE(held) << t.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportMeetsBook,
    testing::Values(Row{"the same vCard file twice",
                        Cards,
                        Cards,
                        nullptr,
                        {u"Imported 0 page(s)."_s,
                         u"Already in the book, not imported again: 3 - Uma Unique, Uma "
                         "Unique, Una Other"_s},
                        2,
                        0,
                        nullptr,
                        {u"Imported 2 page(s). By tab: U 2"_s,
                         u"Already in the book, not imported again: 1 - Uma Unique"_s}},
                    Row{"the same comma-separated file twice",
                        People,
                        People,
                        nullptr,
                        {u"Imported 0 page(s)."_s,
                         u"Already in the book, not imported again: 3 - Ann Lee, Bo Ek, "
                         "Ivan Ivanov"_s},
                        3,
                        0,
                        nullptr,
                        {u"Imported 3 page(s). By tab: A 1, B 1, I J 1"_s}},
                    Row{"look-alikes are imported and named",
                        People,
                        Other,
                        nullptr,
                        {u"Imported 1 page(s). By tab: I J 1"_s,
                         u"Already in the book, not imported again: 1 - ann lee"_s,
                         u"Looks like a page in the book (run duplicates), imported: 1 - "
                         "IVANOV IVAN"_s},
                        4,
                        0},
                    Row{"a shared number or e-mail address alone makes a look-alike",
                        People,
                        Facts,
                        nullptr,
                        {u"Imported 3 page(s). By tab: B 1, C 1, I J 1"_s,
                         u"Looks like a page in the book (run duplicates), imported: 2 - "
                         "B. Ek, I. Ivanov"_s},
                        6,
                        0},
                    Row{"--duplicates merge merges look-alikes into their pages",
                        People,
                        Other,
                        "merge",
                        {u"Imported 0 page(s)."_s,
                         u"Merged into a page in the book: 1 - IVANOV IVAN"_s},
                        3,
                        1},
                    Row{"--duplicates keep files every record again",
                        People,
                        People,
                        "keep",
                        {u"Imported 3 page(s). By tab: A 1, B 1, I J 1"_s,
                         u"Looks like a page in the book (run duplicates), imported: 3 - "
                         "Ann Lee, Bo Ek, Ivan Ivanov"_s},
                        6,
                        0},
                    Row{"a file that holds a person twice files one page",
                        People,
                        Twice,
                        nullptr,
                        {u"Imported 2 page(s). By tab: Z 2"_s,
                         u"Already in the book, not imported again: 1 - Zoe Park"_s,
                         u"Looks like a page in the book (run duplicates), imported: 1 - "
                         "ZOE PARK"_s},
                        5,
                        0},
                    Row{"--duplicates merge merges a look-alike into a record of its file",
                        People,
                        Twice,
                        "merge",
                        {u"Imported 1 page(s). By tab: Z 1"_s,
                         u"Already in the book, not imported again: 1 - Zoe Park"_s,
                         u"Merged into a page in the book: 1 - ZOE PARK"_s},
                        4,
                        0,
                        "07700 900456"},
                    Row{"two look-alikes merged into one page keep both new facts",
                        People,
                        LookAlikes,
                        "merge",
                        {u"Imported 0 page(s)."_s,
                         u"Merged into a page in the book: 2 - IVANOV IVAN, Ivanov, Ivan"_s},
                        3,
                        1,
                        "ivan@work.example"}));

} // namespace
