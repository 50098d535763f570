#include "book/OptionsLogic.h"

namespace orvelan {

namespace {

struct TickSetting {
    Tick OptionsState::*tick;
    Settings::Id id;
};

const TickSetting TickSettings[] = {
    {&OptionsState::dialFieldFollowsPageTurn, Settings::DialFieldFollowsPageTurn},
    {&OptionsState::usePasswordOnStartUp, Settings::UsePasswordOnStartUp},
    {&OptionsState::allowExtCharsInPasswords, Settings::AllowExtCharsInPasswords},
    {&OptionsState::enableMinimise, Settings::EnableMinimise},
    {&OptionsState::finishWithoutPrompting, Settings::FinishWithoutPrompting},
};

// The stored digit "1".."count", or 0.
int storedDigit(const QByteArray& raw, int count) {
    if (raw.size() != 1 || raw[0] < '1' || raw[0] > '0' + count)
        return 0;
    return raw[0] - '0';
}

} // namespace

const QStringList& dialMethodTexts() {
    static const QStringList texts = {QStringLiteral("Use TAPI"), QStringLiteral("Use Serial"),
                                      QStringLiteral("Auto-Dial OFF")};
    return texts;
}

const QStringList& serialPortTexts() {
    static const QStringList texts = {QStringLiteral("COM 1"), QStringLiteral("COM 2"),
                                      QStringLiteral("COM 3"), QStringLiteral("COM 4")};
    return texts;
}

OptionsState fillOptions(Settings& settings) {
    OptionsState state;
    for (const TickSetting& item : TickSettings) {
        const QByteArray raw = settings.raw(item.id);
        if (raw == "1") {
            state.*item.tick = Tick::On;
        } else {
            state.*item.tick = Tick::Off;
            if (raw != "0")
                settings.setFlag(item.id, false);
        }
    }
    const int method = storedDigit(settings.raw(Settings::DialMethod), 3);
    if (method == 0)
        settings.setDialMethod(2);
    state.dialMethodText = dialMethodTexts().at(method == 0 ? 1 : method - 1);

    const int port = storedDigit(settings.raw(Settings::SerialPort), 4);
    if (port == 0)
        settings.setSerialPort(1);
    state.portText = serialPortTexts().at(port == 0 ? 0 : port - 1);
    state.clearExistingPassword = false;
    return state;
}

void storeOptions(OptionsState& state, Settings& settings) {
    for (const TickSetting& item : TickSettings) {
        Tick& tick = state.*item.tick;
        if (tick == Tick::Greyed)
            tick = Tick::Off;
        settings.setFlag(item.id, tick == Tick::On);
    }
    const qsizetype method = dialMethodTexts().indexOf(state.dialMethodText);
    if (method < 0) {
        state.dialMethodText = dialMethodTexts().at(0);
        settings.setDialMethod(1);
    } else {
        settings.setDialMethod(static_cast<int>(method) + 1);
    }
    const qsizetype port = serialPortTexts().indexOf(state.portText);
    if (port < 0) {
        state.portText = serialPortTexts().at(0);
        settings.setSerialPort(1);
    } else {
        settings.setSerialPort(static_cast<int>(port) + 1);
    }
    state.clearExistingPassword = false;
}

DialLayout dialLayoutFor(int dialMethod) {
    switch (dialMethod) {
    case 1:
        return {false, true, true};
    case 2:
        return {true, false, false};
    default:
        return {false, false, false};
    }
}

DialLayout chooseDialMethod(const QString& text, Settings& settings) {
    const qsizetype method = dialMethodTexts().indexOf(text);
    if (method >= 0)
        settings.setDialMethod(static_cast<int>(method) + 1);
    int value = storedDigit(settings.raw(Settings::DialMethod), 3);
    if (value == 0) {
        value = 1;
        settings.setDialMethod(1);
    }
    return dialLayoutFor(value);
}

} // namespace orvelan
