#pragma once

#include "telephony/TapiLineFunctions.h"

#include <QObject>
#include <QString>

#include <functional>

namespace orvelan {

class DesktopLauncher;
class Prompter;

// A telephony provider with one line device: the desktop's own dialer. A call hands
// "tel:NUMBER" (the first number of the dialed text) to the desktop, a softphone or a phone
// paired with the computer. Once the desktop has taken it, the reply succeeds and the call goes
// idle at once: the handler owns the call from then on, and the line is free for the next one.
// With the book's orvelan.conf, a number that reads as a valid one in the home region
// (PhoneRegion) is handed on in its international form ("tel:+441234567890" for "01234 567890"
// in GB), so the handler dials it from anywhere; others go as they are written.
// When no handler takes it, the user is told so and the reply fails. The line has no
// configuration or dialing-properties dialog: both answer LINEERR_OPERATIONUNAVAIL. Messages
// are posted to the event loop of the thread that owns this object.
class DesktopDialer : public QObject, public TapiLineFunctions {
    Q_OBJECT

public:
    DesktopDialer(DesktopLauncher& launcher, Prompter& prompter, QString configPath = {},
                  QObject* parent = nullptr);

    std::int32_t lineInitializeEx(std::uint32_t& appHandle, TapiMessageHandler handler,
                                  const QByteArray& friendlyName, std::uint32_t& numDevs,
                                  std::uint32_t& apiVersion) override;
    std::int32_t lineNegotiateAPIVersion(std::uint32_t appHandle, std::uint32_t deviceId,
                                         std::uint32_t lowVersion, std::uint32_t highVersion,
                                         std::uint32_t& version,
                                         TapiExtensionId& extensionId) override;
    std::int32_t lineGetDevCaps(std::uint32_t appHandle, std::uint32_t deviceId,
                                std::uint32_t version, std::uint32_t extVersion,
                                QByteArray& caps) override;
    std::int32_t lineOpen(std::uint32_t appHandle, std::uint32_t deviceId,
                          std::uint32_t& lineHandle, std::uint32_t version,
                          std::uint32_t extVersion, std::uintptr_t callbackInstance,
                          std::uint32_t privileges, std::uint32_t mediaModes) override;
    std::int32_t lineMakeCall(std::uint32_t lineHandle, std::uint32_t* callHandle,
                              const QByteArray* destAddress, std::uint32_t countryCode) override;
    std::int32_t lineDrop(std::uint32_t callHandle) override;
    std::int32_t lineDeallocateCall(std::uint32_t callHandle) override;
    std::int32_t lineClose(std::uint32_t lineHandle) override;
    std::int32_t lineShutdown(std::uint32_t appHandle) override;
    std::int32_t lineConfigDialog(std::uint32_t deviceId, std::uintptr_t ownerWindow,
                                  const QByteArray* deviceClass) override;
    std::int32_t lineTranslateDialog(std::uint32_t appHandle, std::uint32_t deviceId,
                                     std::uint32_t apiVersion, std::uintptr_t ownerWindow,
                                     const QByteArray* addressIn) override;
    std::int32_t lineGetIcon(std::uint32_t deviceId, std::uintptr_t& icon) override;

private:
    // `before` runs first, in the same turn of the event loop as the message.
    void post(std::uint32_t device, std::uint32_t message, std::uint32_t param1,
              std::uint32_t param2, std::function<void()> before = {});
    void handedOff(bool taken, std::uint32_t call, std::int32_t request, const QString& number);

    DesktopLauncher& m_launcher;
    Prompter& m_prompter;
    QString m_configPath; // orvelan.conf, for the home region; empty: numbers go as written
    TapiMessageHandler m_handler;
    std::uint32_t m_appHandle = 0;
    std::uint32_t m_lineHandle = 0;
    std::uintptr_t m_instance = 0;
    std::uint32_t m_callHandle = 0;
    std::uint32_t m_nextHandle = 0x100;
    std::int32_t m_nextRequest = 1;
};

} // namespace orvelan
