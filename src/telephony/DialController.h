#pragma once

#include "telephony/CvbTAPILine.h"
#include "telephony/ModemDialer.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace orvelan {

class Clock;
class DialView;
class Prompter;
class SerialPort;
class Settings;
class TapiConsole;
class TapiLineFunctions;

// The main window's side of dialing: the five field selectors, Dial and hang-up, the two line
// dialogs, the start of the telephony session and the reactions to its call events. Everything
// it shows goes to a DialView; every wait is a Clock pause, during which clicks and call events
// are handled.
class DialController : public QObject {
    Q_OBJECT

public:
    struct Context {
        DialView& view;
        Prompter& prompter;
        Clock& clock;
        Settings& settings;
        bool tapiEnabled;
        TapiLineFunctions& tapi;
        SerialPort& port;
    };

    explicit DialController(Context context, QObject* parent = nullptr);
    ~DialController() override;

    // Click on P1Lab .. P5Lab (field 1 .. 5).
    void selectField(int field);
    // After a page load: keeps the chosen field when "Dial-Field Follows Page Turn" is on.
    void pageShown();
    // Clears the dial mark (an edit of one of the five number boxes).
    void clearDialMark();
    // Click on DialLa.
    void dial();
    // Click on cmdHangUp (or Ctrl+H, Backspace, F12 while it is visible).
    void hangUp();
    // Ends a modem dial that is waiting for its answer, quietly: the book is closing or the
    // program is ending.
    void cancelRunningDial() { m_hangUpRequested = true; }
    // Clicks on cmdConfigDlg and cmdDialProps.
    void configDialog();
    void dialingPropertiesDialog();
    // Once, when the main window loads; does nothing while the service is disabled ("-TAPI").
    void InitTapi(TapiConsole& console);
    void ShowReady();

    // The test whether a number can be dialed; greys the Dial label when it cannot.
    bool CheckDialNumber();

    bool tapiEnabled() const { return m_context.tapiEnabled; }
    CvbTAPILine* tapiline() const { return m_tapiline.get(); }
    int dialField() const { return m_dialField; }
    QString dialNumber() const { return m_dialNumber; }
    QString numberToDial() const { return m_numberToDial; }
    bool hangUpRequested() const { return m_hangUpRequested; }

private:
    void TapiDial();
    void dialSerial();
    void resetModem();
    // Sends the modem's factory reset and closes the port, waiting the given time in between;
    // false when the port was not open or failed on the way (it is closed all the same).
    bool resetAndClosePort(double secondsBeforeClose);
    // The dial controls as they stand once a call is over.
    void showHungUp();
    void unselectAll();
    void showDialMessage(const QString& text);
    // Runs the reaction to a call event. One that arrives while another is still showing its
    // status text waits for it, so each text stands for its whole time.
    void react(std::function<void()> reaction);
    void onMakeCallResult(std::int32_t errorCode);
    void onDropCallResult(std::int32_t errorCode);
    void onConnected();
    void onIdle();
    void onDisconnected();
    QString dialMethod() const;

    Context m_context;
    ModemDialer m_modem;
    std::unique_ptr<CvbTAPILine> m_tapiline;
    int m_dialField = 0;
    QString m_dialNumber;
    QString m_numberToDial;
    bool m_hangUpRequested = false;
    std::deque<std::function<void()>> m_pendingReactions;
    bool m_reacting = false;
};

} // namespace orvelan
