#include "telephony/DialController.h"

#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "store/Settings.h"
#include "telephony/DialNumber.h"
#include "telephony/DialView.h"
#include "telephony/SerialPort.h"

#include <cmath>

namespace orvelan {

namespace {

const QString DialTitle = QStringLiteral("ORVELAN Dial");
const QString TapiErrorTitle = QStringLiteral("ORVELAN TAPI Error");
const QString DialCaption = QStringLiteral("Dial");
const QString ClearCaption = QStringLiteral("Clear");
constexpr int DialledFieldCount = 5;

} // namespace

DialController::DialController(Context context, QObject* parent)
    : QObject(parent), m_context(context),
      m_modem({context.view, context.prompter, context.clock, context.port, m_hangUpRequested,
               [this] { ShowReady(); }}) {}

DialController::~DialController() = default;

QString DialController::dialMethod() const {
    return QString::fromLatin1(m_context.settings.raw(Settings::DialMethod)).trimmed();
}

void DialController::ShowReady() {
    m_context.view.setStatusText(QStringLiteral("ORVELAN Ready..."));
    m_context.clock.pause(0.5);
    m_context.view.setStatusText(QString());
}

void DialController::showDialMessage(const QString& text) {
    m_context.prompter.ask({DialTitle, text, PromptIcon::Exclamation, PromptButtons::Ok});
}

void DialController::unselectAll() {
    DialView& view = m_context.view;
    for (int field = 1; field <= DialledFieldCount; ++field)
        view.setMarkerVisible(field, false);
    m_dialField = 0;
    view.setCallPictureVisible(false);
}

void DialController::selectField(int field) {
    if (field < 1 || field > DialledFieldCount)
        return;
    DialView& view = m_context.view;
    view.setDialColour(LabelColour::Blue);
    for (int other = 1; other <= DialledFieldCount; ++other)
        view.setMarkerVisible(other, other == field);
    m_dialField = field;
    m_dialNumber = view.fieldText(field);
    CheckDialNumber();
}

void DialController::pageShown() {
    DialView& view = m_context.view;
    for (int field = 1; field <= DialledFieldCount; ++field)
        view.setMarkerVisible(field, false);
    if (m_dialField == 0 || !m_context.settings.flag(Settings::DialFieldFollowsPageTurn)) {
        view.setDialColour(LabelColour::Grey);
    } else {
        m_dialNumber = view.fieldText(m_dialField);
        view.setMarkerVisible(m_dialField, true);
        view.setDialColour(LabelColour::Blue);
    }
    view.setCallPictureVisible(false);
    view.setDialCaption(DialCaption);
}

void DialController::clearDialMark() {
    for (int field = 1; field <= DialledFieldCount; ++field)
        m_context.view.setMarkerVisible(field, false);
    m_context.view.setDialColour(LabelColour::Grey);
}

bool DialController::CheckDialNumber() {
    if (isDialableNumber(m_dialNumber))
        return true;
    m_context.view.setDialColour(LabelColour::Grey);
    m_context.view.setCallPictureVisible(false);
    m_context.view.setDialCaption(DialCaption);
    return false;
}

void DialController::dial() {
    DialView& view = m_context.view;
    bool anyMarker = false;
    for (int field = 1; field <= DialledFieldCount; ++field)
        anyMarker = anyMarker || view.markerVisible(field);
    if (!anyMarker) {
        showDialMessage(
            QStringLiteral("Can't Dial:  No Telephone Number Field has been Selected!      "));
        return;
    }
    const QString method = dialMethod();
    if (method == u"1") {
        if (!CheckDialNumber()) {
            showDialMessage(QStringLiteral(
                "Dial Error:  No Valid Number Exists in the Dial-Field Selected     "));
            return;
        }
        TapiDial();
    } else if (method == u"2") {
        if (view.dialCaption() == ClearCaption)
            resetModem();
        else
            dialSerial();
    } else {
        showDialMessage(
            QStringLiteral("Can't Dial: The Communication Setting has has been turned OFF     "));
    }
}

bool DialController::resetAndClosePort(double secondsBeforeClose) {
    try {
        if (!m_context.port.isOpen())
            return false;
        m_context.port.write(QByteArrayLiteral("AT&F\r"));
        if (secondsBeforeClose > 0)
            m_context.clock.pause(secondsBeforeClose);
        if (m_context.port.isOpen())
            m_context.port.close();
        return true;
    } catch (const SerialFailure&) {
        // The port is going away either way; the running dial reports what it meets.
        if (m_context.port.isOpen())
            m_context.port.close();
        return false;
    }
}

void DialController::showHungUp() {
    DialView& view = m_context.view;
    view.setDialColour(LabelColour::Blue);
    m_hangUpRequested = true;
    view.setCallPictureVisible(false);
    view.setDialCaption(DialCaption);
    ShowReady();
}

void DialController::resetModem() {
    if (resetAndClosePort(0)) {
        m_context.view.setStatusText(QStringLiteral("Reset Modem - Ok"));
        m_context.clock.pause(0.3);
    }
    showHungUp();
}

void DialController::dialSerial() {
    DialView& view = m_context.view;
    if (!CheckDialNumber()) {
        showDialMessage(
            QStringLiteral("Dial Error:  No Valid Number Exists in the Dial-Field Selected     "));
        return;
    }
    view.setStatusText(QStringLiteral("Opening Port On: ") + view.portSelectText());
    m_context.clock.pause(0.5);
    try {
        if (m_context.port.isOpen())
            m_context.port.close();
    } catch (const SerialFailure&) {
    }
    view.setDialCaption(ClearCaption);
    if (m_dialField >= 1 && m_dialField <= DialledFieldCount) {
        // A hang-up left over from an earlier dial must not end this one at its first check.
        m_hangUpRequested = false;
        m_modem.SerialDial(m_dialNumber,
                           QString::fromLatin1(m_context.settings.raw(Settings::SerialPort)));
        return;
    }
    showDialMessage(
        QStringLiteral("First Select a Number to Dial. Click on Phone/Fax/Mobile     "));
    view.setDialColour(LabelColour::Grey);
    unselectAll();
    view.setDialCaption(DialCaption);
}

void DialController::TapiDial() {
    DialView& view = m_context.view;
    if (!m_context.tapiEnabled) {
        view.setStatusText(QStringLiteral("The TAPI is Disabled"));
        m_context.clock.pause(1);
        ShowReady();
        return;
    }
    if (view.dialColour() != LabelColour::Blue)
        return; // a call is being placed
    view.setDialColour(LabelColour::Grey);
    if (m_dialField < 1 || m_dialField > DialledFieldCount) {
        showDialMessage(
            QStringLiteral("No Telephone Number Field Selected.  Click on Phone/Fax/Mobile    "));
        unselectAll();
        view.setDialColour(LabelColour::Grey);
        view.setDialCaption(DialCaption);
        return;
    }
    m_numberToDial = m_dialNumber;
    if (m_numberToDial.isEmpty()) {
        showDialMessage(
            QStringLiteral("Can't DIAL:  No Valid Telephone Number in Selected Field    "));
        return;
    }
    if (!m_tapiline) {
        // The session never started: nothing can be opened.
        view.setDialColour(LabelColour::Blue);
        return;
    }
    view.setStatusText(QStringLiteral("Opening line: #") +
                       QString::number(m_tapiline->CurrentLineID()));
    m_context.clock.pause(0.4);
    if (!m_tapiline->OpenLine(Tapi::CallPrivilegeNone, Tapi::MediaModeInteractiveVoice)) {
        const std::int32_t code = m_tapiline->LastError();
        m_context.prompter.ask(
            {TapiErrorTitle,
             QStringLiteral("A TAPI Return Error was Received Attempting to Open the Line    ") +
                 QStringLiteral("\r\n\r\n") + CvbTAPILine::ErrorString(code),
             PromptIcon::Critical, PromptButtons::Ok});
        view.setHangUpVisible(true);
        return;
    }
    view.setStatusText(QStringLiteral("Configuring Device"));
    m_context.clock.pause(0.4);
    if (m_tapiline && m_tapiline->MakeCallAsynch(m_numberToDial)) {
        view.setDialColour(LabelColour::Blue);
        return;
    }
    if (!m_tapiline)
        return;
    m_tapiline->CloseLine();
    const std::int32_t code = m_tapiline->LastError();
    m_context.prompter.ask({TapiErrorTitle,
                            QStringLiteral("Error #") + QString::number(code) +
                                QStringLiteral("  ") + CvbTAPILine::ErrorString(code),
                            PromptIcon::Information, PromptButtons::Ok});
    view.setHangUpVisible(true);
}

void DialController::hangUp() {
    DialView& view = m_context.view;
    const QString method = dialMethod();
    if (method == u"2") {
        view.setStatusText(QStringLiteral("Hang Up..."));
        m_context.clock.pause(0.5);
        resetAndClosePort(0.2);
        showHungUp();
    } else if (method == u"1") {
        view.setStatusText(QStringLiteral("Requesting Hang Up..."));
        m_context.clock.pause(0.3);
        if (m_tapiline && !m_tapiline->DropCallAsynch()) {
            // With no call on the line there is nothing to drop and nothing to report.
            const std::int32_t code = m_tapiline->LastError();
            if (code != 0)
                m_context.prompter.ask({TapiErrorTitle,
                                        QStringLiteral("Error #") + QString::number(code) +
                                            QStringLiteral("  ") + CvbTAPILine::ErrorString(code),
                                        PromptIcon::Critical, PromptButtons::Ok});
        }
        view.setHangUpVisible(false);
        view.setDialColour(LabelColour::Blue);
        ShowReady();
    }
}

void DialController::configDialog() {
    if (!m_context.tapiEnabled || !m_tapiline)
        return;
    if (!m_tapiline->ConfigDialog(m_context.view.ownerWindow(), QString()))
        m_context.prompter.ask({TapiErrorTitle, CvbTAPILine::ErrorString(m_tapiline->LastError()),
                                PromptIcon::Critical, PromptButtons::Ok});
}

void DialController::dialingPropertiesDialog() {
    if (!m_context.tapiEnabled || !m_tapiline)
        return;
    if (!m_tapiline->DialingPropertiesDialog(m_context.view.ownerWindow(), m_numberToDial))
        m_context.prompter.ask({TapiErrorTitle, CvbTAPILine::ErrorString(m_tapiline->LastError()),
                                PromptIcon::Critical, PromptButtons::Ok});
}

void DialController::InitTapi(TapiConsole& console) {
    if (!m_context.tapiEnabled)
        return;
    DialView& view = m_context.view;
    view.setHangUpVisible(false);
    view.setBusy(true);
    m_tapiline = std::make_unique<CvbTAPILine>(m_context.tapi);
    m_tapiline->setLowAPI(Tapi::ApiVersion13);
    m_tapiline->setHiAPI(Tapi::ApiVersion30);
    CvbTAPILine* line = m_tapiline.get();
    connect(line, &CvbTAPILine::MakeCallResult, this,
            [this](std::int32_t code) { react([this, code] { onMakeCallResult(code); }); });
    connect(line, &CvbTAPILine::DropCallResult, this,
            [this](std::int32_t code) { react([this, code] { onDropCallResult(code); }); });
    connect(line, &CvbTAPILine::Connected, this, [this] { react([this] { onConnected(); }); });
    connect(line, &CvbTAPILine::Idle, this, [this] { react([this] { onIdle(); }); });
    connect(line, &CvbTAPILine::Disconnected, this,
            [this] { react([this] { onDisconnected(); }); });

    console.addInfo(QStringLiteral("Negotiating TAPI version..."));
    bool created = m_tapiline->Create();
    if (!created) {
        console.addInfo(CvbTAPILine::ErrorString(m_tapiline->LastError()));
        m_context.clock.pause(0.7);
        console.addInfo(QStringLiteral("Trying TAPI 1.3 - 1.4..."));
        m_context.clock.pause(1);
        m_tapiline->setLowAPI(Tapi::ApiVersion13);
        m_tapiline->setHiAPI(Tapi::ApiVersion14);
        created = m_tapiline->Create();
        if (!created)
            console.addInfo(QStringLiteral("Failed to negotiate TAPI version! <Critical Error!>"));
    }
    if (created) {
        for (std::int32_t line = 0; line < m_tapiline->numLines(); ++line) {
            m_tapiline->setCurrentLineID(line);
            if (m_tapiline->NegotiatedAPIVersion() != 0)
                console.addLineEntry(QString::number(line));
        }
        // The saved choice names a line number; it is found by that number, so a line that
        // failed its negotiation does not shift the choice onto another line.
        const QString choice = QString::fromLatin1(m_context.settings.tapiLineChoice());
        const QStringList entries = console.lineEntries();
        const qsizetype index =
            choice.isEmpty() ? (entries.isEmpty() ? -1 : 0)
                             : entries.indexOf(QString::number(std::llround(numericValue(choice))));
        if (index < 0)
            m_context.prompter.ask(
                {QStringLiteral("TAPI Line Error: 7761"),
                 QStringLiteral("TAPI Line ID NOT supported for command line argument   "),
                 PromptIcon::Critical, PromptButtons::Ok});
        else
            console.selectLineEntry(int(index));
    }
    view.setBusy(false);
}

void DialController::react(std::function<void()> reaction) {
    m_pendingReactions.push_back(std::move(reaction));
    if (m_reacting)
        return; // the running reaction's waits are still showing its text
    m_reacting = true;
    while (!m_pendingReactions.empty()) {
        const std::function<void()> next = std::move(m_pendingReactions.front());
        m_pendingReactions.pop_front();
        next();
    }
    m_reacting = false;
}

void DialController::onMakeCallResult(std::int32_t errorCode) {
    m_context.view.setStatusText(errorCode != 0 ? CvbTAPILine::ErrorString(errorCode)
                                                : QStringLiteral("Dialing...") + m_numberToDial);
    m_context.clock.pause(0.7);
    ShowReady();
}

void DialController::onDropCallResult(std::int32_t errorCode) {
    m_context.view.setStatusText(errorCode != 0 ? CvbTAPILine::ErrorString(errorCode)
                                                : QStringLiteral("Call Dropped - OK"));
    m_context.clock.pause(0.5);
    ShowReady();
}

void DialController::onConnected() {
    m_context.view.setHangUpVisible(true);
    m_context.view.setDialColour(LabelColour::Grey);
    m_context.view.setStatusText(QStringLiteral("Connected"));
    m_context.clock.pause(0.7);
}

void DialController::onDisconnected() {
    m_context.view.setHangUpVisible(false);
    m_context.view.setStatusText(QStringLiteral("Ok Disconnected"));
    m_context.view.setDialColour(LabelColour::Blue);
    m_context.clock.pause(0.7);
    ShowReady();
}

void DialController::onIdle() {
    m_context.view.setHangUpVisible(false);
    m_context.view.setStatusText(QStringLiteral("Idle"));
    m_context.clock.pause(0.07);
    ShowReady();
}

} // namespace orvelan
