#include "search/FindIndex.h"

#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray page(std::initializer_list<std::pair<int, QString>> fields) {
    PageTexts texts;
    for (const auto& [field, text] : fields)
        texts[field] = text;
    PageRecord record;
    fillRecord(record, texts);
    return record.toStored();
}

// A book as people fill it: names in several scripts and tabs, numbers written every way.
class FindIndexTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(setPhoneRegionSetting(book.folder().configPath(), u"GB"_s), 0);
        book.writeTab(
            9,
            {page({{VName, u"Ivanov, Ivan"_s}, {VMobile, u"+7 495 123-45-67"_s}}),
             page({{VName, u"Irwin, Ada"_s}, {VNotes, u"met at\nthe fair"_s}}), TempBook::named(""),
             page({{VName, u"\u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d"_s},
                   {VPager, u"8 (495) 123 45 67"_s}})});
        book.writeTab(2, {page({{VName, u"Bell, Ann"_s},
                                {VOrganisation, u"Bell & Co"_s},
                                {VPhone1, u"+44 1234 567890"_s},
                                {VOrgEmail, u"ANN@bell.example"_s}})});
        book.writeTab(0, {page({{VName, u"3M"_s}, {VAddr1 + 2, u"4567 Main Street"_s}})});
        index.refresh();
    }

    QStringList found(const QString& text, int limit = 100) const {
        const auto batch = index.find(FindQuery(text, PhoneNumbers(u"GB"_s)), 0, limit);
        QStringList lines;
        for (const FindHit& hit : batch.hits)
            lines += (index.line(hit).mid(1, 21).trimmed() + u" | "_s +
                      index.line(hit).mid(24, 46).simplified())
                         .trimmed();
        return lines;
    }

    TempBook book;
    FindIndex index{book.folder()};
};

TEST_F(FindIndexTest, EveryFieldIsSearchedAndTheMatchedOneIsShown) {
    const struct {
        QString query;
        QStringList lines;
    } rows[] = {
        {u"4567"_s,
         {u"3M | Address line 3: 4567 Main Street"_s, u"Bell, Ann | Phone: +44 1234 567890"_s,
          u"Ivanov, Ivan | Mobile: +7 495 123-45-67"_s,
          u"\u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d | Pager: 8 (495) 123 45 67"_s}},
        {u"01234 567890"_s, {u"Bell, Ann | Phone: +44 1234 567890"_s}},
        {u"ann@BELL"_s, {u"Bell, Ann | Work e-mail: ANN@bell.example"_s}},
        {u"\u0438\u0412\u0410\u043d"_s,
         {u"\u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d | Name: \u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d"_s}},
        {u" the fair "_s, {u"Irwin, Ada | Notes: met at the fair"_s}},
        {u"at the"_s, {}}, // a line break is not a space
        {u"zzz"_s, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(found(row.query), row.lines) << row.query.toStdString();
}

TEST_F(FindIndexTest, AnEmptyQueryListsEveryNamedPageInNameOrder) {
    ASSERT_EQ(index.size(), 5);
    const QStringList all = found(QString());
    EXPECT_EQ(all,
              (QStringList{u"3M |"_s, u"Bell, Ann | Bell & Co +44 1234 567890"_s, u"Irwin, Ada |"_s,
                           u"Ivanov, Ivan |"_s,
                           u"\u0418\u0432\u0430\u043d\u043e\u0432 \u0418\u0432\u0430\u043d |"_s}));
    EXPECT_EQ(index.position(3), (PagePosition{9, 1}));
    EXPECT_EQ(index.line({4, -1}).right(11), u" IJ /     4");

    // A tab rewritten to the same size moments after it was read is read again.
    book.writeTab(2, {page({{VName, u"Al"_s}, {VFax, u"0161 496 0000"_s}})});
    EXPECT_TRUE(index.refresh());
    EXPECT_EQ(found(u"+44 161 496"_s), QStringList{u"Al | Fax: 0161 496 0000"_s});

    // A batch stops at its limit and says where to go on.
    const auto first = index.find(FindQuery(u""_s, PhoneNumbers(u"GB"_s)), 0, 2);
    EXPECT_EQ(first.hits.size(), 2);
    EXPECT_FALSE(first.done);
    const auto rest = index.find(FindQuery(u"i"_s, PhoneNumbers(u"GB"_s)), first.next, 10);
    EXPECT_TRUE(rest.done);
    EXPECT_EQ(rest.hits.size(), 2); // Irwin, Ivanov: a Latin i is not a Cyrillic one
}

} // namespace
