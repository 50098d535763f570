#include "exchange/Export.h"
#include "ExchangeTestData.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/eab/EabContainer.h"
#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"
#include "support/TempBook.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace orvelan;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

QByteArray page(std::initializer_list<std::pair<Field, QByteArray>> fields) {
    return TempBook::record(fields);
}

QList<QByteArray> csvLines(const QByteArray& file) {
    QList<QByteArray> lines = file.split('\n');
    EXPECT_TRUE(lines.last().isEmpty());
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r'));
        line.chop(1);
    }
    return lines;
}

} // namespace

TEST(EabLayout, OnePageOfTabTwoAndThreeOfTabFive) {
    TempBook book;
    const QByteArray bea = page({{Field::Name, "Bea"}, {Field::Phone1, "123"}});
    const QByteArray e1 = page({{Field::Name, "Ed"}});
    const QByteArray e2 = page({{Field::Name, "Ella"}});
    const QByteArray e3 = page({{Field::Name, "Eric"}});
    book.writeTab(2, {blankRecord(), bea});
    book.writeTab(5, {e1, e2, blankRecord(), e3});
    const QList<ListedRecord> listed = findPages(book.folder(), {});
    ASSERT_EQ(listed.size(), 4);
    const QByteArray file = buildEabExport(book.folder(), listed);

    ASSERT_EQ(file.size(), 45880);
    for (int t = 1; t <= 25; ++t) {
        const QByteArray field = file.mid(10 * (t - 1), 10);
        const QByteArray expected = t == 5 ? "5070      " : "1690      ";
        EXPECT_EQ(field, expected) << t;
    }
    // Segment 1 is a blank page; segment 2 the page as stored; segment 5 three pages in order.
    EXPECT_EQ(file.mid(250, RecordSize), blankRecord());
    EXPECT_EQ(file.mid(250 + RecordSize, RecordSize), bea);
    const qsizetype segment5 = 250 + 4 * RecordSize;
    EXPECT_EQ(file.mid(segment5, 3 * RecordSize), e1 + e2 + e3);
    EXPECT_EQ(file.mid(segment5 + 3 * RecordSize, RecordSize), blankRecord());
    EXPECT_EQ(file.right(RecordSize), blankRecord());

    // Read back: four named records, blank pages not listed.
    const EabRead read = readEab(file);
    ASSERT_EQ(read.status, EabRead::Status::Ok);
    EXPECT_EQ(read.segments[1], bea);
    EXPECT_EQ(read.segments[4].size(), 5070);
    ImportStaging staging(book.folder());
    staging.replaceLetterTabs(read.segments);
    const QList<ListedRecord> staged = staging.list();
    ASSERT_EQ(staged.size(), 4);
    EXPECT_EQ(staged[0].tab, 2);
    EXPECT_EQ(staged[0].record, 1);
    EXPECT_EQ(staged[3].record, 3);
}

TEST(EabRoundTrip, BookToEabToAnotherBook) {
    TempBook source;
    QList<QByteArray> pages;
    for (int i = 0; i < 30; ++i)
        pages.append(page({{Field::Name, "Karl " + QByteArray::number(i)},
                           {Field::Notes, "a\r\nb"},
                           {Field::DateModified, "01/02/03"}}));
    source.writeTab(10, pages);
    const QByteArray file = buildEabExport(source.folder(), findPages(source.folder(), {}));

    TempBook target;
    target.writeTab(10, {TempBook::named("Kim"), blankRecord()});
    ImportStaging staging(target.folder());
    staging.replaceLetterTabs(readEab(file).segments);
    const ImportOutcome outcome = importListed(target.folder(), staging.list());
    EXPECT_EQ(outcome.written, 30);
    ASSERT_EQ(target.pageCount(10), 31);
    EXPECT_EQ(target.tabBytes(10).mid(RecordSize), source.tabBytes(10));
}

TEST(EabRead, DamagedAndForeignFiles) {
    EabSegmentList segments;
    segments[0] = TempBook::named("Ann") + TempBook::named("Amy");
    const QByteArray good = buildEab(segments);

    EXPECT_EQ(readEab(good.left(249)).status, EabRead::Status::Refused);
    EXPECT_EQ(readEab(QByteArray(300, 'x')).status, EabRead::Status::Refused);
    QByteArray letters = good;
    letters.replace(20, 4, "12ab");
    EXPECT_EQ(readEab(letters).status, EabRead::Status::Refused);

    // Cut inside segment 1: the whole first record stays, the rest is gone.
    EabRead cut = readEab(good.left(250 + RecordSize + 100));
    EXPECT_EQ(cut.status, EabRead::Status::Damaged);
    EXPECT_EQ(cut.segments[0], TempBook::named("Ann"));
    EXPECT_TRUE(cut.segments[1].isEmpty());

    // A length that is not a multiple of the record size keeps whole records and stays aligned.
    QByteArray odd = good;
    odd.replace(0, 10, "3390      ");
    odd.insert(250 + 2 * RecordSize, "\0\0\0\0\0\0\0\0\0\0", 10);
    const EabRead oddRead = readEab(odd);
    EXPECT_EQ(oddRead.status, EabRead::Status::Damaged);
    EXPECT_EQ(oddRead.segments[0], segments[0]);
    EXPECT_EQ(oddRead.segments[1], blankRecord());

    // A huge length never reads past the end or allocates beyond the file.
    QByteArray huge = good;
    huge.replace(0, 10, "9999999999");
    const EabRead hugeRead = readEab(huge);
    EXPECT_EQ(hugeRead.status, EabRead::Status::Damaged);
    EXPECT_EQ(hugeRead.segments[0].size(), (good.size() - 250) / RecordSize * RecordSize);

    // Zero-length segments are empty.
    QByteArray zero = QByteArray("0         ").repeated(25);
    EabRead zeroRead = readEab(zero);
    EXPECT_EQ(zeroRead.status, EabRead::Status::Ok);
    EXPECT_TRUE(zeroRead.segments[3].isEmpty());

    // Read from the file a few records at a time, each gives what it gives read whole.
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"file.eab"_s);
    for (const QByteArray& file :
         {good, good.left(249), letters, good.left(250 + RecordSize + 100), odd, huge, zero}) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();
        const EabRead whole = readEab(file);
        int error = 0;
        const EabLayout layout = eabLayout(path, error);
        EXPECT_EQ(layout.status, whole.status);
        EabSegmentList read;
        EXPECT_EQ(scanEab(
                      path, layout,
                      [&](int tab, QByteArrayView records) {
                          read[tab - 1] += records;
                          return true;
                      },
                      2),
                  0);
        EXPECT_EQ(read, whole.segments);
    }
}

TEST(CsvExport, ColumnsFallbacksAndQuoting) {
    TempBook book;
    book.writeTab(1, {page({{Field::Name, "Adams, Ann"},
                            {Field::OrgEmail, "ann@work"},
                            {Field::Addr1, "1 Road"},
                            {Field::Addr6, "AB1 2CD"},
                            {Field::OrgAddr5, "W1"},
                            {Field::OrgAddr6, "W2"},
                            {Field::Phone1, "111"},
                            {Field::Phone2, "222"},
                            {Field::Fax, "333"},
                            {Field::Mobile, "444"},
                            {Field::Pager, "555"},
                            {Field::Group, "Friends"},
                            {Field::OrgWeb, "www.x"},
                            {Field::Organisation, "Acme"},
                            {Field::JobTitle, "Boss"},
                            {Field::Department, "Top"},
                            {Field::Notes, "say \"hi\"\r\nbye, now"}}),
                      blankRecord(),
                      page({{Field::Name, "Al"},
                            {Field::Email, "al@home"},
                            {Field::OrgEmail, "x"},
                            {Field::Addr5, "P1"},
                            {Field::Addr6, "P2"}})});
    const QByteArray file = buildCsvExport(book.folder(), findPages(book.folder(), {}));
    const QList<QByteArray> lines = csvLines(file);
    ASSERT_EQ(lines.size(), 4); // header, Ann (two physical lines), Al
    EXPECT_EQ(lines[0], CsvExportHeader);
    EXPECT_EQ(lines[1] + "\r\n" + lines[2],
              "Adams. Ann,ann@work,1 Road,,,,AB1 2CD,111,333,444,,,,,W1,www.x,222,555,Acme,Boss,"
              "Top,\"say \"\"hi\"\"\r\nbye. now\"");
    EXPECT_EQ(lines[3], "Al,al@home,,,,,P1,,,,,,,,,,,,,,,");
    EXPECT_EQ(lines[3].count(','), 21);
}

TEST(CsvRoundTrip, BookToCsvToBook) {
    TempBook source;
    const std::initializer_list<std::pair<Field, QByteArray>> carol = {
        {Field::Name, "Carol"},      {Field::Email, "c@x"},           {Field::Addr2, "Town"},
        {Field::Phone1, "01"},       {Field::Phone2, "02"},           {Field::OrgAddr1, "Works"},
        {Field::Organisation, "Co"}, {Field::Notes, "one\r\n\"two\""}};
    source.writeTab(3, {page(carol)});
    const QByteArray csv = buildCsvExport(source.folder(), findPages(source.folder(), {}));

    TempBook target;
    FieldMapping mapping;
    mapping.setColumns(csvColumns(csv));
    mapping.autoMap();
    ImportStaging staging(target.folder());
    EXPECT_EQ(stageCsv(csv, mapping, staging, Now).staged, 1);
    importListed(target.folder(), staging.list());
    for (const auto& [field, value] : carol)
        EXPECT_EQ(target.page(3, 1)[field], value) << specOf(field).name;

    // And out again: the same line.
    const QByteArray again = buildCsvExport(target.folder(), findPages(target.folder(), {}));
    EXPECT_EQ(again, csv);
}

TEST(ExportFind, MatchesJoinedFieldsOfNamedPages) {
    TempBook book;
    book.writeTab(4, {page({{Field::Name, "Dora"}, {Field::Notes, "Gardener"}}),
                      page({{Field::Notes, "gardener without a name"}})});
    book.writeTab(0, {page({{Field::Name, "4 Seasons"}, {Field::Notes, "gardener"}})});
    EXPECT_EQ(findPages(book.folder(), u"GARDEN"_s).size(), 1);
    EXPECT_EQ(findPages(book.folder(), u"doragard"_s).size(), 1);
    EXPECT_EQ(findPages(book.folder(), u"nothing"_s).size(), 0);
    EXPECT_EQ(findPages(book.folder(), {})[0].line.right(11), u" D  /     1"_s);
}

TEST(ExportFiles, SafeWriteAndWorkFiles) {
    TempBook book;
    QList<QByteArray> pages;
    for (int i = 0; i < 5; ++i)
        pages.append(TempBook::named("Fay " + QByteArray::number(i)));
    book.writeTab(6, pages);
    const QList<ListedRecord> all = findPages(book.folder(), {});
    const QString path = book.root() + u"/out.eab"_s;
    ASSERT_TRUE(exportToFile(path, ExportFormat::Eab, book.folder(), all).isEmpty());
    ASSERT_TRUE(exportToFile(path, ExportFormat::Eab, book.folder(), all.first(1)).isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), buildEabExport(book.folder(), all.first(1))); // nothing left behind
    file.close();
    EXPECT_FALSE(
        exportToFile(book.root() + u"/no/such/dir/x.csv"_s, ExportFormat::Csv, book.folder(), all)
            .isEmpty());

    // A page that went away since it was listed is passed over.
    const QList<ListedRecord> stale = {{6, 99, {}}, all[0]};
    EXPECT_EQ(buildCsvExport(book.folder(), stale).count('\n'), 2);

    QFile work(book.folder().dataBookDir() + u"/Orvel01.exf"_s);
    ASSERT_TRUE(work.open(QIODevice::WriteOnly));
    work.close();
    removeExportWorkFiles(book.folder());
    EXPECT_FALSE(work.exists());
    EXPECT_TRUE(QFile::exists(book.folder().tabFilePath(1)));
}

namespace {

// A stored page whose fields hold exactly these bytes (leading spaces, a field filled to its last
// byte), in the encoding `reserved` marks.
QByteArray rawPage(std::initializer_list<std::pair<Field, QByteArray>> fields,
                   const QByteArray& reserved = {}) {
    QByteArray stored(RecordSize, ' ');
    for (const auto& [field, bytes] : fields)
        stored.replace(specOf(field).offset, bytes.size(), bytes);
    stored.replace(specOf(Field::Reserved).offset, reserved.size(), reserved);
    cipherRecordInPlace(stored.data());
    return stored;
}

// The export as the general routines build it, one deciphered page at a time.
QByteArray pageByPage(const TempBook& book, ExportFormat format, CsvEncoding encoding) {
    const bool csv = format == ExportFormat::Csv;
    QByteArray out;
    if (csv)
        out = (encoding == CsvEncoding::Utf8 ? "\xEF\xBB\xBF" : "") + QByteArray(CsvExportHeader) +
              "\r\n";
    const VCardVersion version =
        format == ExportFormat::VCard40 ? VCardVersion::V40 : VCardVersion::V30;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        std::map<QString, int> seen;
        const QByteArray stored = book.tabBytes(tab);
        for (qsizetype at = 0; at + RecordSize <= stored.size(); at += RecordSize) {
            const PlainRecord plain(QByteArrayView(stored).sliced(at, RecordSize));
            if (plain.isBlank())
                continue;
            if (csv) {
                out += csvExportLine(plain, encoding) + "\r\n";
                continue;
            }
            const PageTexts texts = textsOf(PageRecord::fromPlain(plain));
            const QString name = texts[0].trimmed();
            const int n = ++seen[name];
            const PageCardOptions options{
                version, derivedUid(n == 1 ? name : name + u'#' + QString::number(n)),
                pageRevision(plain.text(Field::DateModified), plain.text(Field::TimeModified))};
            out += writeVCard(cardFromPage(texts, options), version);
        }
    }
    return out;
}

struct WholeBookCase {
    ExportFormat format;
    CsvEncoding encoding;
};

class WholeBookExport : public testing::TestWithParam<WholeBookCase> {};

// The whole-book export reads each page where it lies in the tab file and deciphers only its
// texts; it writes what the general routines write from fully deciphered pages.
TEST_P(WholeBookExport, WritesWhatThePageByPageRoutinesWrite) {
    TempBook book;
    const QByteArray cp1252Edges = "Caf\xE9 \xA0Z\xA0";
    book.writeTab(1, {rawPage({{Field::Name, "  Ann\t"},
                               {Field::Email, "ann@x"},
                               {Field::Notes, "one\r\ntwo\rthree\nfour, \"q\"\r\n"},
                               {Field::DateModified, "04/03/26"},
                               {Field::TimeModified, "09:07"}}),
                      rawPage({{Field::Name, "Ann\t"},
                               {Field::Addr6, "A6"},
                               {Field::Pager, QByteArray(23, ' ') + "9"},
                               {Field::Department, QByteArray(31, ' ') + "D"}}),
                      blankRecord(), rawPage({{Field::Notes, "a page without a name"}}),
                      rawPage({{Field::Name, QByteArray(32, 'x')},
                               {Field::OrgWeb, QByteArray(59, 'w') + ","},
                               {Field::Addr1, " , " + QByteArray(29, 'a')},
                               {Field::Notes, QByteArray(823, 'n') + "\""}}),
                      rawPage({{Field::Name, cp1252Edges},
                               {Field::Group, " Friends ,\xA0, Work\t"},
                               {Field::Organisation, "Smith, Jones"},
                               {Field::Phone1, "\x80 5\x81"},
                               {Field::Notes, "\xA0"}}),
                      TempBook::textPage(u"\u738b\u82b3\u3000"_s, u"\u884c\u4e00\n\u884c\u4e8c"_s),
                      rawPage({{Field::Name, "Zo\xC3\xAB \xE2\x80\x83"},
                               {Field::Addr2, "Stra\xC3\x9F"
                                              "e"},
                               {Field::Notes, "x\r\ny"}},
                              QByteArray(Utf8PageMarkerBytes, ReservedWidth))});
    book.writeTab(2, {TempBook::named("Ann"), TempBook::named("Bob")});
    QList<QByteArray> many; // more than one window of the tab file
    for (int i = 0; i < 2500; ++i)
        many.append(TempBook::named("Cy " + QByteArray::number(i % 1000)));
    book.writeTab(3, many);
    const QString path = book.root() + u"/whole"_s;
    const ExportResult result =
        exportBookToFile(path, GetParam().format, book.folder(), {}, {}, GetParam().encoding);
    ASSERT_TRUE(result.ok()) << result.problem.toStdString();
    EXPECT_EQ(result.pages, 2508);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), pageByPage(book, GetParam().format, GetParam().encoding));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WholeBookExport,
    testing::Values(WholeBookCase{ExportFormat::Csv, CsvEncoding::Windows1252},
                    WholeBookCase{ExportFormat::Csv, CsvEncoding::Utf8},
                    WholeBookCase{ExportFormat::VCard30, {}},
                    WholeBookCase{ExportFormat::VCard40, {}}),
    [](const testing::TestParamInfo<WholeBookCase>& info) {
        return std::string(std::array{"Csv1252", "CsvUtf8", "VCard30", "VCard40"}[info.index]);
    });

} // namespace
