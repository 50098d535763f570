#include "search/BookSearch.h"
#include "search/FindPlacement.h"

#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"
#include "support/TempBook.h"
#include "telephony/PhoneNumbers.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

enum Sel {
    Name,
    HAddress,
    Phone,
    Internet,
    Group,
    Organisation,
    JobTitle,
    Department,
    WAddress,
    Notes
};

SelectorFlags only(std::initializer_list<Sel> on) {
    SelectorFlags flags{};
    for (const Sel s : on)
        flags[s] = true;
    return flags;
}

QStringList lines(const SearchOutcome& outcome) {
    QStringList result;
    for (const SearchHit& hit : outcome.hits)
        result.append(hit.line);
    return result;
}

int found(const TempBook& book, const SelectorFlags& flags, const QString& query) {
    return BookSearch(book.folder()).run(flags, query).found();
}

} // namespace

TEST(BookSearch, SelectedFieldsAreJoinedWithoutSeparatorsInTableOrder) {
    TempBook book;
    book.writeTab(10, {TempBook::record({{Field::Name, "Kim Smith"},
                                         {Field::Addr1, "High Street"},
                                         {Field::Addr2, "Leeds"},
                                         {Field::JobTitle, "Buyer"},
                                         {Field::Department, "Sales"},
                                         {Field::OrgAddr1, "Acme House"},
                                         {Field::Email, "kim@home.example"},
                                         {Field::OrgEmail, "kim@acme.example"},
                                         {Field::Pager, "07700 900123"}})});
    EXPECT_EQ(found(book, only({Name, HAddress}), u"smithhigh"_s), 1);
    EXPECT_EQ(found(book, only({Name, HAddress}), u"streetleeds"_s), 1);
    EXPECT_EQ(found(book, only({Name}), u"smithhigh"_s), 0);
    EXPECT_EQ(found(book, only({Name, HAddress}), u"leedskim"_s), 0); // never the other way
    // Job title, department and work address follow each other in that order.
    EXPECT_EQ(found(book, only({JobTitle, Department, WAddress}), u"buyersalesacme"_s), 1);
    EXPECT_EQ(found(book, only({Department, WAddress}), u"salesacme"_s), 1);
    // The organisation e-mail is an Email/Web field, not a phone field.
    EXPECT_EQ(found(book, only({Internet}), u"acme.example"_s), 1);
    EXPECT_EQ(found(book, only({Phone}), u"acme.example"_s), 0);
    EXPECT_EQ(found(book, only({Phone}), u"900123"_s), 1);
    EXPECT_EQ(found(book, only({Internet}), u"home.examplekim@acme"_s), 1);
}

// Western letters beyond Latin-1 fold their case too; a character no page can hold matches
// nothing (it is not read as '?').
TEST(BookSearch, WesternLettersFoldAndUnstorableOnesMatchNothing) {
    TempBook book;
    book.writeTab(5, {TempBook::record({{Field::Name, toWindows1252(u"\u00c9cole \u0160koda")}})});
    EXPECT_EQ(found(book, only({Name}), u"\u00e9COLE \u0161KODA"_s), 1);
    book.writeTab(17, {TempBook::record({{Field::Name, "Quiz?"}})});
    EXPECT_EQ(found(book, only({Name}), u"z\u4e2d"_s), 0);
    EXPECT_EQ(found(book, only({Name}), u"z?"_s), 1);
}

TEST(BookSearch, MissingAndUnreadableTabFiles) {
    TempBook book;
    book.writeTab(2, {TempBook::named("Bo")});
    QFile::remove(book.folder().tabFilePath(1));
    QFile::remove(book.folder().tabFilePath(3));
    QDir().mkpath(book.folder().tabFilePath(3)); // a folder where the file should be
    QList<int> seenTabs;
    const SearchOutcome outcome =
        BookSearch(book.folder()).run(only({Name}), u"", [&](int tab, int) {
            seenTabs.append(tab);
        });
    EXPECT_EQ(outcome.found(), 1);
    EXPECT_EQ(outcome.unreadTabs, QList<int>{3});
    ASSERT_EQ(seenTabs.size(), 25);
    EXPECT_EQ(seenTabs.front(), 1);
    EXPECT_EQ(seenTabs.back(), 25);
}

TEST(ResultLine, ColumnsCutsAndTabText) {
    const PlainRecord record(
        TempBook::record({{Field::Name, "Bartholomew Fitzgerald-Smythe"},
                          {Field::Organisation, "The Very Long Organisation Name Ltd"},
                          {Field::Phone1, "+44 113 496 0000 0000"}}));
    const QString line = resultLine(9, 7, record);
    EXPECT_EQ(
        line,
        u" Bartholomew Fitzgeral  The Very Long Organisation  +44 113 496 0000 0   IJ /     7"_s);
    EXPECT_EQ(positionOfLine(line), (PagePosition{9, 7}));

    const PlainRecord shortRecord(TempBook::named("Al"));
    EXPECT_EQ(resultLine(1, 12345, shortRecord), u" Al"_s + QString(19, u' ') + u"  "_s +
                                                     QString(26, u' ') + u"  "_s +
                                                     QString(18, u' ') + u"   A  / 12345"_s);
    EXPECT_EQ(resultTabText(8), u" H ");
    EXPECT_EQ(resultTabText(10), u" K ");
    EXPECT_EQ(resultTabText(25), u" Z ");
}

TEST(ResultLine, TabTextsAndPagesReadBack) {
    const std::optional<int> none;
    const QList<std::pair<QString, std::optional<int>>> tabs = {
        {u"A"_s, 1},    {u"0"_s, 1},     {u"B"_s, 2},    {u"H"_s, 8},
        {u"IJ"_s, 9},   {u"K"_s, 10},    {u"Z"_s, 25},   {u"I"_s, none},
        {u"J"_s, none}, {u"*0"_s, none}, {u"a"_s, none}, {u""_s, none}};
    for (const auto& [text, tab] : tabs)
        EXPECT_EQ(tabIndexForText(text), tab) << text.toStdString();

    EXPECT_EQ(positionOfLine(u" x   Z  /    42"), (PagePosition{25, 42}));
    EXPECT_EQ(positionOfLine(u" a / b   K  / 123456"), (PagePosition{10, 123456}));
    EXPECT_EQ(positionOfLine(u" x   Q  /     0"), std::nullopt); // no page 0
    EXPECT_EQ(positionOfLine(u" x   *0 /     3"), std::nullopt); // no letter tab
    EXPECT_EQ(positionOfLine(u"   Import listing line"), std::nullopt);
}

TEST(SearchResultsStore, NothingFoundKeepsTheEarlierList) {
    SearchResults results;
    results.lines = {u"import 1"_s, u"import 2"_s, u"import 3"_s};
    results.present = false;
    storeResults(results, {});
    EXPECT_EQ(results.lines.size(), 3);
    EXPECT_FALSE(results.present);

    SearchOutcome one;
    one.hits.append({{1, 1}, u"found"_s});
    storeResults(results, one);
    EXPECT_EQ(results.lines, QStringList{u"found"_s});
    EXPECT_TRUE(results.present);
}

TEST(SearchSelectors, StoredFlagsAndTheirToggle) {
    Settings settings;
    for (int i = 0; i < Settings::SearchFlagCount; ++i)
        settings.setSearchFlag(i, ' ');
    settings.setSearchFlag(6, '1'); // position 306: the work address
    settings.setSearchFlag(8, '1'); // position 308: the job title
    settings.setSearchFlag(0, 'x'); // unknown: off
    const SelectorFlags flags = selectorFlagsOf(settings);
    EXPECT_EQ(flags, only({WAddress, JobTitle}));
    // The one caption written without its space, as the search window shows it.
    EXPECT_EQ(QLatin1StringView(SearchSelectors[JobTitle].caption), u"JobTitle");

    EXPECT_EQ(toggledFlag('0'), '1');
    EXPECT_EQ(toggledFlag('1'), '0');
    EXPECT_EQ(toggledFlag(' '), '0'); // an unknown value becomes "0" first
    EXPECT_EQ(toggledFlag('x'), '0');

    QStringList unknown;
    EXPECT_EQ(selectorFlagsFromKeys({u"name"_s, u" Notes"_s, u"workaddress"_s, u"fax"_s}, &unknown),
              only({Name, Notes, WAddress}));
    EXPECT_EQ(unknown, QStringList{u"fax"_s});
}

TEST(FindPlacement, BesideTheMainWindowAndOnTheScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(700, 500);
    EXPECT_EQ(findWindowPosition(QRect(500, 100, 800, 600), size, screen), QPoint(420, 153));
    EXPECT_EQ(findWindowPosition(QRect(40, 100, 800, 600), size, screen), QPoint(0, 153));
    EXPECT_EQ(findWindowPosition(QRect(1600, 100, 800, 600), size, screen), QPoint(1220, 153));
}

// A second, plain implementation of the search rules: whole records, QString texts.
TEST(BookSearch, AgreesWithAPlainReadingOfTheRulesOnARandomBook) {
    TempBook book;
    QRandomGenerator random(20261206);
    const QList<QByteArray> words = {"ab", "Ab", "BA", "smith", "Jo", "", "  ", "x y", "\xe9t\xc9"};
    auto text = [&](int maxWords) {
        QByteArray value;
        const int n = random.bounded(maxWords + 1);
        for (int i = 0; i < n; ++i)
            value += words[random.bounded(words.size())];
        return value;
    };
    for (int tab = 0; tab < TabCount; ++tab) {
        QList<QByteArray> records;
        const int pages = random.bounded(6);
        for (int p = 0; p < pages; ++p) {
            PageRecord page;
            for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::Notes); ++f)
                page[static_cast<Field>(f)] = text(f == static_cast<int>(Field::Name) ? 3 : 2);
            records.append(page.toStored());
        }
        book.writeTab(tab, records);
    }

    auto reference = [&](const SelectorFlags& flags, const QString& query) {
        QStringList expected;
        for (int tab = 1; tab <= 25; ++tab) {
            for (qint64 p = 1; p <= book.pageCount(tab); ++p) {
                const PageRecord page = book.page(tab, p);
                QString joined;
                for (int s = 0; s < SearchSelectorCount; ++s) {
                    for (int f = 0; flags[s] && f < SearchSelectors[s].fieldCount; ++f)
                        joined += fromWindows1252(page[SearchSelectors[s].fields[f]]).trimmed();
                }
                const QString name = fromWindows1252(page[Field::Name]).trimmed();
                if (name.isEmpty() || !joined.contains(query.trimmed(), Qt::CaseInsensitive))
                    continue;
                const QString tabText =
                    tab == 9 ? u" IJ"_s : u" "_s + QChar(u'A' + tab - (tab > 9 ? 0 : 1)) + u" "_s;
                expected.append(
                    u" %1  %2  %3  %4 / %5"_s.arg(name.left(21), -21)
                        .arg(fromWindows1252(page[Field::Organisation]).trimmed().left(26), -26)
                        .arg(fromWindows1252(page[Field::Phone1]).trimmed().left(18), -18)
                        .arg(tabText)
                        .arg(p, 5));
            }
        }
        return expected;
    };

    const QStringList queries = {u""_s,     u"ab"_s,    u"AB"_s,      u"bas"_s, u"smithjo"_s,
                                 u" jo "_s, u"x yab"_s, u"\u00c9T"_s, u"zzz"_s};
    for (int round = 0; round < 40; ++round) {
        SelectorFlags flags{};
        for (bool& on : flags)
            on = random.bounded(3) == 0;
        flags[random.bounded(SearchSelectorCount)] = true;
        for (const QString& query : queries) {
            const QStringList actual = lines(BookSearch(book.folder()).run(flags, query));
            ASSERT_EQ(actual, reference(flags, query)) << "query '" << query.toStdString() << "'";
        }
    }
}

TEST(BookSearch, EveryScriptInAnyCaseWithWesternPagesComparedByByte) {
    TempBook book;
    const auto stored = &TempBook::textPage;
    book.writeTab(25, {stored(u"Zo\u00eb Western"_s, u"caf\u00e9"_s),
                       stored(u"Zo\u00eb \u0141ukasz"_s, u"\u0414\u043e\u043c"_s)});
    book.writeTab(22, {stored(u"\u738b\u82b3"_s, u"\u03a3\u03bf\u03c6\u03af\u03b1\u03c2"_s)});
    const SelectorFlags flags = only({Name, Notes});
    EXPECT_EQ(found(book, flags, u"ZO\u00cb"_s), 2) << "both encodings, one query";
    EXPECT_EQ(found(book, flags, u"CAF\u00c9"_s), 1);
    EXPECT_EQ(found(book, flags, u"\u0142UKASZ"_s), 1);
    EXPECT_EQ(found(book, flags, u"\u0434\u041e\u041c"_s), 1);
    EXPECT_EQ(found(book, flags, u"\u03c3\u03bf\u03c6\u03af\u03b1\u03c3"_s), 1)
        << "a final sigma matches its capital and its middle form";
    EXPECT_EQ(found(book, flags, u"\u82b3"_s), 1);
    EXPECT_EQ(found(book, only({Name}), u"\u0434\u043e\u043c"_s), 0) << "notes not selected";
    EXPECT_EQ(found(book, flags, u"\u00eb\u0141"_s), 0) << "fields join without separators";
    EXPECT_EQ(found(book, flags, u"Zo\u00eb \u0141"_s), 1);
}

TEST(ResultLine, UnicodeColumnsCountCharactersAndNeverSplitOne) {
    PageTexts texts;
    texts[0] = u"\u738b"_s + QString::fromUtf16(u"\U0001F600").repeated(9);
    texts[14] = QString(24, QChar(0x0416)); // Organisation
    PageRecord record;
    fillRecord(record, texts);
    const QString line = resultLine(22, 3, PlainRecord(record.toStored()));
    // Each wide character takes two columns: the Chinese letter and nine emoji fill 20 of 21.
    EXPECT_TRUE(line.startsWith(u" \u738b"_s + QString::fromUtf16(u"\U0001F600").repeated(9) +
                                QString(1, u' ') + u"  "_s + QChar(0x0416)));
    EXPECT_TRUE(line.contains(QString(24, QChar(0x0416)) + QString(2, u' ') + u"  "_s));
    EXPECT_EQ(positionOfLine(line), (PagePosition{22, 3}));
}

// With the numbers selected, a query written like a number is compared by its digits and by its
// national significant number in the book's home region; a query with letters stays text.
TEST(BookSearch, NumbersAreFoundHoweverTheyAreWritten) {
    TempBook book;
    ASSERT_EQ(setPhoneRegionSetting(book.folder().configPath(), u"GB"_s), 0);
    PageTexts cyrillic; // a page stored in SCSU
    cyrillic[VName] = u"\u0418\u0432\u0430\u043d\u043e\u0432"_s;
    cyrillic[VPager] = u"8 (495) 765-43-21"_s;
    PageRecord scsu;
    fillRecord(scsu, cyrillic);
    book.writeTab(9, {TempBook::record({{Field::Name, "Ivanov, Ivan"},
                                        {Field::Mobile, "+7 495 123-45-67"},
                                        {Field::Notes, "Flat 2"}}),
                      scsu.toStored()});
    book.writeTab(
        2, {TempBook::record({{Field::Name, "Bell, Ann"}, {Field::Fax, "+44 1234 567890"}})});
    // clang-format off
    const struct { const char16_t* query; int found; } rows[] = {
        {u"4567", 2}, {u"495 123 45 67", 1}, {u"(495) 123-4567", 1}, {u"01234 567890", 1},
        {u"+44 1234 567890", 1}, {u"0044 1234 567890", 1}, {u"765 43", 1}, {u"495", 2},
        {u"Flat 2", 0}, {u"+7 (999)", 0}, {u"", 3}};
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(found(book, only({Phone}), QString::fromUtf16(row.query)), row.found)
            << QString::fromUtf16(row.query).toStdString();
    EXPECT_EQ(found(book, only({Name}), u"4567"_s), 0); // only the number fields compare digits
}
