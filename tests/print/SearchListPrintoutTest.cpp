#include "print/SearchListPrintout.h"
#include "print/RecordingSurface.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;
using Op = RecordingSurface::Op;

namespace {

const QDateTime ListPrintedAt(QDate(2026, 12, 6), QTime(9, 7, 59));
const QLocale BritishEnglish(QLocale::English, QLocale::UnitedKingdom);
const QString Headings =
    u" Name                   Organisation                Phone               Tab    Page"_s;

SearchResults resultsOf(int count) {
    SearchResults results;
    for (int i = 1; i <= count; ++i)
        results.lines.append(u" Line "_s + QString::number(i));
    results.present = true;
    return results;
}

QStringList textsOnPage(const RecordingSurface& surface, int page) {
    QStringList texts;
    for (const auto& call : surface.calls()) {
        if (call.page != page)
            continue;
        if (call.op == Op::Print) // an empty line prints an empty text
            texts.append(call.text);
    }
    return texts;
}

} // namespace

TEST(SearchListPrintout, HeaderLinesAndEnd) {
    RecordingSurface surface;
    const SearchResults results = resultsOf(2);
    ASSERT_EQ(printSearchList(surface, results, 2, ListPrintedAt, BritishEnglish), 0);
    const auto prints = surface.prints();
    ASSERT_GE(prints.size(), 10);
    EXPECT_EQ(surface.calls().front().op, Op::EndLine); // the document starts with an empty line
    EXPECT_EQ(prints[0].text, u"ORVELAN Search Results List");
    EXPECT_EQ(prints[0].y, 600);
    EXPECT_EQ(prints[1].text,
              u"Date: "_s + BritishEnglish.toString(ListPrintedAt.date(), QLocale::LongFormat) +
                  u"    Time: 09:07    2 Pages Found"_s);
    EXPECT_EQ(prints[3].text, Headings);
    EXPECT_EQ(prints[4].text, u" "_s + QString(82, u'-'));
    EXPECT_EQ(prints[6].text, u" Line 1");
    EXPECT_EQ(prints[6].y, 600 + 6 * RecordingSurface::LineHeight);
    EXPECT_EQ(prints.back().text, u"End");
    for (const auto& call : prints) {
        EXPECT_EQ(call.x, 600);
        EXPECT_EQ(call.font, PrintFont{});
    }
    EXPECT_EQ(surface.calls().back().op, Op::EndDocument);
}

TEST(SearchListPrintout, FiftySevenLinesFillThePage) {
    const auto listOf = [](int count) {
        auto surface = std::make_unique<RecordingSurface>();
        EXPECT_EQ(printSearchList(*surface, resultsOf(count), count, ListPrintedAt, BritishEnglish),
                  0);
        return surface;
    };
    const auto exact = listOf(57);
    EXPECT_EQ(exact->count(Op::NewPage), 1);
    EXPECT_EQ(textsOnPage(*exact, 2), (QStringList{u"ORVELAN Search Results List  page: 2"_s,
                                                   {},
                                                   Headings,
                                                   u" "_s + QString(82, u'-'),
                                                   {},
                                                   {},
                                                   u"End"_s}));
    EXPECT_TRUE(textsOnPage(*exact, 1).contains(u" Line 57"));

    const auto over = listOf(58);
    EXPECT_EQ(over->count(Op::NewPage), 1);
    EXPECT_FALSE(textsOnPage(*over, 1).contains(u" Line 58"));
    EXPECT_TRUE(textsOnPage(*over, 2).contains(u" Line 58"));

    // Each full page after the first holds 57 lines as well: 114 lines end on a third page.
    const auto twoFull = listOf(114);
    EXPECT_EQ(twoFull->count(Op::NewPage), 2);
    EXPECT_EQ(textsOnPage(*twoFull, 3).first(), u"ORVELAN Search Results List  page: 3");
}

TEST(SearchListPrint, PrintsOnceAndStopsAtTheEndOfTheList) {
    RecordingTarget target;
    SearchResults results = resultsOf(3);
    int found = 5; // an import listing made the list shorter since the search
    auto first = SearchListPrint::run(target, results, found, ListPrintedAt, BritishEnglish);
    EXPECT_EQ(first.outcome, SearchListPrint::Outcome::Printed);
    EXPECT_EQ(found, 0);
    EXPECT_FALSE(results.present);
    EXPECT_EQ(results.lines.size(), 3); // the lines stay
    QStringList printed;
    for (const auto& call : target.last->prints())
        printed.append(call.text);
    EXPECT_TRUE(printed.contains(u" Line 3"));
    EXPECT_TRUE(printed[1].endsWith(u"5 Pages Found"));

    auto second = SearchListPrint::run(target, results, found, ListPrintedAt, BritishEnglish);
    EXPECT_EQ(second.outcome, SearchListPrint::Outcome::NoList);
    EXPECT_EQ(target.documents.size(), 1); // nothing more was printed
    EXPECT_EQ(SearchListPrint::noListPrompt(),
              (PromptRequest{u"ORVELAN Print List"_s,
                             u"No LIST to PRINT: You must have at least 1 item to PRINT    "_s,
                             PromptIcon::Information, PromptButtons::Ok}));
}

TEST(SearchListPrint, AFailedOrRefusedPrintKeepsTheList) {
    RecordingTarget failing;
    failing.failFrom = 3;
    failing.failCode = PrintError::PrinterError;
    RecordingTarget refusing;
    refusing.openError = PrintError::PrinterError;
    refusing.refusal = u"The printer queue \u201coffice\u201d is not accepting jobs (ready)."_s;
    for (RecordingTarget* target : {&failing, &refusing}) {
        SearchResults results = resultsOf(4);
        int found = 4;
        const auto result =
            SearchListPrint::run(*target, results, found, ListPrintedAt, BritishEnglish);
        EXPECT_EQ(result.outcome, SearchListPrint::Outcome::Failed);
        EXPECT_EQ(result.error, PrintError::PrinterError);
        EXPECT_EQ(result.detail, target->refusal);
        EXPECT_EQ(found, 4);
        EXPECT_TRUE(results.present);
    }
}
