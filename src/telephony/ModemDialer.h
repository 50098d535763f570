#pragma once

#include <QString>

#include <functional>

namespace orvelan {

class Clock;
class DialView;
class Prompter;
class SerialPort;

// Dials a number as a voice call through a Hayes modem: "ATDT<number>;", waits for the modem's
// "OK" while the window stays responsive, asks the user to pick up the handset and hangs the
// modem up so the call stays on the telephone. A Clear or hang-up sets the hang-up flag (or
// closes the port) and so ends the wait.
class ModemDialer {
public:
    struct Context {
        DialView& view;
        Prompter& prompter;
        Clock& clock;
        SerialPort& port;
        bool& hangUpRequested;
        std::function<void()> showReady;
    };
    // The time each turn of the wait gives to window messages.
    static constexpr double WaitTurnSeconds = 0.02;

    explicit ModemDialer(Context context) : m_context(std::move(context)) {}

    // `portSetting` is the stored serial port choice ("1" .. "4").
    void SerialDial(const QString& number, const QString& portSetting);

private:
    void run(const QString& number, const QString& portSetting);

    Context m_context;
};

} // namespace orvelan
