#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

TEST(TabTable, NamesFileUnderTheTabOfTheirFirstLetter) {
    const std::pair<const char*, int> cases[] = {
        {" bob", 2}, {"jack", 9}, {"Ivy", 9},  {"1st Choice", 0}, {"-dash", 0},
        {"", 0},     {"   ", 0},  {"zed", 25}, {"Kate", 10},      {"Harry", 8},
        {"Anna", 1}, {"[x", 0},   {"`x", 0},   {"\xc9mile", 5},
    };
    for (const auto& [name, tab] : cases)
        EXPECT_EQ(tabForName(QByteArrayView(name)), tab) << name;
    EXPECT_EQ(tabForName(QStringView(u"  q")), 16);
}

TEST(TabTable, FilesAndLabels) {
    const struct {
        int tab;
        const char16_t* file;
        const char16_t* temporary;
        const char* label;
    } rows[] = {
        {0, u"OrvelC0.rfx", u"OrvelC0.ra_", "*0 "},  {8, u"Orvel08.raf", u"Orvel08.ra_", "H "},
        {9, u"Orvel09.raf", u"Orvel09.ra_", "I J "}, {10, u"Orvel0A.raf", u"Orvel0A.ra_", "K "},
        {16, u"Orvel10.raf", u"Orvel10.ra_", "Q "},  {25, u"Orvel19.raf", u"Orvel19.ra_", "Z "}};
    for (const auto& row : rows) {
        EXPECT_EQ(tabFileName(row.tab), QStringView(row.file)) << row.tab;
        EXPECT_EQ(tabTempFileName(row.tab), QStringView(row.temporary)) << row.tab;
        EXPECT_EQ(tabLabel(row.tab), row.label) << row.tab;
    }
    EXPECT_EQ(parseTab(u"j"), 9);
    EXPECT_EQ(parseTab(u"I"), 9);
    EXPECT_EQ(parseTab(u"25"), 25);
    EXPECT_EQ(parseTab(u"26"), -1);
    EXPECT_EQ(parseTab(u"AB"), -1);
    EXPECT_EQ(parseTab(u"IJ"), 9) << "as a result line prints it";
    EXPECT_EQ(parseTab(u"*0"), 0);
}

TEST(PageRecord, LayoutCoversTheRecordWithoutGaps) {
    int offset = 0;
    for (const FieldSpec& spec : RecordLayout) {
        EXPECT_EQ(spec.offset, offset) << spec.name;
        offset += spec.width;
    }
    EXPECT_EQ(offset, RecordSize);
    EXPECT_EQ(fieldByName(u"orgweb"), static_cast<int>(Field::OrgWeb));
    EXPECT_EQ(fieldByName(u"Nothing"), -1);
}

TEST(PageRecord, FieldsAreTrimmedPaddedCutAndEncipheredOneByOne) {
    PageRecord page;
    page[Field::Name] = QByteArray(40, 'N');
    page[Field::Phone1] = "  0123 456  ";
    page[Field::Notes] = "a b";
    const QByteArray stored = page.toStored();
    ASSERT_EQ(stored.size(), RecordSize);

    const PageRecord back = PageRecord::fromStored(stored);
    EXPECT_EQ(back[Field::Name], QByteArray(32, 'N'));
    EXPECT_EQ(back[Field::Phone1], "0123 456");
    EXPECT_EQ(back[Field::Notes], "a b");
    EXPECT_EQ(stored.mid(1682), QByteArray(8, '\0')) << "a saved page has zero bytes in Reserved";

    // Each field restarts the keystream: equal values store equal bytes, and a space at
    // position 2 of one field is stored like a space at position 2 of another.
    PageRecord other;
    other[Field::Phone1] = "0123 456";
    const FieldSpec& phone = specOf(Field::Phone1);
    EXPECT_EQ(other.toStored().mid(phone.offset, phone.width),
              stored.mid(phone.offset, phone.width));
    const FieldSpec& name = specOf(Field::Name);
    const FieldSpec& notes = specOf(Field::Notes);
    EXPECT_EQ(stored[notes.offset + 1], blankRecord()[name.offset + 1]);
}

TEST(PageRecord, BlankPageReadsEmptyAndCarriesSpacesInReserved) {
    const QByteArray& blank = blankRecord();
    ASSERT_EQ(blank.size(), RecordSize);
    EXPECT_EQ(blank.mid(1682), QByteArray(8, ' '));
    const PageRecord page = PageRecord::fromStored(blank);
    for (int f = 0; f < FieldCount; ++f)
        EXPECT_TRUE(page[static_cast<Field>(f)].isEmpty()) << RecordLayout[f].name;
    EXPECT_TRUE(page.isBlank());
    EXPECT_TRUE(isBlankStored(blank));

    PageRecord spaces;
    spaces[Field::Name] = "   ";
    spaces[Field::Notes] = "not blank by its notes";
    EXPECT_TRUE(isBlankStored(spaces.toStored())) << "a page is blank by its Name alone";
    EXPECT_TRUE(PlainRecord(spaces.toStored()).isBlank());
}

TEST(PageTexts, NotesKeepCarriageReturnLineFeedOnDisk) {
    EXPECT_EQ(storedFormOf(NotesViewIndex, u"one\ntwo"), "one\r\ntwo");
    EXPECT_EQ(storedFormOf(NotesViewIndex, u"one\r\ntwo\rthree"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(storedFormOf(0, u"x\ny"), "x\ny") << "only the notes convert line breaks";
    EXPECT_EQ(storedLengthOf(NotesViewIndex, u"a\nb"), 4);

    EXPECT_EQ(storedFormOf(0, u"Zo\u00eb \u20ac"), "Zo\xeb \x80");
}

// Read fresh, and into the text of the page read before (as an export reads page after page).
TEST(PageTexts, ViewFormsDecodeAndJoinNotesLineBreaks) {
    const struct {
        int view;
        QByteArray stored;
        TextEncoding encoding;
        QString text;
    } rows[] = {
        {NotesViewIndex, "one\r\ntwo", TextEncoding::Windows1252, u"one\ntwo"_s},
        {NotesViewIndex, "a\r\r\nb\rc\r", TextEncoding::Windows1252, u"a\r\nb\rc\r"_s},
        {NotesViewIndex,
         "\xc5\x81\xc3\xb3"
         "d\xc5\xba\r\n",
         TextEncoding::Utf8, u"\u0141\u00f3d\u017a\n"_s},
        {0, "x\r\ny", TextEncoding::Windows1252, u"x\r\ny"_s},
        {0, "\x80\x9f\x81", TextEncoding::Windows1252, u"\u20ac\u0178\u0081"_s},
        {0, "", TextEncoding::Windows1252, QString()},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(viewFormOf(row.view, row.stored, row.encoding), row.text) << row.stored.data();
        QString reused = u"left over from the page before"_s;
        viewFormOf(row.view, row.stored, row.encoding, reused);
        EXPECT_EQ(reused, row.text) << row.stored.data();
    }
}

TEST(PageTexts, InputProblemsNameWhatCannotBeStored) {
    const PageTexts empty;
    EXPECT_TRUE(inputProblem(empty, 0, QString(32, u'x')).isEmpty());
    EXPECT_FALSE(inputProblem(empty, 0, QString(33, u'x')).isEmpty());
    EXPECT_TRUE(inputProblem(empty, 0, QString(32, u'x') + u"  "_s).isEmpty())
        << "trailing spaces are trimmed";
    EXPECT_TRUE(inputProblem(empty, 0, u"\u20ac").isEmpty());
    // A line break takes two bytes on disk: 821 + 2 + 1 bytes fill the notes exactly.
    EXPECT_TRUE(inputProblem(empty, NotesViewIndex, QString(821, u'n') + u"\nx"_s).isEmpty());
    EXPECT_FALSE(inputProblem(empty, NotesViewIndex, QString(822, u'n') + u"\nx"_s).isEmpty());
}
