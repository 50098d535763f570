#include "telephony/ModemDialer.h"

#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "store/Windows1252.h"
#include "telephony/DialNumber.h"
#include "telephony/DialView.h"
#include "telephony/SerialPort.h"

#include <cmath>

namespace orvelan {

namespace {

const QString BoxTitle = QStringLiteral("ORVELAN Secure Address Book");

int portNumber(const QString& portSetting, Prompter& prompter) {
    const double value = numericValue(portSetting);
    if (value >= 1 && value <= 4)
        return static_cast<int>(std::lround(value));
    prompter.ask({BoxTitle,
                  QStringLiteral("Modem settings for dial not configured - Default values "
                                 "inserted     "),
                  PromptIcon::Exclamation, PromptButtons::Ok});
    return 1;
}

} // namespace

void ModemDialer::SerialDial(const QString& number, const QString& portSetting) {
    try {
        run(number, portSetting);
    } catch (const SerialFailure& failure) {
        m_context.prompter.ask(
            {BoxTitle,
             QStringLiteral("Dial Error:  There is a Problem in Dialing the Requested Number    ") +
                 QStringLiteral("\r\r[ ERROR: ") + serialErrorText(failure.code) +
                 QStringLiteral(" ]"),
             PromptIcon::Exclamation, PromptButtons::Ok});
        try {
            if (m_context.port.isOpen())
                m_context.port.close();
        } catch (const SerialFailure&) {
        }
        m_context.showReady();
    }
}

void ModemDialer::run(const QString& number, const QString& portSetting) {
    DialView& view = m_context.view;
    SerialPort& port = m_context.port;
    port.setPortNumber(portNumber(portSetting, m_context.prompter));
    port.setSettings(QStringLiteral("9600,N,8,1"));
    port.open();
    view.setStatusText(QStringLiteral("Dialing:  ") + number);
    port.clearInput();
    port.write("ATDT" + toWindows1252(number) + ";\r");

    QByteArray response;
    for (;;) {
        m_context.clock.pause(WaitTurnSeconds);
        if (port.waitingCount() > 0) {
            response += port.readInput();
            if (response.contains("OK")) {
                view.setCallPictureVisible(true);
                view.setStatusText(QStringLiteral("Connected"));
                m_context.prompter.ask(
                    {BoxTitle, QStringLiteral("Pick up the Telephone Handset, then click Ok     "),
                     PromptIcon::Information, PromptButtons::Ok});
                break;
            }
        }
        if (m_context.hangUpRequested) {
            m_context.hangUpRequested = false;
            view.setStatusText(QStringLiteral("Disconnecting..."));
            m_context.clock.pause(0.3);
            break;
        }
    }
    port.write(QByteArrayLiteral("ATH\r"));
    port.close();
    view.setCallPictureVisible(false);
    view.setDialCaption(QStringLiteral("Dial"));
    view.setStatusText(QStringLiteral("Call Dropped - OK"));
    m_context.clock.pause(0.5);
    m_context.showReady();
}

} // namespace orvelan
