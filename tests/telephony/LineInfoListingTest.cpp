#include "telephony/LineInfoListing.h"
#include "ScriptedTapi.h"
#include "store/Settings.h"
#include "telephony/CvbTAPILine.h"

#include <gtest/gtest.h>

namespace orvelan {
namespace {

using namespace LineDevCaps;
using namespace Qt::StringLiterals;

class LineInfoListingTest : public ::testing::Test {
protected:
    // Line 0 is described by `caps`; line 1 is plain.
    QStringList listLine(Builder caps, const QString& entry = u"0"_s) {
        tapi.lines = {test::scriptedLine(caps), test::scriptedLine("Other")};
        line = std::make_unique<CvbTAPILine>(tapi);
        EXPECT_TRUE(line->Create());
        line->setCurrentLineID(1);
        return LineInfoListing::forChoice(true, entry, line.get(), settings);
    }

    test::ScriptedTapi tapi;
    std::unique_ptr<CvbTAPILine> line;
    Settings settings;
};

TEST_F(LineInfoListingTest, WholeListingInOrder) {
    Builder caps = test::describedLine("Voice modem", 0x3f, 0x3ffe);
    caps.set(AddressModes, 0x3)
        .set(GenerateToneMaxNumFreq, 2)
        .set(GenerateToneModes, 0x1f)
        .set(MaxRate, 56000)
        .set(LineDevCaps::StringFormat, 3);
    const QStringList lines = listLine(caps);
    // One line a '|'; the listing ends with an empty line.
    const QStringList expected =
        QStringLiteral(
            "TAPI LINE: #0|TAPI LINE NAME: Voice modem|"
            "TAPI PROVIDER INFO: Scripted provider|TAPI SWITCH INFO: Switch|"
            "Permanent Line ID: 4711|String Format: _UNICODE|"
            "Number of addresses associated with this line: 1|Max data rate: 56000|"
            "Bearer Modes supported:|\t_VOICE|\t_SPEECH|\t_DATA|\t_ALT SPEECH DATA|"
            "\t_MULTIUSE|\t_NON CALL SIGNALING|Address Modes supported:|\t_ADDRESS ID|"
            "\t_DIALABLE ADDR|Media Modes supported:|\tLINEMEDIAMODE_ADSI|"
            "\t_AUTOMATED VOICE|\t_DATA MODEM|\t_DIGITAL DATA|\t_Group 3 FAX|"
            "\t_Group 4 FAX|\t_INTERACTIVE VOICE|\tLINEMEDIAMODE_MIXED|\tLINEMEDIAMODE_TDD|"
            "\t_TELETEX|\t_TELEX|\tLINEMEDIAMODE_UNKNOWN|\t_VIDEOTEX|"
            "Line Tone Generation supported: True|\t_BEEP|\t_BILLING|\t_BUSY|\t_CUSTOM|"
            "\t_RINGBACK|Number of terminals for this line: 2|"
            "Ostrowvale Solutions Secure Address Book|")
            .split(u'|');
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(line->CurrentLineID(), 0);
    EXPECT_EQ(settings.tapiLineChoice(), QByteArray("0"));
}

TEST_F(LineInfoListingTest, BitsFormatsAndTones) {
    Builder caps = test::describedLine("Modem", 0x9, 0x4);
    caps.set(LineDevCaps::StringFormat, 0)
        .set(GenerateToneMaxNumFreq, 0)
        .set(GenerateToneModes, 0x1f)
        .set(AddressModes, 0);
    const QStringList lines = listLine(caps);
    const qsizetype bearer = lines.indexOf(u"Bearer Modes supported:"_s);
    EXPECT_EQ(lines.mid(bearer, 4), QStringList({u"Bearer Modes supported:"_s, u"\t_VOICE"_s,
                                                 u"\t_DATA"_s, u"Address Modes supported:"_s}));
    // No string format line: the number of addresses follows the permanent line id.
    const qsizetype permanent = lines.indexOf(u"Permanent Line ID: 4711"_s);
    EXPECT_EQ(lines.at(permanent + 1), u"Number of addresses associated with this line: 1"_s);
    const qsizetype tones = lines.indexOf(u"Line Tone Generation supported: False"_s);
    ASSERT_GE(tones, 0);
    EXPECT_EQ(lines.at(tones + 1), u"Number of terminals for this line: 2"_s);
}

TEST_F(LineInfoListingTest, NameWithItsTerminatingZero) {
    Builder caps;
    caps.text(LineNameSize, LineNameOffset, QByteArray("Modem\0", 6));
    const QStringList lines = listLine(caps);
    EXPECT_EQ(lines.at(1), u"TAPI LINE NAME: Modem"_s + QChar(u'\0'));
    EXPECT_EQ(lines.at(2), u"TAPI PROVIDER INFO: "_s);
}

TEST_F(LineInfoListingTest, FailedLoadShowsThePreviousValuesUnderTheNewNumber) {
    listLine(test::describedLine("First"));
    tapi.lines[1].capsResult = Tapi::LineErrOperationFailed;
    line->setCurrentLineID(0);
    const QStringList lines = LineInfoListing::forChoice(true, u"1"_s, line.get(), settings);
    EXPECT_EQ(lines.mid(0, 2), QStringList({u"TAPI LINE: #1"_s, u"TAPI LINE NAME: First"_s}));
}

TEST_F(LineInfoListingTest, NothingChosenOrDisabled) {
    settings.setRaw(Settings::TapiLineChoice, "1");
    EXPECT_EQ(LineInfoListing::forChoice(true, QString(), nullptr, settings),
              QStringList({u"<No Valid TAPI Line Selected>"_s,
                           u"Ostrowvale Solutions Secure Address Book"_s, QString()}));
    EXPECT_EQ(settings.tapiLineChoice(), QByteArray());

    settings.setRaw(Settings::TapiLineChoice, "1");
    EXPECT_EQ(LineInfoListing::forChoice(false, u"0"_s, nullptr, settings),
              QStringList(u"The TAPI is currentlty disabled ..."_s));
    EXPECT_EQ(settings.tapiLineChoice(), QByteArray("1"));
}

} // namespace
} // namespace orvelan
