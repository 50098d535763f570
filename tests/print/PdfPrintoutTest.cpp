#include "print/PagePrintout.h"
#include "print/PdfSurface.h"
#include "print/PdfText.h"
#include "print/SearchListPrintout.h"
#include "search/BookSearch.h"

#include "support/TempBook.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvelan;
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
    PdfSurface surface(path);
    EXPECT_EQ(printSearchList(surface, results, count, Now, English), 0);
    return pdfPages(path);
}

} // namespace

TEST(PdfPrintout, PageFieldsStandAtTheirCharacterColumns) {
    if (!havePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    PageTexts t;
    t[static_cast<int>(Field::Name) - 1] = u"Jo Smith"_s;
    t[static_cast<int>(Field::Addr1) - 1] = u"   1 Road Of Forty Characters In All Here"_s;
    t[static_cast<int>(Field::Organisation) - 1] = u"Acme"_s;
    t[static_cast<int>(Field::Phone1) - 1] = u"0113 496 0000 0000 0000 0000 0000 0000"_s;
    t[static_cast<int>(Field::Email) - 1] = u"jo@example.com"_s;
    t[static_cast<int>(Field::OrgEmail) - 1] = u"sales@example.com"_s;
    t[static_cast<int>(Field::Notes) - 1] = u"Note (with brackets) and a back\\slash"_s;
    const QString path = dir.filePath(u"page.pdf"_s);
    PdfSurface surface(path);
    ASSERT_EQ(printPage(surface, t, Now, English), 0);

    const QList<QStringList> pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    const QStringList& page = pages[0];
    // x = 600 twips is column 6; the organisation column (character 48) is column 53.
    EXPECT_EQ(columnOf(lineWith(page, u"ORVELAN Secure"_s), u"ORVELAN"_s), 6);
    EXPECT_EQ(columnOf(lineWith(page, u"Organisation:"_s), u"Organisation:"_s), 53);
    const QString address = lineWith(page, u"Address:"_s);
    EXPECT_EQ(columnOf(address, u"1 Road"_s), 18);
    EXPECT_EQ(columnOf(address, u"Acme"_s), 53);
    EXPECT_FALSE(address.contains(u"Here"));
    EXPECT_EQ(columnOf(lineWith(page, u"Telepnone:"_s), u"Job Title:"_s), 53);
    EXPECT_EQ(columnOf(lineWith(page, u"Email:"_s), u"sales@example.com"_s), 53);
    // The notes start at 1440 twips: column 13.
    EXPECT_EQ(columnOf(lineWith(page, u"brackets"_s), u"Note (with brackets) and a back\\slash"_s),
              13);
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

TEST(PdfPrintout, ResultLineColumnsMeetTheHeadings) {
    if (!havePdfToText())
        GTEST_SKIP() << "pdftotext is not installed";
    TempBook book;
    book.writeTab(9, {TempBook::record({{Field::Name, "Ivy Jones-Featherstonehaugh Smythe"},
                                        {Field::Organisation, "Acme Widgets International Ltd"},
                                        {Field::Phone1, "0113 496 0000 0000 000"}})});
    SelectorFlags flags{};
    flags[0] = true;
    const SearchOutcome outcome = BookSearch(book.folder()).run(flags, u"");
    ASSERT_EQ(outcome.found(), 1);
    SearchResults results;
    storeResults(results, outcome);
    const QString path = book.root() + u"/list.pdf"_s;
    PdfSurface surface(path);
    ASSERT_EQ(printSearchList(surface, results, 1, Now, English), 0);
    const QList<QStringList> pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    const QString headings = lineWith(pages[0], u"Organisation"_s);
    const QString line = lineWith(pages[0], u"Ivy"_s);
    EXPECT_EQ(columnOf(line, u"Acme"_s), columnOf(headings, u"Organisation"_s));
    EXPECT_EQ(columnOf(line, u"0113"_s), columnOf(headings, u"Phone"_s));
    EXPECT_EQ(columnOf(line, u"IJ"_s), columnOf(headings, u"Tab"_s) + 1);
    EXPECT_EQ(line.lastIndexOf(u'1') + 1, columnOf(headings, u"Page"_s) + 3);
}
