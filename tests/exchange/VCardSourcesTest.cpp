// Cards as other programs write them, read and laid onto pages: every card of a file arrives,
// with every fact in its field or in Notes.
#include "ExchangeTestData.h"
#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/HiddenCharacters.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using namespace orvelan;
using namespace std::string_view_literals;
using namespace Qt::StringLiterals;

namespace {

struct ReadCard {
    VCard card;
    VCardDamage damage;
    CardOnPage page;
};

QList<ReadCard> readFile(const QString& name) {
    const QByteArray bytes = vcardSample(name);
    EXPECT_FALSE(bytes.isEmpty()) << name.toStdString();
    VCardReader reader(bytes);
    QList<ReadCard> cards;
    ReadCard read;
    while (reader.next(read.card, &read.damage)) {
        read.page = pageFromCard(read.card);
        cards.append(read);
    }
    return cards;
}

struct Expect {
    int card;
    Field field;
    const char* text; // UTF-8; for Notes a line it must hold, or the whole text when it has several
};

struct SourceCase {
    const char* file;
    int cards;
    std::vector<Expect> expects;
    std::vector<int> damagedCards;    // every other card reads cleanly
    QStringList leftOut = {};         // of the first card: what has no field nor a line in Notes
    QStringList unknownCharsets = {}; // of the last card
};

void PrintTo(const SourceCase& c, std::ostream* os) {
    *os << c.file;
}

class VCardSources : public testing::TestWithParam<SourceCase> {};

TEST_P(VCardSources, EveryCardArrivesWithItsFacts) {
    const SourceCase& c = GetParam();
    const QList<ReadCard> cards = readFile(QString::fromLatin1(c.file));
    ASSERT_FALSE(cards.isEmpty());
    ASSERT_EQ(cards.size(), c.cards);
    EXPECT_EQ(cards[0].page.leftOut, c.leftOut);
    EXPECT_EQ(cards.last().damage.unknownCharsets, c.unknownCharsets);
    for (const Expect& e : c.expects) {
        const QString want = QString::fromUtf8(e.text);
        const QString& got = cards[e.card].page.texts[at(e.field)];
        if (e.field == Field::Notes && !want.contains(u'\n'))
            EXPECT_TRUE(got.split(u'\n').contains(want))
                << "card " << e.card << " notes: " << got.toStdString();
        else
            EXPECT_EQ(got, want) << "card " << e.card << " field " << static_cast<int>(e.field);
    }
    for (int i = 0; i < cards.size(); ++i) {
        const bool damaged =
            std::find(c.damagedCards.begin(), c.damagedCards.end(), i) != c.damagedCards.end();
        EXPECT_EQ(cards[i].damage.any(), damaged) << "card " << i;
        EXPECT_FALSE(cards[i].page.texts[at(Field::Notes)].contains(u"<card")) << "card " << i;
        // Exported and read back, the page is the same: labelled lines in Notes included.
        for (const VCardVersion version : {VCardVersion::V30, VCardVersion::V40}) {
            PageTexts page = cards[i].page.texts;
            fitToFields(page);
            const QByteArray written = writeVCard(cardFromPage(page, {version, {}, {}}), version);
            VCardReader back(written); // reads a view of the bytes
            VCard card;
            ASSERT_TRUE(back.next(card));
            PageTexts again = pageFromCard(card).texts;
            fitToFields(again);
            EXPECT_EQ(again, page) << "card " << i << " version " << static_cast<int>(version);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, VCardSources,
    testing::Values(
        // A phone's 2.1 cards in quoted-printable; the second has no FN, only N.
        SourceCase{"phone-2.1.vcf",
                   2,
                   {{0, Field::Name, "Antonín Dvořák"},
                    {0, Field::Mobile, "+420 601 234 567"},
                    {0, Field::Phone1, "+420 2 1234 5678"},
                    {0, Field::Phone2, "+420 2 8765 4321"},
                    {0, Field::Fax, "+420 2 8765 4300"},
                    {0, Field::Email, "antonin@example.cz"},
                    {0, Field::Addr1, "Náměstí Míru 12"},
                    {0, Field::Addr2, "Brno 602 00"},
                    {0, Field::Addr3, "Česká republika"},
                    {0, Field::Notes,
                     "Met at the\nconference\nPhone (cell): +420 777 000 111\n"
                     "Birthday: 1980-04-12"},
                    {1, Field::Name, "Baker, Ruth"},
                    {1, Field::Phone1, "01632 960 123"},
                    {1, Field::Pager, "01632 960 999"},
                    {1, Field::Organisation, "Baker & Sons"},
                    {1, Field::Department, "Bakery"}},
                   {},
                   {u"PHOTO"_s}},
        // A webmail's 3.0 card: a number's field by its group's label.
        SourceCase{"webmail-3.0.vcf",
                   1,
                   {{0, Field::Name, "Émile Zola"},
                    {0, Field::Email, "emile@example.fr"},
                    {0, Field::OrgEmail, "e.zola@aurore.example.fr"},
                    {0, Field::Phone1, "+33 1 98 76 54 32"},
                    {0, Field::Phone2, "+33 1 23 45 67 89"},
                    {0, Field::Mobile, "+33 6 11 22 33 44"},
                    {0, Field::Addr1, "Appartement 3"},
                    {0, Field::Addr2, "21 bis, rue de Bruxelles"},
                    {0, Field::Addr3, "Paris 75009"},
                    {0, Field::Addr4, "France"},
                    {0, Field::OrgAddr1, "142 rue Montmartre"},
                    {0, Field::OrgAddr2, "Paris Île-de-France 75002"},
                    {0, Field::OrgAddr3, "France"},
                    {0, Field::Organisation, "L'Aurore"},
                    {0, Field::Department, "Rédaction, Culture"},
                    {0, Field::JobTitle, "Journalist"},
                    {0, Field::OrgWeb, "https://aurore.example.fr/zola"},
                    {0, Field::Group, "Writers, Paris"},
                    {0, Field::Notes,
                     "J'accuse\n…letter to the President, 1898\n"
                     "E-mail: zola.other@example.org\nWeb: https://zola.example.org\n"
                     "Nickname: Le Maître\nInstant messaging: xmpp:emile@example.fr"}},
                   {}},
        // A desktop suite's 4.0 card: the label's lines win over the structured address.
        SourceCase{"desktop-4.0.vcf",
                   1,
                   {{0, Field::Name, "Łukasz Nowak"},
                    {0, Field::Phone1, "+48-22-123-45-67"},
                    {0, Field::Mobile, "+48-601-234-567"},
                    {0, Field::Phone2, "+48-22-765-43-21"},
                    {0, Field::Email, "lukasz@example.pl"},
                    {0, Field::OrgEmail, "lukasz.nowak@firma.example.pl"},
                    {0, Field::Addr1, "ul. Długa 5 m. 7"},
                    {0, Field::Addr2, "Długa Kamienica"},
                    {0, Field::Addr3, "00-238 Warszawa"},
                    {0, Field::Addr4, "Polska"},
                    {0, Field::OrgAddr1, "al. Jerozolimskie 100"},
                    {0, Field::OrgAddr2, "Warszawa 00-807"},
                    {0, Field::Organisation, "Firma Przykładowa S.A."},
                    {0, Field::Department, "Dział IT"},
                    {0, Field::JobTitle, "Kierownik projektu"},
                    {0, Field::Group, "Work"},
                    {0, Field::Notes,
                     "Prefers Signal; call after 17:00.\nBirthday: --04-12\n"
                     "Anniversary: 2010-06-19\nGender: M\nLanguage: pl"}},
                   {},
                   {u"PHOTO"_s, u"KEY"_s}},
        // An assistant's card without END inside its boss's card swallows no later card; the
        // agent's name is kept; a 2.1 agent written on the AGENT line itself is no page either.
        SourceCase{"sources/phone-agent-no-end-2.1.vcf",
                   5,
                   {{0, Field::Name, "Big Boss"},
                    {0, Field::Notes, "Agent: Fred Friday"},
                    {1, Field::Name, "Sam Second"},
                    {1, Field::Phone1, "+1-213-555-0002"},
                    {2, Field::Name, "Cara Chief"},
                    {2, Field::Notes, "Agent: Nick Nested"},
                    {3, Field::Name, "Tina Third"},
                    {4, Field::Name, "Anna Agent"},
                    {4, Field::Phone1, "+1-213-555-0004"},
                    {4, Field::Notes, "Agent: Nested Helper"}},
                   {0, 2}},
        // A quoted-printable value that ends in "=" does not swallow the END after it.
        SourceCase{"sources/phone-qp-trailing-equals-2.1.vcf",
                   2,
                   {{0, Field::Name, "Müller, Pia"},
                    {1, Field::Name, "Weber, Jonas"},
                    {1, Field::Notes, "second line"}},
                   {}},
        // Every character set ICU knows; an unknown one is read as Windows-1252 and reported.
        SourceCase{"sources/phone-charsets-2.1.vcf",
                   6,
                   {{0, Field::Name, "Łukasz Żółć"},
                    {1, Field::Name, "安藤ロイド"},
                    {2, Field::Name, "安藤ロイド"},
                    {3, Field::Name, "Иван Иванов"},
                    {4, Field::Notes, "€ 5"},
                    {5, Field::Name, "José"}},
                   {5},
                   {},
                   {u"X-MADE-UP"_s}},
        // Lines ending in CR CR LF still fold.
        SourceCase{"sources/phone-crcrlf-2.1.vcf",
                   1,
                   {{0, Field::Name, "Carla Crlf"},
                    {0, Field::Notes, "the first half and the second half"},
                    {0, Field::Mobile, "+44 7700 900123"}},
                   {}},
        // Standard types decide a number's field; unknown extra types and custom labels do not.
        SourceCase{"sources/webmail-tel-types-3.0.vcf",
                   2,
                   {{0, Field::Phone1, "+1 555 0100"},
                    {0, Field::Mobile, "+1 555 0101"},
                    {1, Field::Phone1, "+1 555 0200"}},
                   {}},
        // A number with a label of its own and no standard kind keeps its label in Notes;
        // Apple's own labels ("HomeFAX", "Main", "iPhone") choose the field.
        SourceCase{"sources/apple-tel-labels-3.0.vcf",
                   1,
                   {{0, Field::Notes, "Phone (Boat): +1 555 0300"},
                    {0, Field::Notes, "Phone (boat): +1 555 0301"},
                    {0, Field::Fax, "+1 555 0302"},
                    {0, Field::Phone1, "+1 555 0303"},
                    {0, Field::Mobile, "+1 555 0304"}},
                   {}},
        // A label keeps its lines and gains the parts of its address it lacks; a program's
        // layout data is left out, so the facts after it fit.
        SourceCase{"sources/desktop-outlook-2.1.vcf",
                   1,
                   {{0, Field::OrgAddr1, "120 Broadway"},
                    {0, Field::OrgAddr2, "New York, NY"},
                    {0, Field::OrgAddr3, "Suite 400"},
                    {0, Field::OrgAddr4, "10038"},
                    {0, Field::OrgAddr5, "United States of America"},
                    {0, Field::Notes, "Manager: Max Manager"},
                    {0, Field::Notes, "Assistant: Alice Assistant"},
                    {0, Field::Notes, "Spouse: Sam Schmidt"},
                    {0, Field::Notes, "Free/busy: http://free.example.com/anna.vfb"}},
                   {},
                   {u"X-MS-OL-DESIGN"_s}},
        // Readings of a name are kept as labelled lines.
        SourceCase{"sources/phone-phonetic-2.1.vcf",
                   2,
                   {{0, Field::Name, "山田, 太郎"},
                    {0, Field::Notes, "Phonetic name: ﾔﾏﾀﾞ ﾀﾛｳ"},
                    {1, Field::Notes, "Sort as: Cruz"}},
                   {}},
        // Control characters, direction overrides and zero-width spaces do not reach a page;
        // the joiners an emoji needs stay.
        SourceCase{"sources/webmail-hidden-3.0.vcf",
                   1,
                   {{0, Field::Name, "Bob Hidden"},
                    {0, Field::Email, "a@b.evil"},
                    {0, Field::Phone1, "+1 555 0100"},
                    {0, Field::Notes, "first"},
                    {0, Field::Notes, "second line \U0001F468\u200D\U0001F469\u200D\U0001F467"}},
                   {}}));

struct HiddenCase {
    std::u16string_view text;
    bool notes;
    std::u16string_view kept;
    int removed;
};

void PrintTo(const HiddenCase& c, std::ostream* os) {
    *os << QStringView(c.text).toString().toStdString();
}

class HiddenCharacters : public testing::TestWithParam<HiddenCase> {};

TEST_P(HiddenCharacters, AreRemovedAndCounted) {
    QString text = QStringView(GetParam().text).toString();
    EXPECT_EQ(removeHiddenCharacters(text, GetParam().notes), GetParam().removed);
    EXPECT_EQ(text, QStringView(GetParam().kept).toString());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HiddenCharacters,
    testing::Values(HiddenCase{u"plain"sv, false, u"plain"sv, 0},
                    HiddenCase{u"a@b\u0000.evil"sv, false, u"a@b.evil"sv, 1},
                    HiddenCase{u"\u202e+1 555 0100\u202c"sv, false, u"+1 555 0100"sv, 2},
                    HiddenCase{u"\u2066x\u2069\u2067y\u2068"sv, false, u"xy"sv, 4},
                    HiddenCase{u"B\u200bob\ufeff"sv, false, u"Bob"sv, 2},
                    HiddenCase{u"one\ttwo"sv, false, u"one two"sv, 1},
                    HiddenCase{u"line\r\nnext\u0007"sv, true, u"line\r\nnext"sv, 1},
                    HiddenCase{u"line\nnext"sv, false, u"line next"sv, 1},
                    HiddenCase{u"\u0915\u094d\u200d\u0937 \u200c"sv, false,
                               u"\u0915\u094d\u200d\u0937 \u200c"sv, 0}));

TEST(VCardHostile, ParameterBombsCostBoundedMemoryAndAreReported) {
    // Millions of parameters on one property, and many properties of many parameters.
    QByteArray bomb = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bomb\r\nTEL";
    for (int i = 0; i < 2'000'000; ++i)
        bomb += ";X";
    bomb += ":+1 555 0100\r\n";
    for (int p = 0; p < 200; ++p) {
        bomb += "EMAIL";
        for (int i = 0; i < 50; ++i)
            bomb += ";TYPE=X" + QByteArray::number(i);
        bomb += ":a" + QByteArray::number(p) + "@example.org\r\n";
    }
    bomb += "END:VCARD\r\nBEGIN:VCARD\r\nFN:After\r\nEND:VCARD\r\n";
    VCardReader reader(bomb);
    VCard card;
    VCardDamage damage;
    ASSERT_TRUE(reader.next(card, &damage));
    EXPECT_EQ(card.firstText(u"TEL"), u"+1 555 0100"_s);
    qsizetype kept = 0;
    for (const VCardProperty& p : card.properties) {
        EXPECT_LE(p.parameters.size(), VCardReader::MaxParameters);
        kept += p.parameters.size();
    }
    EXPECT_LE(kept, VCardReader::MaxCardParameters);
    EXPECT_EQ(card.properties.size(), 202); // every value kept
    EXPECT_EQ(damage.droppedParameters, 2'000'000 + 200 * 50 - kept);
    ASSERT_TRUE(reader.next(card, &damage));
    EXPECT_EQ(card.firstText(u"FN"), u"After"_s);
}

TEST(VCardHostile, APhotoTooLargeToReadIsLeftOutNotDamage) {
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Big Photo\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
    bytes += QByteArray(VCardReader::MaxLineBytes + 1024, 'A');
    bytes += "\r\nTEL:1\r\nEND:VCARD\r\n";
    VCardReader reader(bytes);
    VCard card;
    VCardDamage damage;
    ASSERT_TRUE(reader.next(card, &damage));
    EXPECT_FALSE(damage.any());
    EXPECT_EQ(damage.leftOut, QStringList{u"PHOTO"_s});
    EXPECT_EQ(card.firstText(u"TEL"), u"1"_s);
}

} // namespace
