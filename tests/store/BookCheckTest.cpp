#include "store/BookCheck.h"

#include "store/PageIdentity.h"
#include "store/PageStore.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"
#include "support/FakeClock.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>
#include <functional>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

void setReserved(QByteArray& stored, QByteArrayView reserved) {
    std::memcpy(stored.data() + specOf(Field::Reserved).offset, reserved.data(), ReservedWidth);
}

// A page as earlier versions wrote it in UTF-8, with its marker.
QByteArray utf8Page(const QString& name) {
    PageRecord record;
    record[Field::Name] = name.toUtf8();
    record[Field::Reserved] = Utf8PageMarker.toByteArray();
    return record.toStored();
}

struct DecodeCase {
    const char* what;
    QString name;
    std::function<void(QByteArray&)> damage;
    const char* reason; // empty: the page reads
};

const PageId SomeId = PageId::derivedFrom("card");

const DecodeCase DecodeCases[] = {
    {"a Windows-1252 page", u"Zoë Weiß"_s, {}, ""},
    {"an SCSU page", u"Иванов Иван"_s, {}, ""},
    {"a UTF-8 page", u"Иванов Иван"_s, [](QByteArray& s) { s = utf8Page(u"Иванов Иван"_s); }, ""},
    {"a Windows-1252 page with an identity", u"Zoë Weiß"_s,
     [](QByteArray& s) { setPageId(s, SomeId); }, ""},
    {"an SCSU page with an identity", u"王芳"_s, [](QByteArray& s) { setPageId(s, SomeId); }, ""},
    {"notes with line breaks", u"Ann"_s,
     [](QByteArray& s) { s = TempBook::textPage(u"Ann"_s, u"a\nb\tc"_s); }, ""},
    {"an unknown mark", u"Иванов"_s,
     [](QByteArray& s) { setReserved(s, QByteArrayView("UTF-9\0\0\0", 8)); }, "unknown mark"},
    {"an identity whose tag flipped", u"Ann"_s,
     [](QByteArray& s) {
         setPageId(s, SomeId);
         s[specOf(Field::Reserved).offset] = 'J';
     },
     "unknown mark"},
    {"an SCSU flag flipped to Windows-1252", u"Иванов Иван"_s,
     [](QByteArray& s) {
         setPageId(s, SomeId);
         s[specOf(Field::Reserved).offset + 1] = PageId::Windows1252Flag;
     },
     "its Name is SCSU in a page marked Windows-1252"},
    {"the SCSU marker lost", u"Łucja"_s, [](QByteArray& s) { setReserved(s, QByteArray(8, '\0')); },
     "SCSU in a page marked"},
    {"the UTF-8 marker lost", u"Łucja"_s,
     [](QByteArray& s) {
         s = utf8Page(u"Łucja"_s);
         setReserved(s, QByteArray(8, '\0'));
     },
     "UTF-8 in a page marked"},
    {"a Windows-1252 flag flipped to UTF-8", u"Zoë Weiß"_s,
     [](QByteArray& s) {
         setPageId(s, SomeId);
         s[specOf(Field::Reserved).offset + 1] = PageId::Utf8Flag;
     },
     "its Name is not valid UTF-8"},
    {"enciphered bytes flipped into control characters", u"Ann"_s,
     [](QByteArray& s) { s[specOf(Field::Phone1).offset] ^= 0x20 ^ 0x01; },
     "its Phone1 holds control characters"},
};

class PageDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PageDecoding, NamesWhyAPageCannotBeReadAsItWasWritten) {
    QByteArray stored = TempBook::textPage(GetParam().name);
    if (GetParam().damage)
        GetParam().damage(stored);
    const QString reason = undecodableReason(stored);
    if (*GetParam().reason == '\0')
        EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
    else
        EXPECT_TRUE(reason.contains(QLatin1StringView(GetParam().reason))) << reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Store, PageDecoding, ::testing::ValuesIn(DecodeCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// Every form of page the store writes must read back as trusted, whatever its script; a new
// encoding marker that the check does not know would stop every sync.
TEST(BookCheck, EveryPageTheStoreWritesIsTrusted) {
    TempBook book;
    FakeClock clock;
    PageStore store(book.folder(), clock);
    const QString names[] = {u"Anna"_s,         u"Zoë Weiß"_s, u"Иванов Иван"_s,
                             u"Παπαδόπουλος"_s, u"王芳"_s,     u"Émile 😀"_s};
    for (const QString& name : names) {
        PageTexts texts;
        texts[0] = name;
        texts[NotesViewIndex] = u"line one\nline two"_s;
        ASSERT_TRUE(store.saveNewPage(texts).result);
    }
    QByteArray withId = book.tabBytes(9);
    setPageId(withId, SomeId); // the Cyrillic page, as a sync marks it
    book.writeTab(9, {withId.left(RecordSize)});
    const BookCheckResult result = checkBook(book.folder());
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.problems[0].describe().toStdString());
    EXPECT_EQ(result.pages, 26) << "each name took the blank first page of its tab";
}

TEST(BookCheck, NamesEveryDamagedFileAndPageWithItsPlace) {
    TempBook book;
    QByteArray mojibake = utf8Page(u"Иванов"_s);
    setReserved(mojibake, QByteArray(8, '\0'));
    book.writeTab(
        1, {TempBook::textPage(u"Ann"_s), TempBook::textPage(u"Al"_s), QByteArray(700, 'x')});
    book.writeTab(9, {TempBook::textPage(u"Ivy"_s), mojibake});
    QByteArray first = TempBook::textPage(u"Kim"_s);
    setPageId(first, SomeId);
    QByteArray copy = TempBook::textPage(u"Kim"_s);
    setPageId(copy, SomeId);
    book.writeTab(10, {first, copy});
    ASSERT_TRUE(QFile::remove(book.folder().tabFilePath(12)));
    ASSERT_TRUE(QFile::remove(book.folder().tabFilePath(13)));
    ASSERT_TRUE(QDir().mkdir(book.folder().tabFilePath(13)));
    ASSERT_TRUE(QFile::remove(book.folder().tabFilePath(14)));
    ASSERT_TRUE(QFile::link(book.folder().tabFilePath(1), book.folder().tabFilePath(14)));

    const BookCheckResult result = checkBook(book.folder());
    QStringList found;
    for (const BookProblem& problem : result.problems)
        found << problem.describe();
    const QStringList expected = {
        QStringLiteral("%1 (tab A) ends in part of a page: it is 4080 bytes, 2 whole pages and "
                       "700 bytes of page 3.")
            .arg(book.folder().tabFilePath(1)),
        QStringLiteral("Page 2 of tab I J (%1) does not decode: its Name is UTF-8 in a page "
                       "marked Windows-1252 (its mark is damaged; it would read as "
                       "\"%2\").")
            .arg(book.folder().tabFilePath(9), u"Ð˜Ð²Ð°Ð½Ð¾Ð²"_s),
        QStringLiteral("Page 1 of tab K and page 2 of tab K carry the same sync identity %1 (a "
                       "copied record).")
            .arg(SomeId.toString()),
        u"The tab file %1 (tab M) is missing."_s.arg(book.folder().tabFilePath(12)),
        u"%1 (tab N) is a folder or a device, not the tab file."_s.arg(
            book.folder().tabFilePath(13)),
        u"%1 (tab O) is a link, not the tab file; links are never followed."_s.arg(
            book.folder().tabFilePath(14)),
    };
    EXPECT_EQ(found.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    EXPECT_TRUE(result.stopsSync());
}

TEST(BookCheck, RepairSetsDamagedBytesAsideFixesMarksAndDeletesNothing) {
    TempBook book;
    QByteArray flipped = TempBook::textPage(u"Иванов Иван"_s);
    setPageId(flipped, SomeId);
    flipped[specOf(Field::Reserved).offset + 1] = PageId::Windows1252Flag;
    QByteArray garbled = TempBook::textPage(u"Ann"_s);
    garbled[specOf(Field::Name).offset + 1] ^= 0x7f; // deciphers to a control character
    const QByteArray tail(700, 'x');
    book.writeTab(1, {TempBook::textPage(u"Al"_s), garbled, tail});
    book.writeTab(9, {flipped});
    ASSERT_TRUE(QFile::remove(book.folder().tabFilePath(12)));

    const RepairReport report = repairBook(book.folder(), checkBook(book.folder()));
    EXPECT_EQ(report.done.size(), 3) << report.done.join(u'\n').toStdString();
    ASSERT_EQ(report.left.size(), 1) << "the garbled page stays as it is";
    EXPECT_TRUE(report.left[0].contains(u"Page 2 of tab A"_s));

    const QString damaged = book.folder().reserveDir() + u"/damaged/"_s;
    EXPECT_EQ(readBytes(damaged + u"Orvel01.raf.at-3380"_s), tail);
    EXPECT_EQ(readBytes(damaged + u"Orvel01.raf.page-2"_s), garbled);
    EXPECT_EQ(readBytes(damaged + u"Orvel09.raf.page-1"_s), flipped);
    EXPECT_EQ(book.pageCount(1), 2);
    EXPECT_EQ(book.tabBytes(1).mid(RecordSize), garbled) << "nothing unreadable is blanked";
    EXPECT_EQ(book.page(9, 1).text(Field::Name), u"Иванов Иван"_s);
    EXPECT_EQ(pageIdOf(book.tabBytes(9)), SomeId) << "the page keeps its card";
    EXPECT_EQ(book.tabBytes(12), blankRecord());

    const BookCheckResult after = checkBook(book.folder());
    ASSERT_EQ(after.problems.size(), 1);
    EXPECT_EQ(after.problems[0].kind, BookProblem::Kind::UndecodablePage);
}

} // namespace
