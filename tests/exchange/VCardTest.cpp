// The card model, reader, writer and the mapping between cards and pages.
#include "exchange/vcard/VCard.h"
#include "ExchangeTestData.h"
#include "exchange/vcard/VCardExport.h"
#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "exchange/vcard/VCardWriter.h"

#include <QUuid>

#include <gtest/gtest.h>

using namespace orvelan;
using namespace Qt::StringLiterals;

// What the readers of the sample files do not see on the page (their fields: VCardSources).
TEST(VCardReader, VersionsTypesSoftBreaksAndPhotosOfTheSamples) {
    const QList<VCard> phone = readCards(vcardSample(u"phone-2.1.vcf"_s));
    ASSERT_EQ(phone.size(), 2);
    EXPECT_EQ(phone[0].version, VCardVersion::V21);
    EXPECT_EQ(phone[0].firstText(u"FN"), u"Antonín Dvořák"_s);
    const VCardProperty* tel = phone[0].first(u"TEL");
    ASSERT_NE(tel, nullptr);
    EXPECT_EQ(tel->types(), (QStringList{u"CELL"_s, u"PREF"_s}));
    // The soft line break joins the country to the address.
    EXPECT_EQ(phone[0].first(u"ADR")->components().value(6), u"Česká republika"_s);
    EXPECT_FALSE(phone[0].first(u"ADR")->hasParameter(u"ENCODING"));
    EXPECT_TRUE(phone[0].first(u"PHOTO")->isBinary());
    EXPECT_TRUE(phone[0].first(u"PHOTO")->value.endsWith(u"DAz/"));
    const QList<VCard> desktop = readCards(vcardSample(u"desktop-4.0.vcf"_s));
    ASSERT_EQ(desktop.size(), 1);
    EXPECT_EQ(desktop[0].version, VCardVersion::V40);
}

TEST(VCardReader, ParametersInEveryStyle) {
    const QByteArray text = "BEGIN:VCARD\nVERSION:3.0\nFN:X\n"
                            "TEL;TYPE=home,voice:1\nTEL;TYPE=HOME;TYPE=VOICE:2\n"
                            "TEL;HOME;VOICE:3\nTEL;type=\"work,voice\":4\n"
                            "item7.EMAIL;type=INTERNET:a@b\nEND:VCARD\n";
    const QList<VCard> cards = readCards(text);
    ASSERT_EQ(cards.size(), 1);
    const QStringList homeVoice{u"HOME"_s, u"VOICE"_s};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(cards[0].properties[1 + i].types(), homeVoice) << i;
    EXPECT_EQ(cards[0].properties[4].types(), (QStringList{u"WORK"_s, u"VOICE"_s}));
    EXPECT_EQ(cards[0].properties[5].group, u"item7"_s);
    EXPECT_EQ(cards[0].properties[5].name, u"EMAIL"_s);
}

TEST(VCardReader, DamagedInputIsReadAsFarAsItGoes) {
    // A card without END followed by a whole one; a line without colon; a truncated last card.
    const QByteArray text = "junk before\r\nBEGIN:VCARD\r\nFN:First\r\nno colon here\r\n"
                            "BEGIN:VCARD\r\nFN:Second\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nFN:Third\r\nTEL:1";
    QList<VCardDamage> damage;
    const QList<VCard> cards = readCards(text, &damage);
    ASSERT_EQ(cards.size(), 3);
    EXPECT_EQ(cards[0].firstText(u"FN"), u"First"_s);
    EXPECT_TRUE(damage[0].missingEnd);
    EXPECT_EQ(damage[0].skippedLines, 1);
    EXPECT_FALSE(damage[1].any());
    EXPECT_TRUE(damage[2].missingEnd);
    EXPECT_EQ(cards[2].firstText(u"TEL"), u"1"_s);

    // Binary bytes are no card; an agent's card inside a card is passed over.
    EXPECT_TRUE(readCards(QByteArray("\x00\x01\xff\xfe\x89PNG\r\n\x1a\n", 12)).isEmpty());
    EXPECT_FALSE(VCardReader::looksLikeVCard(QByteArray("\x89PNG\r\n", 6)));
    EXPECT_TRUE(VCardReader::looksLikeVCard("\xEF\xBB\xBF\r\n\r\nbegin:vcard\r\n"));
    const QList<VCard> agent =
        readCards("BEGIN:VCARD\nVERSION:2.1\nFN:Boss\nAGENT:\n"
                  "BEGIN:VCARD\nFN:Assistant\nEND:VCARD\nTEL:9\nEND:VCARD\n");
    ASSERT_EQ(agent.size(), 1);
    EXPECT_EQ(agent[0].firstText(u"TEL"), u"9"_s);

    // An endless line is left out, not kept in memory; what follows is still read.
    QByteArray endless = "BEGIN:VCARD\nFN:Long\nNOTE:";
    endless += QByteArray(VCardReader::MaxLineBytes, 'x');
    endless += "\nTEL:5\nEND:VCARD\n";
    damage.clear();
    const QList<VCard> longCards = readCards(endless, &damage);
    ASSERT_EQ(longCards.size(), 1);
    EXPECT_EQ(damage[0].overlongLines, 1);
    EXPECT_EQ(longCards[0].first(u"NOTE"), nullptr);
    EXPECT_EQ(longCards[0].firstText(u"TEL"), u"5"_s);
}

TEST(VCardReader, Utf16AndStrayBytes) {
    const QString text = u"BEGIN:VCARD\r\nFN:Ångström\r\nEND:VCARD\r\n"_s;
    const QByteArray utf16 = ::utf16(text, false);
    EXPECT_TRUE(VCardReader::looksLikeVCard(utf16));
    ASSERT_EQ(readCards(utf16).size(), 1);
    EXPECT_EQ(readCards(utf16)[0].firstText(u"FN"), u"Ångström"_s);
    // A value that is not UTF-8 and names no character set is Windows-1252.
    EXPECT_EQ(readCards("BEGIN:VCARD\nFN:Jos\xe9\nEND:VCARD\n")[0].firstText(u"FN"), u"José"_s);
}

TEST(VCardWriter, FoldsAt75OctetsWithoutSplittingCharacters) {
    VCard card;
    card.appendText(u"FN"_s, QString(60, QChar(0x0142)) + u"🙂end"_s);
    card.appendText(u"NOTE"_s, QString(200, u'a'));
    const QByteArray out = writeVCard(card, VCardVersion::V30);
    EXPECT_TRUE(out.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    EXPECT_TRUE(out.endsWith("END:VCARD\r\n"));
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        EXPECT_TRUE(line.endsWith('\r'));
        EXPECT_LE(line.size() - 1, VCardLineOctets);
        // Every physical line is valid UTF-8 on its own.
        EXPECT_EQ(QString::fromUtf8(line).toUtf8(), line);
    }
    const QList<VCard> back = readCards(out);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].firstText(u"FN"), card.firstText(u"FN"));
    EXPECT_EQ(back[0].firstText(u"NOTE"), QString(200, u'a'));
}

TEST(VCardMapping, PageRoundTripsFieldForFieldInBothVersions) {
    const PageTexts page = fullPage();
    for (const VCardVersion version : {VCardVersion::V30, VCardVersion::V40}) {
        const VCard card = cardFromPage(page, {version, derivedUid(u"x"), {}});
        const QList<VCard> back = readCards(writeVCard(card, version));
        ASSERT_EQ(back.size(), 1);
        const CardOnPage mapped = pageFromCard(back[0]);
        for (int i = 0; i < ViewFieldCount; ++i)
            EXPECT_EQ(mapped.texts[i], page[i])
                << "field " << i << " version " << versionText(version).toStdString();
        EXPECT_TRUE(mapped.extraLines.isEmpty());
    }
}

// The export writes each page's card straight from its texts: byte for byte the card the
// mapping builds and the writer writes, in both versions and with every text that needs care.
TEST(VCardMapping, TheExportWritesTheCardTheMappingBuilds) {
    const auto with = [](std::initializer_list<std::pair<Field, QString>> fields) {
        PageTexts page;
        for (const auto& [field, text] : fields)
            page[at(field)] = text;
        return page;
    };
    const PageTexts pages[] = {
        fullPage(),
        with({{Field::Name, u"Solo"_s}}),
        with({{Field::Name, u"x"_s.repeated(73)}, // "FN:" and 73: one octet too many
              {Field::Email, u"y"_s.repeated(51)}}),
        with({{Field::Name, u" Ng, Van An "_s},
              {Field::Department, u"R&D"_s},
              {Field::Group, u" , Friends,, Work ,"_s},
              {Field::Notes, u"  "_s}}),
        with({{Field::Name, u"\u00a0Ng\u3000,\u2003Van\u2028\t"_s},
              {Field::Group, u"\u205fA,\u00a0,B\u0085"_s},
              {Field::Phone1, u"\u2029"_s}}),
        with({{Field::Name, u"\u738b\u82b3 \U0001F600"_s},
              {Field::Addr2, u"\"Quoted\" ^caret^: x"_s},
              {Field::Addr5, u"back\\slash\rcr"_s},
              {Field::OrgAddr6, u"\u0416"_s.repeated(30)},
              {Field::Notes, u"one\r\ntwo\n\nthree "_s.repeated(20)},
              {Field::OrgWeb, u"https://example.org/?a=1;b=2,c"_s}}),
    };
    const QDateTime revision(QDate(2026, 3, 4), QTime(9, 7), Qt::UTC);
    for (const VCardVersion version : {VCardVersion::V30, VCardVersion::V40}) {
        for (const PageTexts& page : pages) {
            const PageCardOptions options{version, derivedUid(page[0]), revision};
            QByteArray direct;
            appendPageCard(direct, page, options);
            EXPECT_EQ(direct, writeVCard(cardFromPage(page, options), version))
                << page[0].toStdString() << " " << versionText(version).toStdString();
        }
    }
}

TEST(VCardMapping, PageToCardWritesWhatOtherProgramsRead) {
    PageTexts page = fullPage();
    page[at(Field::Name)] = u"Jean de la Fontaine"_s;
    const VCard card = cardFromPage(page, {VCardVersion::V30, derivedUid(u"x"),
                                           QDateTime(QDate(2026, 3, 4), QTime(9, 7), Qt::UTC)});
    // Without a comma the whole name is the given name: no rule finds "de la Fontaine".
    EXPECT_EQ(card.first(u"N")->components().mid(0, 2),
              (QStringList{QString(), u"Jean de la Fontaine"_s}));
    EXPECT_EQ(structuredName(u"Smith, Anna"_s), (QStringList{u"Smith"_s, u"Anna"_s}));
    EXPECT_EQ(card.firstText(u"REV"), u"20260304T090700Z"_s);
    const VCardProperty* adr = card.first(u"ADR");
    ASSERT_NE(adr, nullptr);
    EXPECT_TRUE(adr->hasType(u"HOME"));
    EXPECT_EQ(adr->components().value(2), u"Flat 2; The Old Mill\n12 High Street, "
                                          "Lower End\nAmbridge\nAB1 2CD"_s);
    EXPECT_EQ(card.first(u"LABEL")->text(),
              u"Flat 2; The Old Mill\n\n12 High Street, Lower End\nAmbridge\n\nAB1 2CD"_s);
    EXPECT_EQ(card.first(u"CATEGORIES")->listValues(), (QStringList{u"Family"_s, u"Friends"_s}));
    EXPECT_EQ(card.first(u"ORG")->components(),
              (QStringList{page[at(Field::Organisation)], page[at(Field::Department)]}));
    EXPECT_EQ(pageRevision(u"04/03/26", u"09:07   "), QDateTime(QDate(2026, 3, 4), QTime(9, 7)));
    EXPECT_FALSE(pageRevision(u"", u"").isValid());
}

// UIDs are stored by other programs and the sync: one hash reused card after card must give the
// name-based UUID of each seed, as a fresh one does.
TEST(VCardMapping, CardUidsAreTheNameBasedUuidsOfTheirSeeds) {
    const QUuid space(u"6f7c2a52-3e0b-4d6e-9a51-0b5e8f4a1c3d"_s);
    const std::pair<QString, int> seeds[] = {{u"Anna"_s, 1},
                                             {u"Anna"_s, 2},
                                             {QString(), 1},
                                             {u" Ng, Van An"_s, 12},
                                             {u"\u00c9mile Zola"_s, 1},
                                             {u"\u738b\u82b3 \U0001F600"_s, 3},
                                             {u"x"_s.repeated(300), 1}};
    CardUids uids;
    for (const auto& [seed, occurrence] : seeds) {
        const QString full = occurrence == 1 ? seed : seed + u'#' + QString::number(occurrence);
        const QString expected =
            u"urn:uuid:"_s + QUuid::createUuidV5(space, full).toString(QUuid::WithoutBraces);
        EXPECT_EQ(QString::fromLatin1(uids.uid(seed, occurrence)), expected) << full.toStdString();
        EXPECT_EQ(derivedUid(full), expected) << full.toStdString();
    }
}

TEST(VCardMapping, CardFromPageKeepsWhatThePageHasNoFieldFor) {
    const QList<VCard> cards = readCards(vcardSample(u"desktop-4.0.vcf"_s));
    ASSERT_EQ(cards.size(), 1);
    PageTexts page = pageFromCard(cards[0]).texts;
    page[at(Field::Mobile)] = u"+48 600 000 000"_s;
    page[at(Field::Phone2)].clear();
    const VCard card = cardFromPage(page, {VCardVersion::V40, {}, {}}, &cards[0]);
    EXPECT_NE(card.first(u"PHOTO"), nullptr);
    EXPECT_EQ(card.firstText(u"BDAY"), u"--0412"_s);
    EXPECT_EQ(card.firstText(u"UID"), u"urn:uuid:0d5b8a44-2f4c-4d0e-8b2e-6d1c3a5f7b90"_s);
    EXPECT_EQ(card.firstText(u"NOTE"), u"Prefers Signal; call after 17:00."_s);
    QStringList numbers;
    for (const VCardProperty& p : card.properties) {
        if (p.name == u"TEL")
            numbers.append(p.text());
    }
    EXPECT_EQ(numbers, (QStringList{u"+48-22-123-45-67"_s, u"+48 600 000 000"_s}));
    // Read back, the page is the page that was written.
    const CardOnPage again = pageFromCard(readCards(writeVCard(card, VCardVersion::V40))[0]);
    for (int i = 0; i < ViewFieldCount; ++i)
        EXPECT_EQ(again.texts[i], page[i]) << i;
}

TEST(VCardMapping, FitToFieldsCutsBytesWithoutSplittingCharactersAndNamesTheFields) {
    PageTexts page;
    page[at(Field::Name)] = QString(20, QChar(0x0142)); // 40 bytes: each is quoted
    page[at(Field::Email)] = u"short@example.org"_s;
    EXPECT_EQ(fitToFields(page), QStringList{u"Name"_s});
    EXPECT_EQ(page[at(Field::Name)], QString(16, QChar(0x0142)));
    page[at(Field::Name)] = u"王芳"_s;
    // A window for the emoji (three bytes), then one byte each.
    page[at(Field::Notes)] = u"🙂"_s.repeated(821) + u"x"_s; // 825 bytes
    EXPECT_EQ(fitToFields(page), QStringList{u"Notes"_s});
    EXPECT_EQ(page[at(Field::Notes)], u"🙂"_s.repeated(821));
    // Several fields cut are named in order; a line break in Notes takes two bytes.
    page[at(Field::Name)] = QString(40, u'n');
    page[at(Field::Notes)] = QString(820, u'a') + u"\nbbbb"_s;
    EXPECT_EQ(fitToFields(page), (QStringList{u"Name"_s, u"Notes"_s}));
    EXPECT_EQ(page[at(Field::Name)], QString(32, u'n'));
    EXPECT_EQ(page[at(Field::Email)], u"short@example.org"_s);
    EXPECT_EQ(page[at(Field::Notes)], QString(820, u'a') + u"\nbb"_s);
}

TEST(VCardMapping, GroupLabelsNameWhatTheyGroup) {
    const QList<VCard> cards = readCards("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kim Lee\r\n"
                                         "item1.TEL:020 7946 0000\r\n"
                                         "item1.X-ABLabel:_$!<Mobile>!$_\r\n"
                                         "item2.TEL:020 7946 0001\r\nitem2.X-ABLabel:Boat\r\n"
                                         "item3.X-ABRELATEDNAMES:Jane Lee\r\n"
                                         "item3.X-ABLabel:_$!<Spouse>!$_\r\n"
                                         "item4.ADR;type=HOME:;;1 Road;Town;;T1 1AA;UK\r\n"
                                         "item4.X-ABADR:gb\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1);
    const PageTexts t = pageFromCard(cards[0]).texts;
    EXPECT_EQ(t[at(Field::Mobile)], u"020 7946 0000"_s);
    EXPECT_EQ(t[at(Field::Phone1)], QString()); // a label of its own stays with its number
    EXPECT_EQ(t[at(Field::Addr2)], u"Town T1 1AA"_s);
    EXPECT_EQ(t[at(Field::Notes)], u"Phone (Boat): 020 7946 0001\nRelated (spouse): Jane Lee"_s);
}
