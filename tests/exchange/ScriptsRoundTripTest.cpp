// Names and notes in every script, added with the tool and carried through exchange files and
// comma-separated files without loss (their filing and search: the store's and search's tests).
#include "ExchangeTestData.h"
#include "cli/Commands.h"
#include "exchange/Export.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/eab/EabContainer.h"
#include "store/PageTexts.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::cli;
using namespace Qt::StringLiterals;
using orvelan::test::TempBook;

namespace {

struct Person {
    QString name;
    QString notes;
    int tab;
};

const QList<Person>& people() {
    static const QList<Person> list = {
        {u"\u00c9mile Zola"_s, u"na\u00efve caf\u00e9"_s, 5},
        {u"\u0141ukasz Nowak"_s, u"ul. \u0141\u00f3d\u017a"_s, 11},
        {u"\u0418\u0432\u0430\u043d\u043e\u0432"_s,
         u"\u041c\u043e\u0441\u043a\u0432\u0430\n\u0434\u043e\u043c"_s, 9},
        {u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"_s,
         u"\u0391\u03b8\u03ae\u03bd\u03b1"_s, 15},
        {u"\u738b\u82b3"_s, u"\u5317\u4eac \U0001F600"_s, 22},
        {u"Zed \U0001F389"_s, u"\U0001F388\U0001F389"_s, 25},
    };
    return list;
}

struct Tool : orvelan::test::ToolHarness {
    // The command's exit status; only what this command printed stays in `out`.
    int run(Command command, const QStringList& args) {
        out.clear();
        return ToolHarness::run(command, args);
    }
    void addEveryone() {
        for (const Person& person : people())
            ASSERT_EQ(run(runAdd, {u"Name="_s + person.name, u"Notes="_s + person.notes}), 0);
    }
};

// The name and notes of the first named page of a tab.
std::pair<QString, QString> firstPage(const TempBook& book, int tab) {
    for (qint64 page = 1; page <= book.pageCount(tab); ++page) {
        const PageTexts texts = textsOf(book.page(tab, page));
        if (!texts[0].isEmpty())
            return {texts[0], texts[NotesViewIndex]};
    }
    return {};
}

} // namespace

TEST(Scripts, ExchangeFilesCarryScsuPagesWithTheirMarker) {
    Tool source;
    source.addEveryone();
    ASSERT_EQ(source.run(runShow, {u"W"_s, u"1"_s}), 0);
    EXPECT_TRUE(source.out.contains(u"\u738b\u82b3"_s));
    const QByteArray file =
        buildEabExport(source.book.folder(), findPages(source.book.folder(), {}));
    const EabRead read = readEab(file);
    ASSERT_EQ(read.status, EabRead::Status::Ok);
    EXPECT_EQ(encodingOfStored(read.segments[11 - 1].first(RecordSize)), TextEncoding::Scsu);
    EXPECT_EQ(encodingOfStored(read.segments[5 - 1].first(RecordSize)), TextEncoding::Windows1252);

    TempBook target;
    ImportStaging staging(target.folder());
    staging.replaceLetterTabs(read.segments);
    EXPECT_EQ(importListed(target.folder(), staging.list()).written, people().size());
    for (const Person& person : people())
        EXPECT_EQ(firstPage(target, person.tab), std::make_pair(person.name, person.notes));
}

TEST(Scripts, Utf8CommaSeparatedFilesKeepEveryCharacter) {
    Tool source;
    source.addEveryone();
    ExportCounts counts;
    const QByteArray csv = buildCsvExport(source.book.folder(), findPages(source.book.folder(), {}),
                                          {}, CsvEncoding::Utf8, &counts);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBFName,"));
    EXPECT_EQ(counts.unmappable, 0);

    TempBook target;
    FieldMapping mapping;
    mapping.setColumns(csvColumns(csv));
    mapping.autoMap();
    ImportStaging staging(target.folder());
    const ImportSummary outcome = stageCsv(csv, mapping, staging, Now);
    EXPECT_EQ(outcome.staged, people().size());
    EXPECT_EQ(outcome.refusedTotal(), 0);
    importListed(target.folder(), staging.list());
    for (const Person& person : people())
        EXPECT_EQ(firstPage(target, person.tab), std::make_pair(person.name, person.notes));
    // Out again: the same file.
    EXPECT_EQ(
        buildCsvExport(target.folder(), findPages(target.folder(), {}), {}, CsvEncoding::Utf8),
        csv);
}

TEST(Scripts, AWindows1252ExportCountsWhatItCannotHold) {
    Tool tool;
    tool.addEveryone();
    ExportCounts counts;
    const QByteArray csv = buildCsvExport(tool.book.folder(), findPages(tool.book.folder(), {}), {},
                                          CsvEncoding::Windows1252, &counts);
    EXPECT_TRUE(csv.contains("\xc9mile Zola,,,,,,,,,,,,,,,,,,,,,na\xefve caf\xe9"))
        << "a Windows-1252 page is exported byte for byte";
    // Łukasz Nowak + Łódź: 2; Иванов + Москва + дом: 15; Greek: 12 + 6; Chinese: 2 + 2 + 1;
    // Zed's party popper, balloon and popper: 3.
    EXPECT_EQ(counts.unmappable, 2 + 15 + 18 + 5 + 3);
    EXPECT_TRUE(csv.contains("?ukasz Nowak"));

    const QString path = tool.book.root() + u"/out.csv"_s;
    ASSERT_EQ(tool.run(runExport, {u"csv"_s, path}), 0);
    EXPECT_TRUE(tool.out.contains(u"43 character(s) have no Windows-1252 form"_s))
        << tool.out.toStdString();
    EXPECT_EQ(fileBytes(path), csv);
}
