#include "TelephonyFakes.h"
#include "telephony/LineInfoListing.h"

#include <gtest/gtest.h>

namespace orvelan {

using namespace Qt::StringLiterals;
namespace {

using test::FakeConsole;

const QString Ready = u"ORVELAN Ready..."_s;

class DialControllerTest : public ::testing::Test, public test::DialRig {
protected:
    DialControllerTest() {
        for (int i = 0; i < 3; ++i)
            tapi.lines << test::scriptedLine(QByteArrayLiteral("Line ") + QByteArray::number(i));
        view.fields = {QString(), u"0123"_s, u"0456 789"_s, u"07"_s, u"abc"_s, u"#31#0123"_s};
    }
    DialController& startTapi(bool tapiEnabled = true) {
        settings.setDialMethod(1);
        DialController& dial = makeController(tapiEnabled);
        console.onSelect = [this](const QString& entry) {
            LineInfoListing::forChoice(true, entry, controller->tapiline(), settings);
        };
        if (tapiEnabled)
            dial.InitTapi(console);
        view.statusHistory.clear();
        return dial;
    }
    static PromptRequest tapiError(const QString& text, PromptIcon icon = PromptIcon::Critical) {
        return {u"ORVELAN TAPI Error"_s, text, icon, PromptButtons::Ok};
    }
    PromptRequest dialBox(const char* text) const {
        return {u"ORVELAN Dial"_s, QString::fromLatin1(text), PromptIcon::Exclamation,
                PromptButtons::Ok};
    }

    FakeConsole console;
};

TEST_F(DialControllerTest, SelectingAFieldMarksItAndTestsTheNumber) {
    DialController& dial = makeController();
    dial.selectField(3); // "07": too short
    EXPECT_EQ(view.markers, (std::array<bool, 6>{false, false, false, true, false, false}));
    EXPECT_EQ(view.colour, LabelColour::Grey);
    view.callPicture = true;
    view.caption = u"Clear"_s;
    dial.selectField(4); // "abc": value 0
    EXPECT_EQ(view.colour, LabelColour::Grey);
    EXPECT_FALSE(view.callPicture);
    EXPECT_EQ(view.caption, u"Dial"_s);
    dial.selectField(5); // "#31#0123"
    EXPECT_EQ(view.colour, LabelColour::Blue);
    view.fields[2] = u"  123  "_s;
    dial.selectField(2);
    EXPECT_EQ(view.colour, LabelColour::Blue);
    EXPECT_EQ(view.markers, (std::array<bool, 6>{false, false, true, false, false, false}));
}

TEST_F(DialControllerTest, PageTurnKeepsTheFieldOnlyWhenAskedTo) {
    DialController& dial = makeController();
    dial.selectField(1);
    view.fields[1] = u"0999"_s;
    dial.pageShown();
    EXPECT_EQ(view.colour, LabelColour::Grey);
    EXPECT_FALSE(view.markers[1]);
    settings.setFlag(Settings::DialFieldFollowsPageTurn, true);
    dial.pageShown();
    EXPECT_EQ(view.colour, LabelColour::Blue);
    EXPECT_TRUE(view.markers[1]);
    EXPECT_EQ(dial.dialNumber(), u"0999"_s);
}

TEST_F(DialControllerTest, DialMessagesBeforeAnyCall) {
    DialController& dial = makeController();
    dial.dial();
    EXPECT_EQ(prompter.last(),
              dialBox("Can't Dial:  No Telephone Number Field has been Selected!      "));

    settings.setDialMethod(3);
    dial.selectField(1);
    const test::FakeDialView before = view;
    dial.dial();
    EXPECT_EQ(prompter.last(),
              dialBox("Can't Dial: The Communication Setting has has been turned OFF     "));
    EXPECT_EQ(view.statusHistory, before.statusHistory);
    EXPECT_EQ(view.colour, before.colour);
    EXPECT_TRUE(tapi.calls.isEmpty());

    for (const int method : {1, 2}) {
        settings.setDialMethod(method);
        dial.selectField(4);
        view.colour = LabelColour::Blue;
        dial.dial();
        EXPECT_EQ(prompter.last(),
                  dialBox("Dial Error:  No Valid Number Exists in the Dial-Field Selected     "));
        EXPECT_EQ(view.colour, LabelColour::Grey);
    }
    EXPECT_EQ(port.opens, 0);
    EXPECT_FALSE(tapi.calls.contains(u"lineOpen 0"_s));
}

TEST_F(DialControllerTest, DisabledTelephonyDoesNothingButSaySo) {
    DialController& dial = startTapi(false);
    EXPECT_TRUE(tapi.calls.isEmpty());
    dial.selectField(1);
    clock.paused = 0;
    dial.dial();
    EXPECT_EQ(view.statusHistory, QStringList({u"The TAPI is Disabled"_s, Ready, QString()}));
    EXPECT_DOUBLE_EQ(clock.paused, 1.5);
    dial.configDialog();
    dial.dialingPropertiesDialog();
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_TRUE(tapi.calls.isEmpty());
}

TEST_F(DialControllerTest, TelephonyCallFromDialToIdle) {
    DialController& dial = startTapi();
    dial.selectField(2);
    dial.dial();
    EXPECT_EQ(view.statusHistory, QStringList({u"Opening line: #0"_s, u"Configuring Device"_s}));
    EXPECT_EQ(tapi.openPrivileges, 1u);
    EXPECT_EQ(tapi.openMediaModes, 4u);
    EXPECT_EQ(tapi.lastNumber, QByteArray("0456 789"));
    EXPECT_EQ(view.colour, LabelColour::Blue);
    EXPECT_TRUE(prompter.shown().isEmpty());

    view.statusHistory.clear();
    tapi.reply(tapi.lastMakeCallRequest, 0);
    EXPECT_EQ(view.statusHistory, QStringList({u"Dialing...0456 789"_s, Ready, QString()}));

    tapi.callState(Tapi::CallStateConnected);
    EXPECT_TRUE(view.hangUp);
    EXPECT_EQ(view.colour, LabelColour::Grey);
    EXPECT_EQ(view.status, u"Connected"_s);

    // Dial while the call runs: the grey label keeps a second call from starting.
    const qsizetype opens = tapi.calls.count(u"lineOpen 0"_s);
    dial.dial();
    EXPECT_EQ(tapi.calls.count(u"lineOpen 0"_s), opens);

    view.statusHistory.clear();
    dial.hangUp();
    EXPECT_TRUE(tapi.calls.contains(u"lineDrop"_s));
    EXPECT_FALSE(view.hangUp);
    EXPECT_EQ(view.colour, LabelColour::Blue);
    EXPECT_EQ(view.statusHistory, QStringList({u"Requesting Hang Up..."_s, Ready, QString()}));
    view.statusHistory.clear();
    tapi.reply(tapi.lastDropRequest, 0);
    tapi.callState(Tapi::CallStateIdle);
    EXPECT_EQ(view.statusHistory,
              QStringList({u"Call Dropped - OK"_s, Ready, QString(), u"Idle"_s, Ready, QString()}));
    EXPECT_FALSE(dial.tapiline()->lineIsOpen());
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(DialControllerTest, CallEventsShowTheirTexts) {
    DialController& dial = startTapi();
    dial.selectField(1);
    dial.dial();
    tapi.reply(tapi.lastMakeCallRequest, Tapi::LineErrCallUnavail);
    EXPECT_EQ(view.statusHistory.mid(2, 1), QStringList(u" TAPI Line Error: Call UnAvail"_s));
    EXPECT_FALSE(dial.tapiline()->lineIsOpen());

    dial.dial();
    tapi.reply(tapi.lastMakeCallRequest, 0);
    tapi.callState(Tapi::CallStateConnected);
    view.statusHistory.clear();
    clock.paused = 0;
    tapi.callState(Tapi::CallStateDisconnected);
    EXPECT_FALSE(view.hangUp);
    EXPECT_EQ(view.colour, LabelColour::Blue);
    EXPECT_EQ(view.statusHistory, QStringList({u"Ok Disconnected"_s, Ready, QString()}));
    EXPECT_DOUBLE_EQ(clock.paused, 1.2);
    view.statusHistory.clear();
    tapi.reply(tapi.lastDropRequest, Tapi::LineErrOperationFailed);
    EXPECT_EQ(view.statusHistory.first(), u" TAPI Line Error: Operation Failed"_s);
}

TEST_F(DialControllerTest, RefusedRequestsAreReported) {
    DialController& dial = startTapi();
    dial.selectField(1);
    tapi.makeCallResult = Tapi::LineErrCallUnavail;
    dial.dial();
    // The description starts with its own space: three spaces before "TAPI".
    EXPECT_EQ(prompter.last(), tapiError(u"Error #-2147483643   TAPI Line Error: Call UnAvail"_s,
                                         PromptIcon::Information));
    EXPECT_EQ(tapi.calls.last(), u"lineClose"_s);
    EXPECT_TRUE(view.hangUp);

    view.colour = LabelColour::Blue;
    tapi.openResult = Tapi::LineErrAllocated;
    dial.dial();
    EXPECT_EQ(prompter.last(),
              tapiError(QStringLiteral("A TAPI Return Error was Received Attempting to Open "
                                       "the Line    \r\n\r\n TAPI Line Error: Allocated")));
    EXPECT_EQ(view.colour, LabelColour::Grey);

    // A hang-up with no call on the line has nothing to report.
    prompter.clear();
    dial.hangUp();
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_FALSE(view.hangUp);

    // A refused drop is reported with its code.
    tapi.openResult = 0;
    tapi.makeCallResult = 0;
    dial.dial();
    tapi.reply(tapi.lastMakeCallRequest, 0);
    tapi.dropResult = Tapi::LineErrInvalCallHandle;
    dial.hangUp();
    EXPECT_EQ(prompter.last(),
              tapiError(QStringLiteral("Error #-2147483624   TAPI Line Error: Invalid Call "
                                       "Handle")));
}

TEST_F(DialControllerTest, DialingPropertiesShowTheNumberToDial) {
    DialController& dial = startTapi();
    dial.selectField(1);
    tapi.dialogResult = 0;
    dial.dial();
    prompter.clear();
    dial.dialingPropertiesDialog();
    EXPECT_EQ(tapi.lastDialogText, QByteArray("0123"));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(DialControllerTest, StartFallsBackToOlderVersions) {
    settings.setDialMethod(1);
    tapi.initializeResults = {Tapi::LineErrIncompatibleApiVersion};
    DialController& dial = makeController();
    dial.InitTapi(console);
    EXPECT_EQ(console.info, QStringList({u"Negotiating TAPI version..."_s,
                                         QStringLiteral(" TAPI Line Error: Incompatible API "
                                                        "Version"),
                                         u"Trying TAPI 1.3 - 1.4..."_s}));
    EXPECT_DOUBLE_EQ(clock.paused, 1.7);
    EXPECT_EQ(tapi.initializeVersionIn, 0x00010004u);
    EXPECT_EQ(console.entries, QStringList({u"0"_s, u"1"_s, u"2"_s}));

    console = {};
    tapi.initializeResults = {Tapi::LineErrNoDevice, Tapi::LineErrNoDevice};
    dial.InitTapi(console);
    EXPECT_EQ(console.info.last(), u"Failed to negotiate TAPI version! <Critical Error!>"_s);
    EXPECT_TRUE(console.entries.isEmpty());
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(DialControllerTest, SavedLineChoiceIsFoundByNumber) {
    tapi.lines[0].negotiates = false;
    makeController();
    const auto startWith = [&](const char* choice) {
        settings.setRaw(Settings::TapiLineChoice, choice);
        console = {};
        controller->InitTapi(console);
        return console.selected < 0 ? QString() : console.entries.value(console.selected);
    };
    EXPECT_EQ(startWith("2"), u"2"_s);
    EXPECT_EQ(console.entries, QStringList({u"1"_s, u"2"_s}));
    EXPECT_FALSE(view.hangUp);
    EXPECT_EQ(startWith(""), u"1"_s);
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_EQ(startWith("0"), QString());
    EXPECT_EQ(prompter.last(),
              (PromptRequest{u"TAPI Line Error: 7761"_s,
                             QStringLiteral("TAPI Line ID NOT supported for command line "
                                            "argument   "),
                             PromptIcon::Critical, PromptButtons::Ok}));
}

// Serial dialing against a scripted port; a new dial's `modemSays` arrives after `afterTurns`
// waits.
class SerialDialTest : public DialControllerTest {
protected:
    SerialDialTest() { settings.setDialMethod(2); }
    void answerAfter(int afterTurns, QByteArray modemSays) {
        prompter.clear();
        m_turns = 0;
        port.written.clear();
        clock.onPause = [this, afterTurns, modemSays] {
            if (port.opened && port.written.contains("ATDT") && ++m_turns == afterTurns)
                port.input += modemSays;
            if (m_turns > 10000)
                ADD_FAILURE() << "the dial wait did not end";
        };
    }
    int m_turns = 0;
};

TEST_F(SerialDialTest, ModemAnswersOk) {
    DialController& dial = makeController();
    settings.setRaw(Settings::SerialPort, "5");
    view.port = u"COM 5?"_s;
    dial.selectField(1);
    answerAfter(3, "\r\nOK\r\n");
    dial.dial();
    ASSERT_EQ(prompter.shown().size(), 2);
    EXPECT_EQ(prompter.shown()[0],
              (PromptRequest{u"ORVELAN Secure Address Book"_s,
                             QStringLiteral("Modem settings for dial not configured - Default "
                                            "values inserted     "),
                             PromptIcon::Exclamation, PromptButtons::Ok}));
    EXPECT_EQ(prompter.shown()[1],
              (PromptRequest{u"ORVELAN Secure Address Book"_s,
                             u"Pick up the Telephone Handset, then click Ok     "_s,
                             PromptIcon::Information, PromptButtons::Ok}));
    EXPECT_EQ(port.portNumber, 1);
    EXPECT_EQ(port.settings, u"9600,N,8,1"_s);
    EXPECT_EQ(view.statusHistory,
              QStringList({u"Opening Port On: COM 5?"_s, u"Dialing:  0123"_s, u"Connected"_s,
                           u"Call Dropped - OK"_s, Ready, QString()}));
    EXPECT_FALSE(view.callPicture);
    EXPECT_EQ(view.caption, u"Dial"_s);
    EXPECT_EQ(view.colour, LabelColour::Blue);
}

TEST_F(SerialDialTest, PortSettingsPickThePort) {
    DialController& dial = makeController();
    dial.selectField(1);
    for (const char* setting : {"3", "0", ""}) {
        settings.setRaw(Settings::SerialPort, setting);
        answerAfter(1, "OK");
        dial.dial();
        EXPECT_EQ(port.portNumber, *setting == '3' ? 3 : 1) << setting;
        EXPECT_EQ(prompter.shown().size(), *setting == '3' ? 1 : 2) << setting;
    }
}

TEST_F(SerialDialTest, ClearDuringTheWaitEndsTheDial) {
    DialController& dial = makeController();
    dial.selectField(1);
    clock.onPause = [&] {
        if (port.opened && view.caption == u"Clear" && ++m_turns == 5)
            dial.dial(); // the Dial label reads "Clear" now
    };
    dial.dial();
    EXPECT_EQ(port.written, QByteArray("ATDT0123;\rAT&F\r"));
    EXPECT_FALSE(port.opened);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.last().text,
              QStringLiteral("Dial Error:  There is a Problem in Dialing the Requested Number    "
                             "\r\r[ ERROR: Dial Process interrupted on port [ Closed ] ]"));
    EXPECT_TRUE(view.statusHistory.contains(u"Reset Modem - Ok"_s));
    EXPECT_EQ(view.caption, u"Dial"_s);
    EXPECT_TRUE(dial.hangUpRequested());

    // The hang-up left from that dial does not end the next one at its first check.
    answerAfter(4, "OK");
    dial.dial();
    EXPECT_FALSE(view.statusHistory.contains(u"Disconnecting..."_s));
    EXPECT_EQ(prompter.last().text, u"Pick up the Telephone Handset, then click Ok     "_s);
}

TEST_F(SerialDialTest, FailuresShowTheirText) {
    DialController& dial = makeController();
    dial.selectField(1);
    port.failOn = u"open"_s;
    port.failCode = 8005;
    dial.dial();
    EXPECT_EQ(prompter.last(),
              (PromptRequest{u"ORVELAN Secure Address Book"_s,
                             QStringLiteral("Dial Error:  There is a Problem in Dialing the "
                                            "Requested Number    \r\r[ ERROR: Port already open "
                                            "(Try Again) ]"),
                             PromptIcon::Exclamation, PromptButtons::Ok}));
    EXPECT_EQ(view.statusHistory.mid(view.statusHistory.size() - 2),
              QStringList({Ready, QString()}));
    EXPECT_EQ(view.caption, u"Clear"_s);

    // Hang-up on a dial that never opened its port just resets the controls.
    view.statusHistory.clear();
    dial.hangUp();
    EXPECT_EQ(view.statusHistory, QStringList({u"Hang Up..."_s, Ready, QString()}));
    EXPECT_EQ(view.caption, u"Dial"_s);
}

} // namespace
} // namespace orvelan
