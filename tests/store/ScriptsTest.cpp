// Pages in any script: the encoding each page is stored in, its marker, byte widths that never
// split a character, and the tab a name of any script is filed under.
#include "store/PageStore.h"
#include "store/PageTexts.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "support/FakeClock.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

using namespace orvelan;
using orvelan::test::FakeClock;
using orvelan::test::TempBook;

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

TEST(Filing, ANameThatDoesNotBeginWithALetterHasNoTab) {
    for (const char16_t* name : {u"", u"   ", u"1st Choice", u"-dash", u"\U0001F600 smile",
                                 u"\u00bfQu\u00e9?", u"\u0301accent"}) {
        const QString text = QString::fromUtf16(name);
        EXPECT_EQ(filingLetter(text), 0) << text.toStdString();
        EXPECT_EQ(tabForName(QStringView(text)), 0) << text.toStdString();
    }
}

TEST(PageEncoding, APageThatFitsWindows1252IsStoredAsBefore) {
    const PageTexts texts = page({{0, QStringLiteral("Zo\u00eb \u20acuro")},
                                  {NotesViewIndex, QStringLiteral("caf\u00e9\nna\u00efve")}});
    const QByteArray bytes = stored(texts);
    PageRecord legacy; // what the Windows program wrote: bytes of its code page, zero Reserved
    legacy[Field::Name] = "Zo\xeb \x80uro";
    legacy[Field::Notes] = "caf\xe9\r\nna\xefve";
    EXPECT_EQ(bytes, legacy.toStored());
    EXPECT_EQ(reservedOf(bytes), QByteArray(8, '\0'));
    EXPECT_EQ(textsOf(PageRecord::fromStored(bytes)), texts);
}

TEST(PageEncoding, APageWithAnyOtherCharacterIsStoredInUtf8WithItsMarker) {
    const PageTexts texts =
        page({{0, QStringLiteral("\u0141ukasz Nowak")},
              {1, QStringLiteral("Zo\u00eb Stra\u00dfe")}, // fits Windows-1252, stored in UTF-8
              {15, QStringLiteral("\u738b\u82b3 \U0001F600")},
              {NotesViewIndex, QStringLiteral("\u0418\u0432\u0430\u043d\u043e\u0432\n\u03a0")}});
    const QByteArray bytes = stored(texts);
    EXPECT_EQ(reservedOf(bytes), QByteArray("UTF-8\0\0\0", 8));
    const PlainRecord plain(bytes);
    EXPECT_EQ(plain.encoding(), TextEncoding::Utf8);
    EXPECT_EQ(plain.field(Field::Addr1), QByteArray("Zo\xc3\xab Stra\xc3\x9f"
                                                    "e"));
    EXPECT_EQ(plain.field(Field::Notes).count("\r\n"), 1);
    EXPECT_EQ(textsOf(PageRecord::fromStored(bytes)), texts);

    // Saved again without those characters, the page is Windows-1252 once more.
    PageTexts western = texts;
    western[0] = QStringLiteral("Lukasz Nowak");
    western[15].clear();
    western[NotesViewIndex].clear();
    EXPECT_EQ(reservedOf(stored(western)), QByteArray(8, '\0'));
}

TEST(PageEncoding, WidthsAreBytesAndNeverSplitACharacter) {
    const QString cyrillic(40, QChar(0x0416));                  // 2 bytes each
    const QString oddStart = u'a' + QString(20, QChar(0x0416)); // 1 + 2n bytes
    const QString emoji = u'x' + QString::fromUtf16(u"\U0001F600").repeated(9);
    const QString chinese = QString(20, QChar(0x738b)); // 3 bytes each
    const PageRecord back = PageRecord::fromStored(
        stored(page({{0, cyrillic}, {1, oddStart}, {2, emoji}, {3, chinese}})));
    EXPECT_EQ(back.text(Field::Name), QString(16, QChar(0x0416)));
    EXPECT_EQ(back.text(Field::Addr1), u'a' + QString(15, QChar(0x0416)));
    EXPECT_EQ(back.text(Field::Addr2), u'x' + QString::fromUtf16(u"\U0001F600").repeated(7));
    EXPECT_EQ(back.text(Field::Addr3), QString(10, QChar(0x738b)));
    EXPECT_EQ(back[Field::Addr3].size(), 30);
}

TEST(PageEncoding, TextBoxesLimitUtf8TextByBytes) {
    const PageTexts empty;
    EXPECT_TRUE(inputProblem(empty, 0, QString(16, QChar(0x0416))).isEmpty());
    EXPECT_FALSE(inputProblem(empty, 0, u'a' + QString(16, QChar(0x0416))).isEmpty());
    EXPECT_TRUE(inputProblem(empty, 0, QString::fromUtf16(u"\U0001F600").repeated(8)).isEmpty());
    EXPECT_TRUE(inputProblem(empty, 0, QStringLiteral("\u738b\u82b3")).isEmpty());
    // A name of 32 Western letters fits Windows-1252, but not UTF-8: a Cyrillic note would
    // turn the page to UTF-8 and cut the name, so it is refused.
    const PageTexts western = page({{0, QString(32, QChar(0x00e9))}});
    EXPECT_TRUE(inputProblem(western, NotesViewIndex, QStringLiteral("note")).isEmpty());
    const QString problem = inputProblem(western, NotesViewIndex, QStringLiteral("\u0416"));
    EXPECT_TRUE(problem.contains(QStringLiteral("Name"))) << problem.toStdString();
    // Half of a surrogate pair is no character at all.
    EXPECT_FALSE(inputProblem(empty, 1, QString(QChar(0xd83d))).isEmpty());
}

TEST(PageEncoding, TheStoreSavesFilesAndReloadsEveryScript) {
    TempBook book;
    FakeClock clock;
    PageStore store(book.folder(), clock);
    const QStringList names = {
        QStringLiteral("\u00c9mile Zola"),
        QStringLiteral("\u0141ukasz Nowak"),
        QStringLiteral("\u00c5ngstr\u00f6m"),
        QStringLiteral("\u0418\u0432\u0430\u043d\u043e\u0432"),
        QStringLiteral("\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"),
        QStringLiteral("\u738b\u82b3")};
    const int tabs[] = {5, 11, 1, 9, 15, 22};
    for (int i = 0; i < names.size(); ++i) {
        PageTexts texts = page({{0, names[i]}, {NotesViewIndex, QStringLiteral("\U0001F600\nok")}});
        const PageStore::NewPage outcome = store.saveNewPage(texts);
        ASSERT_TRUE(outcome.result.ok);
        EXPECT_EQ(store.currentTab(), tabs[i]) << names[i].toStdString();
        EXPECT_EQ(texts[0], names[i]) << "loaded back whole";
        EXPECT_TRUE(outcome.text.contains(names[i]));
        PageTexts reread;
        ASSERT_TRUE(store.getPage(outcome.page, reread).ok);
        EXPECT_EQ(reread[NotesViewIndex], QStringLiteral("\U0001F600\nok"));
    }
}
