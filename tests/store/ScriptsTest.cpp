// Pages in any script: the encoding each page is stored in, its marker, byte widths that never
// split a character, and the tab a name of any script is filed under.
#include "store/PageTexts.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

PageTexts page(std::initializer_list<std::pair<int, QString>> texts) {
    PageTexts result;
    for (const auto& [index, text] : texts)
        result[index] = text;
    return result;
}

QByteArray stored(const PageTexts& texts) {
    PageRecord record;
    fillRecord(record, texts);
    return record.toStored();
}

QByteArray reservedOf(const QByteArray& storedRecord) {
    return storedRecord.mid(specOf(Field::Reserved).offset);
}

} // namespace

TEST(Filing, EveryScriptFilesUnderTheLatinBaseLetterOfItsFirstLetter) {
    const std::pair<const char16_t*, char> cases[] = {
        {u"\u00c9mile Zola", 'E'},
        {u"\u0141ukasz Nowak", 'L'},
        {u"\u00d8rsted", 'O'},
        {u"\u00c5ngstr\u00f6m", 'A'},
        {u"\u0418\u0432\u0430\u043d\u043e\u0432", 'I'},
        {u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2", 'P'},
        {u"\u738b\u82b3", 'W'},
        {u"\u00e9clair", 'E'},
        {u"  \u017e\u00e1k", 'Z'},
        {u"\u00dfler", 'S'},
        {u"\u05d0\u05d1\u05e8\u05d4\u05dd", 'B'}, // alef alone gives no letter: the word decides
        {u"\uff21cme", 'A'},                      // a full-width letter
        {u"\U0001D400lpha", 'A'}, // a letter beyond the Basic Multilingual Plane, taken whole
        {u"\U0001D6A9\u03b1", 'B'},
    };
    for (const auto& [name, letter] : cases) {
        const QString text = QString::fromUtf16(name);
        EXPECT_EQ(filingLetter(text), letter) << text.toStdString();
        EXPECT_EQ(tabForName(QStringView(text)), parseTab(QString(QLatin1Char(letter))))
            << text.toStdString();
    }
    // I and J stay one tab, whatever script they come from.
    EXPECT_EQ(tabForName(QStringView(u"\u0418\u0440\u0430")), 9);
    EXPECT_EQ(tabForName(QStringView(u"\u0419\u043e\u0433\u0430")), 9);
    EXPECT_EQ(tabForName(QStringView(u"jan")), 9);
}

// A name that begins with a digit or a sign goes to the first tab; only a name that begins with
// a space, a control or format character or a combining mark cannot be filed at all.
TEST(Filing, ANameThatDoesNotBeginWithALetterGoesToTheFirstTab) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"", true},
        {u"3M Polska", true},
        {u"7-Eleven", true},
        {u"1&1", true},
        {u"-dash", true},
        {u"\U0001F600 smile", true},
        {u"\u00bfQu\u00e9?", true},
        {u"\u0301accent", false},
        {u"\u20dd ring", false},
        {u"\u0903x", false}, // a combining mark that takes room
        {u"\u00a0x", false},
        {u"\u3000x", false},
        {u" x", false},
        {u"\u0001x", false},
        {u"\u200bx", false},
    };
    for (const auto& [name, allowed] : cases) {
        const QString text = QString::fromUtf16(name);
        EXPECT_EQ(nameStartAllowed(text), allowed) << text.toStdString();
        if (!allowed)
            continue;
        EXPECT_EQ(filingLetter(text), 0) << text.toStdString();
        EXPECT_EQ(tabForName(QStringView(text)), 0) << text.toStdString();
    }
    EXPECT_FALSE(nameStartAllowed(QString(QChar(0xd800)) + u'x')) << "half of a pair";
    for (const char16_t* name : {u"\U0001D400lpha", u"\U00020BB7\u7530", u"\u00c9mile"})
        EXPECT_TRUE(nameStartAllowed(QString::fromUtf16(name)));
    EXPECT_NE(tabForName(QStringView(u"\U00020BB7\u7530")), 0)
        << "a letter beyond the Basic Multilingual Plane files under a letter tab";
}

TEST(PageEncoding, APageThatFitsWindows1252IsStoredAsBefore) {
    const PageTexts texts =
        page({{0, u"Zo\u00eb \u20acuro"_s}, {NotesViewIndex, u"caf\u00e9\nna\u00efve"_s}});
    const QByteArray bytes = stored(texts);
    PageRecord legacy; // what the Windows program wrote: bytes of its code page, zero Reserved
    legacy[Field::Name] = "Zo\xeb \x80uro";
    legacy[Field::Notes] = "caf\xe9\r\nna\xefve";
    EXPECT_EQ(bytes, legacy.toStored());
    EXPECT_EQ(reservedOf(bytes), QByteArray(8, '\0'));
    EXPECT_EQ(textsOf(PageRecord::fromStored(bytes)), texts);
}

TEST(PageEncoding, APageWithAnyOtherCharacterIsStoredInScsuWithItsMarker) {
    const PageTexts texts =
        page({{0, u"\u0141ukasz Nowak"_s},
              {1, u"Zo\u00eb Stra\u00dfe"_s}, // fits Windows-1252, stored in SCSU
              {15, u"\u738b\u82b3 \U0001F600"_s},
              {NotesViewIndex, u"\u0418\u0432\u0430\u043d\u043e\u0432\n\u03a0"_s}});
    const QByteArray bytes = stored(texts);
    EXPECT_EQ(reservedOf(bytes), QByteArray("SCSU\0\0\0\0", 8));
    const PlainRecord plain(bytes);
    EXPECT_EQ(plain.encoding(), TextEncoding::Scsu);
    // Latin-1 letters through SCSU's first window: one byte each, as in Windows-1252.
    EXPECT_EQ(plain.field(Field::Addr1), QByteArray("Zo\xeb Stra\xdf"
                                                    "e"));
    EXPECT_EQ(plain.field(Field::Notes).count("\r\n"), 1);
    EXPECT_EQ(textsOf(PageRecord::fromStored(bytes)), texts);

    // Saved again without those characters, the page is Windows-1252 once more.
    PageTexts western = texts;
    western[0] = u"Lukasz Nowak"_s;
    western[15].clear();
    western[NotesViewIndex].clear();
    EXPECT_EQ(reservedOf(stored(western)), QByteArray(8, '\0'));
}

// Pages written in UTF-8 by earlier versions read as they are; saved, they become SCSU.
TEST(PageEncoding, AUtf8PageIsReadAndWrittenAgainInScsu) {
    PageRecord earlier;
    earlier[Field::Name] = u"\u0418\u0432\u0430\u043d\u043e\u0432"_s.toUtf8();
    earlier[Field::Notes] = u"\u738b\r\n\U0001F600"_s.toUtf8();
    earlier[Field::Reserved] = QByteArray("UTF-8\0\0\0", 8);
    const PageRecord read = PageRecord::fromStored(earlier.toStored());
    EXPECT_EQ(read.encoding(), TextEncoding::Utf8);
    const PageTexts texts = textsOf(read);
    EXPECT_EQ(texts[0], u"\u0418\u0432\u0430\u043d\u043e\u0432"_s);
    EXPECT_EQ(texts[NotesViewIndex], u"\u738b\n\U0001F600"_s);
    const QByteArray again = stored(texts);
    EXPECT_EQ(reservedOf(again), QByteArray("SCSU\0\0\0\0", 8));
    EXPECT_EQ(textsOf(PageRecord::fromStored(again)), texts);
}

// A field holds as many whole characters as their SCSU stream lets it, never a cut one; a
// stream never ends in a 0x20 byte that the space padding would take away.
TEST(PageEncoding, WidthsAreBytesAndNeverSplitACharacter) {
    const struct {
        const char* what;
        Field field;
        QString text;
        bool whole;
    } cases[] = {
        {"a Cyrillic name of 29 letters", Field::Name,
         QStringLiteral("\u0421\u043c\u0438\u0440\u043d\u043e\u0432\u0430 "
                        "\u0415\u043a\u0430\u0442\u0435\u0440\u0438\u043d\u0430 "
                        "\u0410\u043b\u0435\u043a\u0441\u0435\u0435\u0432\u043d\u0430"),
         true},
        {"a Greek name with a comma", Field::Name,
         QStringLiteral("\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2, "
                        "\u0393\u03b9\u03ce\u03c1\u03b3\u03bf\u03c2"),
         true},
        {"30 Cyrillic letters", Field::Name, QString(30, QChar(0x0416)), true},
        {"30 Greek letters", Field::Name, QString(15, QChar(0x03ce)) + QString(15, QChar(0x03a3)),
         true},
        {"30 Arabic letters", Field::Name, QString(30, QChar(0x0645)), true},
        {"40 Cyrillic letters", Field::Name, QString(40, QChar(0x0416)), false},
        {"Chinese, two bytes each", Field::Addr3, QString(20, QChar(0x738b)), false},
        {"emoji", Field::Addr2, u'x' + QString::fromUtf16(u"\U0001F600\U0001F680").repeated(12),
         false},
        {"a quoted character whose last byte is 0x20", Field::Addr4, u"a\u4e20"_s, true},
        {"0x20 at the end of Unicode mode", Field::Addr5, u"\u4e00\u4e01\u4e20"_s, true},
        {"scripts mixed", Field::Addr6,
         QStringLiteral(
             "\u0416 \u03a9 \u4e20 \u0645 \u00e9 \U0001F600 \u0416 \u03a9 \u4e20 \u0645"),
         false},
        {"notes of 900 Cyrillic letters", Field::Notes, QString(900, QChar(0x0436)), false},
        {"notes whose line break falls at the width", Field::Notes,
         QString(820, QChar(0x0436)) + u"\n\u0436\u0436"_s, false},
    };
    for (const auto& row : cases) {
        const int index = static_cast<int>(row.field) - 1;
        PageRecord record;
        fillRecord(record, page({{index, row.text}}));
        const PageRecord back = PageRecord::fromStored(record.toStored());
        const QString kept = textsOf(back)[index];
        const int width = specOf(row.field).width;
        EXPECT_EQ(back.encoding(), TextEncoding::Scsu) << row.what;
        EXPECT_LE(back[row.field].size(), width) << row.what;
        EXPECT_TRUE(row.text.startsWith(kept)) << row.what;
        EXPECT_FALSE(kept.endsWith(u'\r') || (!kept.isEmpty() && kept.back().isHighSurrogate()))
            << row.what;
        if (row.whole) {
            EXPECT_EQ(kept, row.text) << row.what;
        } else {
            // Cut after the last character that fits: one more does not.
            ASSERT_LT(kept.size(), row.text.size()) << row.what;
            const qsizetype next = row.text.at(kept.size()).isHighSurrogate() ? 2 : 1;
            EXPECT_GT(storedLengthOf(index, row.text.first(kept.size() + next), TextEncoding::Scsu),
                      width)
                << row.what;
            EXPECT_GT(kept.size(), row.text.size() / 3) << row.what;
        }
    }
}

TEST(PageEncoding, ColumnsCountWideCharactersTwiceAndNeverSplitOne) {
    EXPECT_EQ(textColumn(u"\u738b\u82b3 Li", 8), u"\u738b\u82b3 Li "_s);
    EXPECT_EQ(textColumn(u"\u738b\u82b3\u5317", 5), u"\u738b\u82b3 "_s);
    EXPECT_EQ(textColumn(u"\u0416\u0416\u0416", 2), u"\u0416\u0416"_s);
    EXPECT_EQ(textColumn(u"a\U0001F600", 2), u"a "_s);
}

TEST(PageEncoding, TextBoxesLimitScsuTextByBytes) {
    const PageTexts empty;
    EXPECT_TRUE(inputProblem(empty, 0, QString(31, QChar(0x0416))).isEmpty());
    EXPECT_FALSE(inputProblem(empty, 0, QString(32, QChar(0x0416))).isEmpty());
    EXPECT_TRUE(inputProblem(empty, 0, QString::fromUtf16(u"\U0001F600").repeated(8)).isEmpty());
    EXPECT_TRUE(inputProblem(empty, 0, u"\u738b\u82b3"_s).isEmpty());
    // A name of 32 Western letters fits Windows-1252, but not SCSU: a Cyrillic note would
    // turn the page to SCSU and cut the name, so it is refused.
    const PageTexts western = page({{0, u"\u00e9\u0161"_s + QString(30, u'a')}});
    EXPECT_TRUE(inputProblem(western, NotesViewIndex, u"note"_s).isEmpty());
    const QString problem = inputProblem(western, NotesViewIndex, u"\u0416"_s);
    EXPECT_TRUE(problem.contains(u"Name"_s)) << problem.toStdString();
    // Half of a surrogate pair is no character at all.
    EXPECT_FALSE(inputProblem(empty, 1, QString(QChar(0xd83d))).isEmpty());
}
