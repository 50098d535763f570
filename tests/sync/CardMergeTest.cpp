// A page edited here and written back over the server's card: what the phone reads afterwards.
#include "exchange/vcard/VCardMapping.h"
#include "store/PageEncoding.h"
#include "sync/VCardSyncMapping.h"

#include <gtest/gtest.h>

#include <functional>

using namespace orvelan;
using namespace Qt::StringLiterals;

namespace {

constexpr int at(Field field) {
    return static_cast<int>(field) - 1;
}

QByteArray card30(const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\n" + body + "END:VCARD\r\n";
}
QByteArray card40(const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:u1\r\n" + body + "END:VCARD\r\n";
}

const QByteArray LongNote = QByteArray("Long note. ").repeated(102); // 1,122 bytes
const QByteArray LongEmail =
    "konstantin.aleksandrovich.preobrazhensky.the.third@mail.example-long.org"; // 73
const QByteArray LongUrl = "https://www.example.org/people/konstantin-aleksandrovich-"
                           "preobrazhensky/profile?tab=contact";
const QByteArray LongOrg = "Preobrazhensky Brothers International Holding";
const QByteArray Konstantin = "Константин Александрович Преображенский";

const QByteArray Polna = "ADR;TYPE=HOME:;;ul. Polna 5;Kraków;Małopolska;30-001;Polska\r\n";
const QByteArray AppleItems = "item1.TEL;type=pref:0700 111\r\n"
                              "item1.X-ABLabel:_$!<Mobile>!$_\r\n"
                              "item2.TEL:020 7946 0001\r\nitem2.X-ABLabel:Boat\r\n";

struct MergeCase {
    const char* name;
    QByteArray card;
    std::function<void(PageTexts&)> edit;
    QList<QByteArray> present; // whole lines of the card written back (unfolded)
    QList<QByteArray> absent;  // texts it must not hold
    bool readsBack = true;     // the card written back gives the page as it stands
};

void PrintTo(const MergeCase& c, std::ostream* os) {
    *os << c.name;
}

std::function<void(PageTexts&)> set(Field field, const QString& text) {
    return [field, text](PageTexts& page) { page[at(field)] = text; };
}

class CardMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(CardMerge, WhatThePageDidNotChangeGoesBackAsTheServerHadIt) {
    const MergeCase& c = GetParam();
    const VCardSyncMapping mapping;
    PageTexts page = mapping.pageOf(c.card);
    c.edit(page);
    QByteArray written = mapping.cardOf(page, c.card, {});
    written.replace("\r\n ", ""); // unfolded
    for (const QByteArray& line : c.present)
        EXPECT_EQ(written.count("\n" + line + "\r\n"), 1) // there, and only once
            << "not there once: " << line.toStdString() << "\n"
            << written.toStdString();
    for (const QByteArray& text : c.absent)
        EXPECT_FALSE(written.contains(text)) << "unexpected " << text.toStdString() << "\n"
                                             << written.toStdString();
    // The page reads back from what was written as it stood, cut values and all.
    if (c.readsBack) {
        EXPECT_EQ(mapping.pageOf(written), page);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardMerge,
    ::testing::Values(
        MergeCase{"AnAddressKeepsItsPartsWhenOnlyANumberChanged",
                  card30("FN:Jan Nowak\r\nN:Nowak;Jan;;;\r\n" + Polna + "TEL;TYPE=WORK:12 111\r\n"),
                  set(Field::Phone2, u"12 222"_s),
                  {Polna.chopped(2), "TEL;TYPE=WORK:12 222", "N:Nowak;Jan;;;"},
                  {"LABEL"}},
        MergeCase{"AChangedStreetKeepsLocalityRegionCodeAndCountry",
                  card30("FN:Jan Nowak\r\n" + Polna),
                  set(Field::Addr1, u"ul. Polna 7"_s),
                  {"ADR;TYPE=HOME:;;ul. Polna 7;Kraków;Małopolska;30-001;Polska"},
                  {"LABEL"}},
        MergeCase{"AChangedTownKeepsRegionAndCode",
                  card30("FN:Jan Nowak\r\n" + Polna),
                  set(Field::Addr2, u"Wieliczka Małopolska 30-001"_s),
                  {"ADR;TYPE=HOME:;;ul. Polna 5;Wieliczka;Małopolska;30-001;Polska"},
                  {}},
        MergeCase{"EmailParametersStayWhenTheNameChanged",
                  card30("FN:Ann Lee\r\nEMAIL;TYPE=WORK;TYPE=PREF:ann@work.example\r\n"),
                  set(Field::Name, u"Ann Lee-Smith"_s),
                  {"EMAIL;TYPE=WORK;TYPE=PREF:ann@work.example", "FN:Ann Lee-Smith",
                   "N:;Ann Lee-Smith;;;"},
                  {"INTERNET"}},
        MergeCase{"AChangedEmailKeepsItsParameters",
                  card30("FN:Ann Lee\r\nEMAIL;TYPE=WORK;TYPE=PREF:ann@work.example\r\n"),
                  set(Field::OrgEmail, u"ann@new.example"_s),
                  {"EMAIL;TYPE=WORK;TYPE=PREF:ann@new.example"},
                  {"INTERNET", "ann@work.example"}},
        MergeCase{"GroupLabelsStayWhenOtherFieldsChange",
                  card30("FN:Kim Lee\r\n" + AppleItems),
                  set(Field::Pager, u"999"_s),
                  {"item1.TEL;TYPE=pref:0700 111", "item1.X-ABLABEL:_$!<Mobile>!$_",
                   "item2.X-ABLABEL:Boat", "TEL;TYPE=PAGER:999"},
                  {}},
        MergeCase{"AChangedGroupedNumberKeepsItsGroupAndEveryLabel",
                  card30("FN:Kim Lee\r\n" + AppleItems),
                  set(Field::Mobile, u"0700 999"_s),
                  {"item1.TEL;TYPE=pref:0700 999", "item1.X-ABLABEL:_$!<Mobile>!$_",
                   "item2.TEL:020 7946 0001", "item2.X-ABLABEL:Boat"},
                  {"0700 111"}},
        MergeCase{"AnEmptiedGroupedNumberTakesItsLabelAlong",
                  card30("FN:Kim Lee\r\n" + AppleItems),
                  set(Field::Mobile, QString()),
                  {"item2.X-ABLABEL:Boat"},
                  {"item1."}},
        MergeCase{"Version4PreferenceAndUriValuesStay",
                  card40("FN:Eva Lind\r\nTEL;VALUE=uri;PREF=1;TYPE=cell:tel:+46-70-123\r\n"
                         "TEL;VALUE=uri;TYPE=work:tel:+46-8-555\r\n"),
                  set(Field::Notes, u"new note"_s),
                  {"TEL;VALUE=uri;PREF=1;TYPE=cell:tel:+46-70-123",
                   "TEL;VALUE=uri;TYPE=work:tel:+46-8-555", "NOTE:new note"},
                  {}},
        MergeCase{"AChangedVersion4NumberStaysAUri",
                  card40("FN:Eva Lind\r\nTEL;VALUE=uri;PREF=1;TYPE=cell:tel:+46-70-123\r\n"),
                  set(Field::Mobile, u"+46 70 999"_s),
                  {"TEL;VALUE=uri;PREF=1;TYPE=cell:tel:+46-70-999"},
                  {},
                  false},
        MergeCase{"ACompanyWithAnEmptyFormattedNameGetsNoPersonsName",
                  card30("FN:\r\nORG:Only Org Ltd\r\nX-ABShowAs:COMPANY\r\n"),
                  set(Field::Phone1, u"555"_s),
                  {"FN:", "ORG:Only Org Ltd", "X-ABSHOWAS:COMPANY"},
                  {"\nN:"}},
        MergeCase{"ValuesHeldCutNeverTravel",
                  card30("FN:" + Konstantin +
                         "\r\nN:Преображенский;Константин;Александрович;;\r\n" +
                         "EMAIL;TYPE=INTERNET:" + LongEmail + "\r\nURL:" + LongUrl +
                         "\r\nORG:" + LongOrg + "\r\nNOTE:" + LongNote + "\r\n"),
                  set(Field::Pager, u"999"_s),
                  {"FN:" + Konstantin, "N:Преображенский;Константин;Александрович;;",
                   "EMAIL;TYPE=INTERNET:" + LongEmail, "URL:" + LongUrl, "ORG:" + LongOrg,
                   "NOTE:" + LongNote, "TEL;TYPE=PAGER:999"},
                  {}},
        MergeCase{"ANameCutWhenAnotherFieldChangedThePagesEncodingNeverTravels",
                  card30("FN:Åström-Müller\\, Zoë Åsa Björkå\r\nNOTE:Met in 王府井\r\n"),
                  set(Field::Pager, u"999"_s),
                  {"FN:Åström-Müller\\, Zoë Åsa Björkå"},
                  {}},
        MergeCase{"ANameCutInAnotherEncodingThanTodaysIsStillKnownAsCut",
                  card30("FN:Åström-Müller\\, Zoë Åsa Björkå\r\nNOTE:plain\r\n"),
                  [](PageTexts& page) {
                      page[at(Field::Name)] =
                          fittedToField(at(Field::Name), page[at(Field::Name)], TextEncoding::Utf8);
                      page[at(Field::Pager)] = u"999"_s;
                  },
                  {"FN:Åström-Müller\\, Zoë Åsa Björkå"},
                  {},
                  false},
        MergeCase{"ACutValueTheUserChangedGoesOutAsTheUserLeftIt",
                  card30("FN:" + Konstantin + "\r\nEMAIL:" + LongEmail + "\r\n"),
                  set(Field::Name, u"Константин П"_s),
                  {"FN:Константин П", "EMAIL:" + LongEmail},
                  {"Александрович"}},
        // A phone's card with what no page field holds: a photo, a birthday, a second mobile.
        MergeCase{"APhotoABirthdayAndASecondMobileStayWhenAnotherFieldChanged",
                  card30("FN:Pia Photo\r\nN:Photo;Pia;;;\r\nBDAY:1990-04-01\r\n"
                         "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\n"
                         "TEL;TYPE=CELL:0711\r\nTEL;TYPE=CELL:0722\r\n"),
                  set(Field::Organisation, u"Photo Ltd"_s),
                  {"ORG:Photo Ltd", "BDAY:1990-04-01",
                   "PHOTO;TYPE=JPEG;ENCODING=b:/9j/4AAQSkZJRgABAQ==", "TEL;TYPE=CELL:0711",
                   "TEL;TYPE=CELL:0722"},
                  {"Birthday"}},
        MergeCase{"TextAddedUnderABirthdayLineGoesIntoTheNoteWithoutIt",
                  card30("FN:Bo Ek\r\nNOTE:Met at work\r\nBDAY:1990-04-01\r\n"),
                  set(Field::Notes, u"Met at work\nBirthday: 1990-04-01\nLikes tea"_s),
                  {"NOTE:Met at work\\nLikes tea", "BDAY:1990-04-01"},
                  {"Birthday"},
                  false}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

} // namespace
