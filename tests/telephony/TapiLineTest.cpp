#include "ScriptedTapi.h"
#include "telephony/CvbTAPILine.h"

#include <gtest/gtest.h>

#include <optional>

namespace orvelan {

using namespace Qt::StringLiterals;
namespace {

using test::EventLog;
using test::ScriptedTapi;

class TapiLineTest : public ::testing::Test {
protected:
    TapiLineTest() {
        tapi.lines = {test::scriptedLine("Line zero"), test::scriptedLine("Line one"),
                      test::scriptedLine("Line two")};
        tapi.lines[0].version = 0x00020000;
        tapi.lines[0].extensionId = {1, 2, 3, 4};
        tapi.lines[1].negotiates = false;
        tapi.lines[2].version = 0x00020001;
    }
    // A line with its events logged, created, opened and calling 0123.
    CvbTAPILine& openCall() {
        calling.emplace(tapi);
        log.emplace(*calling);
        EXPECT_TRUE(calling->Create());
        EXPECT_TRUE(calling->OpenLine(1, 4));
        EXPECT_TRUE(calling->MakeCallAsynch(u"0123"_s));
        return *calling;
    }
    ScriptedTapi tapi;
    std::optional<CvbTAPILine> calling;
    std::optional<EventLog> log;
};

TEST_F(TapiLineTest, CreateNegotiatesEveryLineAndLoadsTheCurrentOne) {
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    EXPECT_EQ(line.numLines(), 3);
    EXPECT_EQ(tapi.lastLowVersion, 0x00010003u);
    EXPECT_EQ(tapi.lastHighVersion, 0x00030000u);
    EXPECT_EQ(line.NegotiatedAPIVersion(), 0x00020000u);
    EXPECT_EQ(line.ExtAPI_ID0(), 1u);
    EXPECT_EQ(line.ExtAPI_ID3(), 4u);
    EXPECT_EQ(line.LineName(), u"Line zero"_s);
    EXPECT_TRUE(line.LineSupportsVoiceCalls());

    // A line whose negotiation failed is not usable and has no extension id.
    EXPECT_EQ(line.setCurrentLineID(1), 0);
    EXPECT_EQ(line.NegotiatedAPIVersion(), 0u);
    EXPECT_EQ(line.ExtAPI_ID0(), 0u);
    EXPECT_EQ(line.setCurrentLineID(2), 0);
    EXPECT_EQ(line.NegotiatedAPIVersion(), 0x00020001u);
    EXPECT_EQ(line.LineName(), u"Line two"_s);
    EXPECT_EQ(line.LastError(), 0);
}

TEST_F(TapiLineTest, CreateFailuresAndLastErrorReadOnce) {
    {
        tapi.initializeResult = Tapi::LineErrNoDevice;
        CvbTAPILine line(tapi);
        EXPECT_FALSE(line.Create());
        EXPECT_EQ(line.LastError(), Tapi::LineErrNoDevice);
        EXPECT_EQ(line.LastError(), 0);
    }
    {
        // No line devices: false with nothing to report, so the default text is shown.
        tapi.initializeResult = 0;
        tapi.lines.clear();
        CvbTAPILine line(tapi);
        EXPECT_FALSE(line.Create());
        EXPECT_EQ(line.LastError(), 0);
    }
}

TEST_F(TapiLineTest, SecondCreateEndsTheFirstSession) {
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    tapi.calls.clear();
    ASSERT_TRUE(line.Create());
    EXPECT_EQ(tapi.calls.first(), u"lineShutdown"_s);
}

TEST_F(TapiLineTest, CurrentLineIdOutsideTheLinesIsRefusedWithoutChange) {
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    ASSERT_EQ(line.setCurrentLineID(2), 0);
    tapi.calls.clear();
    EXPECT_EQ(line.setCurrentLineID(-1), CvbTAPILine::InvalidPropertyValue);
    EXPECT_EQ(line.setCurrentLineID(line.numLines()), 380);
    EXPECT_EQ(line.CurrentLineID(), 2);
    EXPECT_EQ(line.LineName(), u"Line two"_s);
    EXPECT_TRUE(tapi.calls.isEmpty()) << "no capability load for a refused value";
}

TEST_F(TapiLineTest, CapabilityTexts) {
    using namespace LineDevCaps;
    // A name with its terminating zero byte keeps it; size 0 or offset 0 read as empty; a text
    // said to run past the buffer is cut at its end.
    tapi.lines[0].fillCaps = [](QByteArray& caps) {
        Builder builder;
        builder.text(LineNameSize, LineNameOffset, QByteArray("Modem\0", 6))
            .set(ProviderInfoSize, 0)
            .set(ProviderInfoOffset, 250)
            .set(SwitchInfoSize, 5)
            .set(SwitchInfoOffset, 0)
            .set(LineDevCaps::BearerModes, 0x9)
            .set(MediaModes, 0x10);
        const std::int32_t result = builder.fill(caps);
        setWord(caps, LineDevCaps::ProviderInfoSize, 0);
        return result;
    };
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    EXPECT_EQ(line.LineName(), u"Modem"_s + QChar(u'\0'));
    EXPECT_TRUE(line.ProviderInfo().isEmpty());
    EXPECT_TRUE(line.SwitchInfo().isEmpty());
    EXPECT_EQ(line.BearerModes(), 0x9u);
    EXPECT_FALSE(line.LineSupportsVoiceCalls());

    tapi.lines[2].fillCaps = [](QByteArray& caps) {
        setWord(caps, LineNameSize, 5000);
        setWord(caps, LineNameOffset, 2290);
        return 0;
    };
    ASSERT_EQ(line.setCurrentLineID(2), 0);
    EXPECT_EQ(line.LineName().size(), 11);
}

TEST_F(TapiLineTest, FailedCapabilityLoadKeepsThePreviousValues) {
    tapi.lines[2].capsResult = Tapi::LineErrOperationFailed;
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    EXPECT_EQ(line.setCurrentLineID(2), 0);
    EXPECT_EQ(line.CurrentLineID(), 2);
    EXPECT_EQ(line.LineName(), u"Line zero"_s);
    EXPECT_EQ(line.LastError(), Tapi::LineErrOperationFailed);
}

TEST_F(TapiLineTest, OperationsInTheWrongStateDoNothing) {
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    EXPECT_FALSE(line.MakeCallAsynch(u"0123"_s));
    EXPECT_FALSE(line.DropCallAsynch());
    EXPECT_FALSE(line.CloseLine());
    ASSERT_TRUE(line.OpenLine(1, 4));
    EXPECT_NE(tapi.openInstance, 0u);
    // An already open line is refused without an error of its own.
    tapi.openResult = Tapi::LineErrAllocated;
    EXPECT_FALSE(line.OpenLine());
    EXPECT_EQ(line.LastError(), 0);
    EXPECT_EQ(tapi.calls.count(u"lineOpen 0"_s), 1);
}

TEST_F(TapiLineTest, RefusedRequestsRecordTheirError) {
    CvbTAPILine line(tapi);
    ASSERT_TRUE(line.Create());
    ASSERT_TRUE(line.OpenLine());
    tapi.makeCallResult = Tapi::LineErrCallUnavail;
    EXPECT_FALSE(line.MakeCallAsynch(u"0123"_s));
    EXPECT_EQ(line.LastError(), Tapi::LineErrCallUnavail);
    EXPECT_EQ(tapi.lastNumber, QByteArray("0123"));
    // An empty number goes as no number at all.
    tapi.makeCallResult = 0;
    ASSERT_TRUE(line.MakeCallAsynch());
    EXPECT_FALSE(tapi.lastNumber.has_value());
    tapi.dropResult = Tapi::LineErrInvalCallHandle;
    EXPECT_FALSE(line.DropCallAsynch());
    EXPECT_EQ(line.LastError(), Tapi::LineErrInvalCallHandle);
    tapi.dialogResult = Tapi::LineErrOperationUnavail;
    EXPECT_FALSE(line.ConfigDialog());
    EXPECT_FALSE(tapi.lastDialogText.has_value());
    EXPECT_EQ(line.LastError(), Tapi::LineErrOperationUnavail);
    EXPECT_FALSE(line.DialingPropertiesDialog(0, u"0123"_s));
    EXPECT_EQ(tapi.lastDialogText, QByteArray("0123"));
}

TEST_F(TapiLineTest, RepliesReachTheRightRequest) {
    CvbTAPILine& call = openCall();
    const std::int32_t makeCall = tapi.lastMakeCallRequest;
    tapi.reply(makeCall + 50, 0); // unknown request: nothing
    tapi.deliverWithInstance(0, Tapi::MsgLineReply, std::uint32_t(makeCall), 0); // no instance
    EXPECT_TRUE(log->events.isEmpty());
    tapi.reply(makeCall, 0);
    tapi.reply(makeCall, 0); // answered already
    tapi.callState(Tapi::CallStateConnected);
    tapi.callState(Tapi::CallStateDialing); // other states: nothing
    ASSERT_TRUE(call.DropCallAsynch());
    tapi.reply(tapi.lastDropRequest, Tapi::LineErrOperationFailed);
    tapi.callState(Tapi::CallStateIdle);
    EXPECT_EQ(log->events, QStringList({u"MakeCallResult 0 open=1"_s, u"Connected"_s,
                                        u"DropCallResult -2147483576"_s, u"Idle open=0 call=0"_s}));
    EXPECT_EQ(tapi.calls.mid(tapi.calls.size() - 2),
              QStringList({u"lineDeallocateCall"_s, u"lineClose"_s}));
}

TEST_F(TapiLineTest, FailedCallReplyClosesTheLineFirst) {
    openCall();
    tapi.reply(tapi.lastMakeCallRequest, Tapi::LineErrCallUnavail);
    EXPECT_EQ(log->events, QStringList(u"MakeCallResult -2147483643 open=0"_s));
}

TEST_F(TapiLineTest, DisconnectedRequestsTheDropFirst) {
    openCall();
    tapi.reply(tapi.lastMakeCallRequest, 0);
    tapi.calls.clear();
    tapi.callState(Tapi::CallStateDisconnected);
    EXPECT_EQ(tapi.calls, QStringList(u"lineDrop"_s));
    EXPECT_EQ(log->events.last(), u"Disconnected"_s);
    // Idle with no call left still reports idle.
    tapi.reply(tapi.lastDropRequest, 0);
    tapi.callState(Tapi::CallStateIdle);
    tapi.callState(Tapi::CallStateIdle);
    EXPECT_EQ(log->events.count(u"Idle open=0 call=0"_s), 2);
}

TEST_F(TapiLineTest, ReleaseEndsCallLineAndSession) {
    openCall();
    tapi.calls.clear();
    log.reset();
    calling.reset();
    EXPECT_EQ(tapi.calls,
              QStringList({u"lineDeallocateCall"_s, u"lineClose"_s, u"lineShutdown"_s}));
}

TEST(TapiErrorString, TableAndDefault) {
    const std::pair<std::uint32_t, const char*> rows[] = {{0x80000002u, "Bad Device ID"},
                                                          {0x80000001u, "Allocated"},
                                                          {0x80000049u, "Operation Unavailable"},
                                                          {0x8000004Eu, "Target Not found"},
                                                          {0x80000056u, "No Multiple Instance"}};
    for (const auto& [code, text] : rows)
        EXPECT_EQ(CvbTAPILine::ErrorString(std::int32_t(code)),
                  u" TAPI Line Error: "_s + QLatin1StringView(text));
    for (const std::uint32_t code :
         {0x80000004u, 0x80000025u, 0x80000031u, 0x80000057u, 0x80000000u, 0u, 1u, 0xFFFFFFFFu})
        EXPECT_EQ(CvbTAPILine::ErrorString(std::int32_t(code)),
                  u" TAPI Line Error: Interrupted by User  "_s)
            << std::hex << code;
}

} // namespace
} // namespace orvelan
