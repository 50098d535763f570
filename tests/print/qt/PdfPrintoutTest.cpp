// Printouts rendered into PDF files through the painter surface, read back with pdftotext.
#include "cli/CliCommand.h"
#include "cli/Commands.h"
#include "print/PagePrintout.h"
#include "print/PdfText.h"
#include "print/SearchListPrintout.h"
#include "print/qt/QtPrinterSurface.h"

#include "support/FaultInjection.h"
#include "support/SmallBookTool.h"
#include "support/TempBook.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

using namespace orvelan;
using namespace orvelan::cli;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 6), QTime(9, 7));
const QLocale English(QLocale::English, QLocale::UnitedKingdom);

// Column (1-based) of `text` in `line` as pdftotext shows it; 0 when it is missing.
int columnOf(const QString& line, const QString& text) {
    return static_cast<int>(line.indexOf(text)) + 1;
}

QList<QStringList> printList(const QString& path, int count) {
    SearchResults results;
    for (int i = 1; i <= count; ++i)
        results.lines.append(u" Entry "_s + QString::number(i));
    PrintJob job = pdfPrintJob(path, u"list"_s);
    EXPECT_EQ(printSearchList(*job.surface, results, count, Now, English), 0);
    job.surface.reset();
    return pdfPages(path);
}

PageTexts pageOf(std::initializer_list<std::pair<Field, QString>> fields) {
    PageTexts texts;
    for (const auto& [field, text] : fields)
        texts[static_cast<int>(field) - 1] = text;
    return texts;
}

int printPageTo(const QString& path, const PageTexts& texts, const QLocale& locale = English) {
    PrintJob job = pdfPrintJob(path, u"page"_s);
    EXPECT_EQ(job.pdfPath, path);
    const int error = printPage(*job.surface, texts, Now, locale);
    job.surface.reset();
    return error;
}

// The command-line tool over a small book.
using Tool = SmallBookTool;

} // namespace

TEST(PdfPrintout, PageFieldsStandAtTheirCharacterColumns) {
    if (!havePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const PageTexts t = pageOf({{Field::Name, u"Jo Smith"_s},
                                {Field::Addr1, u"   1 Road Of Forty Characters In All Here"_s},
                                {Field::Organisation, u"Acme"_s},
                                {Field::Phone1, u"0113 496 0000 0000 0000 0000 0000 0000"_s},
                                {Field::Email, u"jo@example.com"_s},
                                {Field::OrgEmail, u"sales@example.com"_s},
                                {Field::Notes, u"Note (with brackets) and a back\\slash"_s}});
    const QString path = dir.filePath(u"page.pdf"_s);
    ASSERT_EQ(printPageTo(path, t), 0);

    const QList<QStringList> pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    const QStringList& page = pages[0];
    // Columns are counted from the title at x = 600 twips, 120 twips a character: the
    // organisation column (character 48) is 47 columns on, the notes (1440 twips) 7.
    const int title = columnOf(lineWith(page, u"ORVELAN Secure"_s), u"ORVELAN"_s);
    ASSERT_GT(title, 0);
    EXPECT_EQ(columnOf(lineWith(page, u"Organisation:"_s), u"Organisation:"_s), title + 47);
    const QString address = lineWith(page, u"Address:"_s);
    EXPECT_EQ(columnOf(address, u"1 Road"_s), title + 12);
    EXPECT_EQ(columnOf(address, u"Acme"_s), title + 47);
    EXPECT_FALSE(address.contains(u"Here"));
    EXPECT_EQ(columnOf(lineWith(page, u"Telepnone:"_s), u"Job Title:"_s), title + 47);
    EXPECT_EQ(columnOf(lineWith(page, u"Email:"_s), u"sales@example.com"_s), title + 47);
    EXPECT_EQ(columnOf(lineWith(page, u"brackets"_s), u"Note (with brackets) and a back\\slash"_s),
              title + 7);
}

TEST(PdfPrintout, SearchListBreaksAfterFiftySevenLines) {
    if (!havePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QList<QStringList> exact = printList(dir.filePath(u"57.pdf"_s), 57);
    ASSERT_EQ(exact.size(), 2);
    EXPECT_FALSE(lineWith(exact[0], u"Entry 57"_s).isEmpty());
    EXPECT_FALSE(lineWith(exact[1], u"ORVELAN Search Results List  page: 2"_s).isEmpty());
    EXPECT_TRUE(lineWith(exact[1], u"Entry"_s).isEmpty());
    EXPECT_FALSE(lineWith(exact[1], u"End"_s).isEmpty());

    const QList<QStringList> over = printList(dir.filePath(u"58.pdf"_s), 58);
    ASSERT_EQ(over.size(), 2);
    EXPECT_TRUE(lineWith(over[0], u"Entry 58"_s).isEmpty());
    EXPECT_FALSE(lineWith(over[1], u"Entry 58"_s).isEmpty());
}

TEST(PdfPrintout, EveryScriptAndTheLocalesDatePrintAsTheyAre) {
    if (!havePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString name = u"\u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d"_s;
    const QString street = u"\u0141\u00f3d\u017a, ul. \u017bwirki"_s;
    const QString greek =
        u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"_s;
    const PageTexts t =
        pageOf({{Field::Name, name},
                {Field::Addr1, street},
                {Field::Organisation, greek},
                {Field::Notes, u"\u738b\u82b3 \u5317\u4eac and \U0001F600 after"_s}});
    const QString path = dir.filePath(u"page.pdf"_s);
    ASSERT_EQ(printPageTo(path, t, QLocale(QLocale::Russian, QLocale::Russia)), 0);
    const QList<QStringList> pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    const QStringList& page = pages[0];
    for (const QString& text : {name, street, greek})
        EXPECT_FALSE(lineWith(page, text).isEmpty()) << text.toStdString();
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        std::cout << "no Chinese font on this system: Chinese prints as empty boxes\n";
    else
        EXPECT_FALSE(lineWith(page, u"\u738b\u82b3"_s).isEmpty());
    EXPECT_FALSE(lineWith(page, u"after"_s).isEmpty()) << "a glyph the fonts lack breaks nothing";
    // 6 December 2026 in Russian: "6 декабря 2026 г."
    EXPECT_FALSE(lineWith(page, u"\u0434\u0435\u043a\u0430\u0431\u0440\u044f 2026"_s).isEmpty())
        << page.join(u'\n').toStdString();
    EXPECT_TRUE(lineWith(page, u"??"_s).isEmpty());
}

TEST(PdfPrintout, AFileThatCannotBeWrittenIsAPrinterFailure) {
    PrintJob job = pdfPrintJob(u"/nonexistent-folder/x/page.pdf"_s, u"page"_s);
    EXPECT_EQ(job.surface->print(u"text"), PrintError::PrinterError);
}

// A printout is written whole beside its file and takes its place only then: one cut short
// (the program killed, the document never ended) leaves the old file and no part of a new one.
TEST(PdfPrintout, APrintoutReplacesTheFileOnlyOnceWhole) {
    TempBook book;
    const QString path = writeBytes(book.root() + u"/page.pdf"_s, "the good printout");
    {
        PrintJob job = pdfPrintJob(path, u"page"_s);
        ASSERT_EQ(job.surface->print(u"half"), 0);
        ASSERT_EQ(job.surface->newPage(), 0);
        EXPECT_EQ(readBytes(path), "the good printout") << "nothing is written over it yet";
    }
    EXPECT_EQ(readBytes(path), "the good printout");
    EXPECT_TRUE(temporariesIn(book.root()).isEmpty());

    PageTexts texts;
    texts[0] = u"Whole"_s;
    ASSERT_EQ(printPageTo(path, texts), 0);
    EXPECT_TRUE(readBytes(path).startsWith("%PDF"));
    EXPECT_TRUE(temporariesIn(book.root()).isEmpty());
}

TEST(PrintCommand, WritesPdfsAndRefusesWhatCannotBePrinted) {
    Tool tool;
    const QString page = tool.book.root() + u"/page.pdf"_s;
    ASSERT_EQ(tool.run(runPrint, {u"page"_s, u"J"_s, u"1"_s, u"--pdf"_s, page}), 0);
    EXPECT_TRUE(QFile::exists(page));
    const QString list = tool.book.root() + u"/list.pdf"_s;
    ASSERT_EQ(tool.run(runPrint, {u"search"_s, u"--in"_s, u"name"_s, u""_s, u"--pdf"_s, list}), 0);
    EXPECT_TRUE(QFile::exists(list));
    if (havePdfToText()) {
        const QList<QStringList> pages = pdfPages(list);
        ASSERT_EQ(pages.size(), 1);
        EXPECT_FALSE(lineWith(pages[0], u"2 Pages Found"_s).isEmpty());
        EXPECT_FALSE(lineWith(pages[0], u"Ivy"_s).isEmpty());
        EXPECT_TRUE(lineWith(pages[0], u"1st"_s).isEmpty());
    }

    EXPECT_TRUE(tool.cliError(runPrint, {u"search"_s, u"nobody"_s, u"--pdf"_s, list})
                    .startsWith(u"No LIST to PRINT"));
    tool.book.writeTab(1, {blankRecord()});
    EXPECT_TRUE(
        tool.cliError(runPrint, {u"page"_s, u"A"_s, u"1"_s, u"--pdf"_s, page}).contains(u"blank"));
    EXPECT_FALSE(tool.cliError(runPrint, {u"page"_s, u"A"_s, u"9"_s, u"--pdf"_s, page}).isEmpty());
    EXPECT_TRUE(tool.cliError(runPrint, {u"page"_s, u"J"_s, u"1"_s}).contains(u"--pdf"));
    EXPECT_FALSE(tool.cliError(runPrint, {u"page"_s, u"J"_s, u"1"_s, u"--pdf"_s,
                                          tool.book.root() + u"/no/such/folder/x.pdf"_s})
                     .isEmpty());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
