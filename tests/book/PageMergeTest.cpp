#include "book/PageMerge.h"

#include "store/PageIdentity.h"
#include "store/PageViewIndex.h"
#include "store/Trash.h"
#include "support/FakeClock.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace orvelan;
using namespace orvelan::test;

namespace {

using Fields = std::vector<std::pair<int, const char*>>;

PageTexts textsOf(const Fields& fields) {
    PageTexts texts;
    for (const auto& [index, text] : fields)
        texts[index] = QString::fromUtf8(text);
    return texts;
}

// Fits Department in Windows-1252 (one byte a letter), not in the SCSU page a Cyrillic name
// makes of the merged page, where each euro sign between Latin-1 letters takes two bytes.
std::string repeated(const char* text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}
const std::string LongDepartment = repeated("é€", 16);
const std::string NotesA = std::string(500, 'a');
const std::string NotesB = std::string(500, 'b');

struct MergeCase {
    const char* what;
    std::vector<Fields> pages;
    Fields expected; // the merged page's fields, Notes among them; others empty
    bool refused = false;
};

class MergeTextsTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeTextsTest, KeepsEveryDistinctValue) {
    QList<PageTexts> pages;
    for (const Fields& fields : GetParam().pages)
        pages << textsOf(fields);
    const MergedTexts merged = mergeTexts(pages, PhoneNumbers(QStringLiteral("GB")));
    EXPECT_EQ(!merged.problem.isEmpty(), GetParam().refused) << merged.problem.toStdString();
    if (GetParam().refused)
        return;
    const PageTexts expected = textsOf(GetParam().expected);
    for (int i = 0; i < ViewFieldCount; ++i)
        EXPECT_EQ(merged.texts[i].toStdString(), expected[i].toStdString())
            << GetParam().what << ", field " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, MergeTextsTest,
    testing::Values(MergeCase{"three pages with a conflict in every kind of field",
                              {{{VName, "Ivanov, Ivan"},
                                {VAddr1, "1 High St"},
                                {VAddr1 + 1, "Leeds"},
                                {VPhone1, "+44 20 7946 0001"},
                                {VEmail, "ivan@example.com"},
                                {VGroup, "Friends"},
                                {VOrganisation, "Acme"},
                                {VNotes, "Met in 2019."}},
                               {{VName, "Иванов Иван"},
                                {VAddr1, "2 Low Rd"},
                                {VAddr1 + 1, "York"},
                                {VPhone1, "020 7946 0001"},
                                {VMobile, "07700 900123"},
                                {VEmail, "IVAN@EXAMPLE.COM"},
                                {VGroup, "Chess"},
                                {VOrganisation, "Beta Ltd"},
                                {VJobTitle, "Engineer"},
                                {VOrgAddr1, "9 Dock St"},
                                {VNotes, "Likes tea."}},
                               {{VName, "IVAN IVANOV"},
                                {VAddr1, "1 high st"},
                                {VAddr1 + 1, "LEEDS"},
                                {VPhone1, "+44 113 496 0000"},
                                {VMobile, "07700 900999"},
                                {VEmail, "ivan@work.example"},
                                {VGroup, "Work"},
                                {VOrganisation, "Acme"},
                                {VJobTitle, "Chief Engineer"},
                                {VDepartment, LongDepartment.c_str()},
                                {VNotes, "met in 2019."}}},
                              {{VName, "Ivanov, Ivan"},
                               {VAddr1, "1 High St"},
                               {VAddr1 + 1, "Leeds"},
                               {VPhone1, "+44 20 7946 0001"},
                               {VPhone2, "+44 113 496 0000"},
                               {VMobile, "07700 900123"},
                               {VEmail, "ivan@example.com"},
                               {VGroup, "Friends, Chess, Work"},
                               {VOrganisation, "Acme"},
                               {VJobTitle, "Engineer"},
                               {VOrgAddr1, "9 Dock St"},
                               {VNotes,
                                "Met in 2019.\nName: Иванов Иван\n"
                                "Organisation: Beta Ltd\n"
                                "Address: 2 Low Rd, York\nMobile: 07700 900999\n"
                                "E-Mail: ivan@work.example\nJob Title: Chief Engineer\n"
                                "Department: é€é€é€é€é€é€é€é€é€é€é€é€é€é€é€é€\nLikes tea."}}},
                    MergeCase{"the same page twice adds nothing",
                              {{{VName, "Ann Lee"},
                                {VPhone1, "0113 496 0000"},
                                {VGroup, "Friends, Chess"},
                                {VNotes, "Neighbour"}},
                               {{VName, "ann  lee"},
                                {VMobile, "+44 113 496 0000"},
                                {VGroup, "chess"},
                                {VNotes, "neighbour"}}},
                              {{VName, "Ann Lee"},
                               {VPhone1, "0113 496 0000"},
                               {VGroup, "Friends, Chess"},
                               {VNotes, "Neighbour"}}},
                    MergeCase{"notes that cannot hold it all refuse the merge",
                              {{{VName, "Bo Ek"}, {VNotes, NotesA.c_str()}},
                               {{VName, "Bo Ek"}, {VNotes, NotesB.c_str()}}},
                              {},
                              true}));

// The book side: the kept page keeps its place and identity; the page as it was and the pages
// merged away are in the trash; a refused merge changes nothing.
TEST(MergePages, TrashHoldsAllThreeAndRefusalChangesNothing) {
    TempBook book;
    QByteArray kept = TempBook::record(
        {{Field::Name, "Carl Dahl"}, {Field::Phone1, "0113 496 0000"}, {Field::Notes, "Met"}});
    setPageId(kept, PageId::fromValue(0x112233445566));
    book.writeTab(
        4, {kept, TempBook::record({{Field::Name, "Dahl, Carl"}, {Field::Mobile, "07700 900123"}}),
            TempBook::record({{Field::Name, "Dahl Carl"}, {Field::Notes, QByteArray(824, 'n')}})});
    FakeClock clock;
    const PhoneNumbers phones(QStringLiteral("GB"));
    MergeOutcome outcome;
    QString error;
    const QList<PagePosition> three = {{4, 2}, {4, 1}, {4, 3}};
    EXPECT_FALSE(mergePages(book.folder(), clock, phones, three, 1, outcome, error));
    EXPECT_FALSE(QFile::exists(Trash(book.folder()).path())) << error.toStdString();
    EXPECT_EQ(book.page(4, 2).text(Field::Name), QStringLiteral("Dahl, Carl"));
    // A trash that cannot be kept stops the merge before a page changes.
    const QString trashPath = Trash(book.folder()).path();
    ASSERT_TRUE(QDir().mkpath(trashPath));
    const QByteArray before = book.tabBytes(4);
    EXPECT_FALSE(mergePages(book.folder(), clock, phones, three.first(2), 1, outcome, error));
    EXPECT_EQ(error, QStringLiteral("Cannot read the trash %1: A folder or a link stands where "
                                    "the file should be.")
                         .arg(trashPath));
    EXPECT_EQ(book.tabBytes(4), before);
    ASSERT_TRUE(QDir(trashPath).removeRecursively());

    ASSERT_TRUE(mergePages(book.folder(), clock, phones, three.first(2), 1, outcome, error))
        << error.toStdString();
    EXPECT_EQ(outcome.kept, (PagePosition{4, 1}));
    const QByteArray stored = book.tabBytes(4).first(RecordSize);
    EXPECT_EQ(pageIdOf(stored), PageId::fromValue(0x112233445566));
    EXPECT_EQ(book.page(4, 1).text(Field::Mobile), QStringLiteral("07700 900123"));
    EXPECT_TRUE(book.page(4, 2).isBlank());
    Trash trash(book.folder());
    ASSERT_TRUE(trash.load(error));
    QStringList whys;
    for (const TrashEntry& entry : trash.entries())
        whys << entry.why + u':' + entry.from;
    EXPECT_EQ(whys, QStringList({TrashReason::BeforeMerge + QStringLiteral(":tab D, page 1"),
                                 TrashReason::Merged + QStringLiteral(":tab D, page 2")}));
}

// A batch of page writes keeps the old forms in the trash before any page changes; a page that
// cannot be written takes its entry out again, and a trash that cannot be written changes no page.
struct BatchCase {
    const char* what;
    rlim_t fileLimit;    // 0: none; else writes at or past it fail (the trash's, page 9's)
    QList<bool> written; // pages 1 and 9 of an eight-page tab
};

class TrashedWritesTest : public testing::TestWithParam<BatchCase> {};

TEST_P(TrashedWritesTest, NoChangedPageWithoutItsOldFormInTheTrash) {
    const BatchCase& c = GetParam();
    TempBook book;
    book.writeTab(4, QList<QByteArray>(8, TempBook::named("Dee Old")));
    const QByteArray before = book.tabBytes(4);
    TrashedWrites writes(book.folder());
    QString error;
    ASSERT_TRUE(writes.open(error)) << error.toStdString();
    TrashEntry entry;
    entry.deletedAt = QDateTime::currentDateTimeUtc();
    entry.record = TempBook::named("Dee Old");
    QList<bool> written;
    {
        std::optional<FileSizeLimit> limit;
        if (c.fileLimit)
            limit.emplace(c.fileLimit);
        for (const qint64 page : {1, 9})
            writes.add({4, page}, TempBook::named("Dee New"), {entry});
        for (const TrashedWrites::Written& page : writes.flush())
            written << (page.failed == 0);
        writes.finish();
    }
    EXPECT_EQ(written, c.written) << c.what;
    Trash trash(book.folder());
    ASSERT_TRUE(trash.load(error)) << error.toStdString();
    EXPECT_EQ(trash.entries().size(), written.count(true)) << c.what;
    EXPECT_EQ(book.tabBytes(4).first(RecordSize) == before.first(RecordSize), !c.written[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, TrashedWritesTest,
    testing::Values(BatchCase{"every page written", 0, {true, true}},
                    BatchCase{"a page past the end cannot grow the tab", 12000, {true, false}},
                    BatchCase{"the trash cannot be written", 2000, {false, false}}));

} // namespace
