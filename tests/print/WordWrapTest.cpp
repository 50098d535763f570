#include "print/WordWrap.h"
#include "print/RecordingSurface.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;
using namespace orvelan::test;
using Op = RecordingSurface::Op;

namespace {

constexpr double W = 120; // one character at 10 points on the recording surface
constexpr double Line = RecordingSurface::LineHeight;

struct Printed {
    QString text;
    double x;
    double y;
    int page;
};

QList<Printed> printed(const RecordingSurface& surface) {
    QList<Printed> result;
    for (const auto& call : surface.prints())
        result.append({call.text, call.x, call.y, call.page});
    return result;
}

Printed printedWord(const RecordingSurface& surface, const QString& word) {
    for (const Printed& p : printed(surface)) {
        if (p.text == word)
            return p;
    }
    ADD_FAILURE() << "word not printed: " << word.toStdString();
    return {};
}

} // namespace

TEST(WordWrap, EmptyAndBlankTextsStillEndTheDocument) {
    RecordingSurface empty;
    CWordWrap(empty).PrintText(u"");
    ASSERT_EQ(empty.calls().size(), 1);
    EXPECT_EQ(empty.calls().front().op, Op::EndDocument);

    RecordingSurface spaces;
    CWordWrap(spaces).PrintText(u"   ");
    const QList<Printed> p = printed(spaces);
    ASSERT_EQ(p.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[i].text, u" ");
        EXPECT_EQ(p[i].x, 1440 + i * W);
        EXPECT_EQ(p[i].y, 5800);
    }
    EXPECT_EQ(spaces.calls().back().op, Op::EndDocument);
    EXPECT_EQ(spaces.count(Op::EndLine), 0);
}

// Where a word of a text lands: its x (0: not checked) and its line below the first, on a surface
// `chars` characters wide between its margins (0: the whole Letter width).
TEST(WordWrap, LineBreaksWrapAtTheRightMarginAndBetweenChineseCharacters) {
    const char16_t* const chinese = u"ab\u738b\u82b3\u5317\u4eac\u4e0a\u6d77\u3072 cd";
    const struct {
        const char16_t* text;
        int chars;
        const char16_t* word;
        double x;
        int line;
    } rows[] = {
        {u"word1\n\nword2", 0, u"word1", 1440, 0},
        {u"word1\n\nword2", 0, u"word2", 1440, 2},
        {u"word1\r\nword2", 0, u"word2", 1440, 1},
        {u"aaaa bbbb cc", 6, u"aaaa", 1440, 0},
        {u"aaaa bbbb cc", 6, u"bbbb", 1440, 1},
        {u"aaaa bbbb cc", 6, u"cc", 1440, 2},     // "bbbb cc" is seven characters
        {chinese, 6, u"\u4eac", 1440 + 5 * W, 0}, // six characters fill the first line
        {chinese, 6, u"\u4e0a", 1440, 1},
        {chinese, 6, u"cd", 0, 1},
    };
    for (const auto& row : rows) {
        const QString word = QString::fromUtf16(row.word);
        SCOPED_TRACE(word.toStdString());
        RecordingSurface surface;
        if (row.chars)
            surface.setArea(1440 + row.chars * W + 1440, 15840);
        CWordWrap(surface).PrintText(QString::fromUtf16(row.text));
        const Printed p = printedWord(surface, word);
        EXPECT_EQ(p.y, 5800 + row.line * Line);
        if (row.x) {
            EXPECT_EQ(p.x, row.x);
        }
    }

    // A word wider than the line starts on a fresh line, even as the first word, and runs past
    // the margin.
    RecordingSurface wide;
    const QString longWord(80, u'x');
    CWordWrap(wide).PrintText(longWord);
    const Printed w = printedWord(wide, longWord);
    EXPECT_EQ(w.x, 1440);
    EXPECT_EQ(w.y, 5800 + Line);
    EXPECT_GT(w.x + 80 * W, wide.width() - 1440);
}

TEST(WordWrap, TabStopsEveryTenZeroWidthsFrom1440) {
    struct Row {
        float marginLeft;
        QString text;
        double expectedX;
    };
    const QList<Row> rows = {
        {1440, u"abc\tX"_s, 1440 + 10 * W},        // from 3 widths to 10
        {1440, u"abcdefghij\tX"_s, 1440 + 20 * W}, // exactly at 10 goes on to 20
        {720, u"\tX"_s, 1440 + 10 * W},            // stops do not follow the margin
        {1440 + 9.5 * W, u"\tX"_s, 1440 + 20 * W}, // 9.5 rounds to 10 (even), then 20
        {240, u"\tX"_s, 1440},                     // -10 is a multiple: it moves to 0
        {1440, u"a\t\tX"_s, 1440 + 20 * W},        // each tab moves on
    };
    for (const Row& row : rows) {
        RecordingSurface surface;
        CWordWrap wrap(surface);
        wrap.MarginLeft = row.marginLeft;
        wrap.PrintText(row.text);
        EXPECT_EQ(printedWord(surface, u"X"_s).x, row.expectedX) << row.text.toStdString();
    }
}

TEST(WordWrap, NewPageAtTheBottomMarginAfterALineBreak) {
    QString text;
    for (int i = 0; i < 40; ++i)
        text += u"L"_s + QString::number(i) + u'\n';
    // From 5800 in 240-twip lines the limit 14400 is passed after line 36: lines L0..L35 on the
    // first page, L36 first on the next page at the top margin.
    RecordingSurface surface;
    CWordWrap(surface).PrintText(text);
    EXPECT_EQ(printedWord(surface, u"L35"_s).page, 1);
    const Printed next = printedWord(surface, u"L36"_s);
    EXPECT_EQ(next.page, 2);
    EXPECT_EQ(next.y, 5800);
    EXPECT_EQ(next.x, 1440);
    EXPECT_EQ(surface.count(Op::NewPage), 1);

    // A line that starts exactly at the limit is still printed on its page.
    RecordingSurface exact;
    CWordWrap wrap(exact);
    wrap.MarginTop = 14400 - 36 * Line;
    wrap.PrintText(text);
    const Printed atLimit = printedWord(exact, u"L36"_s);
    EXPECT_EQ(atLimit.page, 1);
    EXPECT_EQ(atLimit.y, 14400);
    EXPECT_EQ(printedWord(exact, u"L37"_s).page, 2);
}

TEST(WordWrap, PrinterFailuresAreIgnored) {
    RecordingSurface surface;
    surface.failFrom(0, PrintError::PrinterError);
    CWordWrap(surface).PrintText(u"one two\nthree");
    EXPECT_EQ(surface.prints().size(), 4); // one, space, two, three
    EXPECT_EQ(surface.calls().back().op, Op::EndDocument);
}
