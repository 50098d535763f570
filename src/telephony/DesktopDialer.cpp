#include "telephony/DesktopDialer.h"

#include "platform/DesktopLauncher.h"
#include "platform/Prompt.h"
#include "store/Windows1252.h"
#include "telephony/DialNumber.h"
#include "telephony/LineDevCaps.h"
#include "telephony/PhoneNumbers.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace orvelan {

DesktopDialer::DesktopDialer(DesktopLauncher& launcher, Prompter& prompter, QString configPath,
                             QObject* parent)
    : QObject(parent), m_launcher(launcher), m_prompter(prompter),
      m_configPath(std::move(configPath)) {}

void DesktopDialer::post(std::uint32_t device, std::uint32_t message, std::uint32_t param1,
                         std::uint32_t param2, std::function<void()> before) {
    const std::uint32_t app = m_appHandle;
    const std::uintptr_t instance = m_instance;
    QTimer::singleShot(0, this, [this, app, device, message, instance, param1, param2, before] {
        // Messages of a session that has ended are dropped.
        if (m_appHandle != app || !m_handler)
            return;
        if (before)
            before();
        if (m_appHandle == app && m_handler)
            m_handler(device, message, instance, param1, param2, 0);
    });
}

std::int32_t DesktopDialer::lineInitializeEx(std::uint32_t& appHandle, TapiMessageHandler handler,
                                             const QByteArray& /*friendlyName*/,
                                             std::uint32_t& numDevs, std::uint32_t& apiVersion) {
    m_appHandle = m_nextHandle++;
    m_handler = std::move(handler);
    appHandle = m_appHandle;
    numDevs = 1;
    apiVersion = Tapi::ApiVersion30;
    return 0;
}

std::int32_t DesktopDialer::lineNegotiateAPIVersion(std::uint32_t appHandle, std::uint32_t deviceId,
                                                    std::uint32_t lowVersion,
                                                    std::uint32_t highVersion,
                                                    std::uint32_t& version,
                                                    TapiExtensionId& extensionId) {
    if (appHandle == 0 || appHandle != m_appHandle)
        return Tapi::LineErrInvalAppHandle;
    if (deviceId != 0)
        return Tapi::LineErrBadDeviceId;
    if (lowVersion > Tapi::ApiVersion30 || highVersion < Tapi::ApiVersion13)
        return Tapi::LineErrIncompatibleApiVersion;
    version = std::min(highVersion, Tapi::ApiVersion30);
    extensionId = {};
    return 0;
}

std::int32_t DesktopDialer::lineGetDevCaps(std::uint32_t appHandle, std::uint32_t deviceId,
                                           std::uint32_t /*version*/, std::uint32_t /*extVersion*/,
                                           QByteArray& caps) {
    if (appHandle == 0 || appHandle != m_appHandle)
        return Tapi::LineErrInvalAppHandle;
    if (deviceId != 0)
        return Tapi::LineErrBadDeviceId;
    using namespace LineDevCaps;
    return Builder()
        .text(LineNameSize, LineNameOffset, QByteArrayLiteral("Desktop dialer (tel:)"))
        .text(ProviderInfoSize, ProviderInfoOffset, QByteArrayLiteral("Desktop telephone handler"))
        .set(PermanentLineId, 1)
        .set(StringFormat, Tapi::StringFormatAscii)
        .set(AddressModes, 0x2)
        .set(NumAddresses, 1)
        .set(BearerModes, Tapi::BearerModeVoice)
        .set(MediaModes, Tapi::MediaModeInteractiveVoice)
        .fill(caps);
}

std::int32_t DesktopDialer::lineOpen(std::uint32_t appHandle, std::uint32_t deviceId,
                                     std::uint32_t& lineHandle, std::uint32_t /*version*/,
                                     std::uint32_t /*extVersion*/, std::uintptr_t callbackInstance,
                                     std::uint32_t /*privileges*/, std::uint32_t /*mediaModes*/) {
    if (appHandle == 0 || appHandle != m_appHandle)
        return Tapi::LineErrInvalAppHandle;
    if (deviceId != 0)
        return Tapi::LineErrBadDeviceId;
    if (m_lineHandle != 0)
        return Tapi::LineErrAllocated;
    m_lineHandle = m_nextHandle++;
    m_instance = callbackInstance;
    lineHandle = m_lineHandle;
    return 0;
}

std::int32_t DesktopDialer::lineMakeCall(std::uint32_t lineHandle, std::uint32_t* callHandle,
                                         const QByteArray* destAddress,
                                         std::uint32_t /*countryCode*/) {
    if (lineHandle == 0 || lineHandle != m_lineHandle)
        return Tapi::LineErrInvalLineHandle;
    if (m_callHandle != 0)
        return Tapi::LineErrCallUnavail;
    if (!destAddress || destAddress->trimmed().isEmpty())
        return Tapi::LineErrInvalAddress;
    QString number = firstTelephoneNumber(fromWindows1252(*destAddress));
    if (number.isEmpty())
        return Tapi::LineErrInvalAddress;
    if (!m_configPath.isEmpty()) {
        const QString international = PhoneNumbers(phoneRegionSetting(m_configPath)).e164(number);
        if (!international.isEmpty())
            number = international;
    }
    const std::int32_t request = m_nextRequest++;
    m_callHandle = m_nextHandle++;
    if (callHandle)
        *callHandle = m_callHandle;
    QUrl url;
    url.setScheme(QStringLiteral("tel"));
    url.setPath(number);
    QPointer<DesktopDialer> self(this);
    const std::uint32_t call = m_callHandle;
    m_launcher.handOff(url, [self, call, request, number](bool taken) {
        if (self)
            self->handedOff(taken, call, request, number);
    });
    return request;
}

void DesktopDialer::handedOff(bool taken, std::uint32_t call, std::int32_t request,
                              const QString& number) {
    if (call == 0 || call != m_callHandle)
        return; // the line was closed or the session ended meanwhile
    if (!taken) {
        m_callHandle = 0;
        post(m_lineHandle, Tapi::MsgLineReply, std::uint32_t(request),
             std::uint32_t(Tapi::LineErrOperationFailed), [this, number] {
                 m_prompter.ask({QStringLiteral("ORVELAN Dial"),
                                 QStringLiteral(" The desktop has no handler for telephone "
                                                "numbers (tel:), so [ ") +
                                     number + QStringLiteral(" ] was not dialed.     "),
                                 PromptIcon::Exclamation, PromptButtons::Ok});
             });
        return;
    }
    // The handler owns the call now: this line goes idle and is free for the next call.
    post(call, Tapi::MsgLineReply, std::uint32_t(request), 0);
    post(call, Tapi::MsgLineCallState, Tapi::CallStateIdle, 0);
}

std::int32_t DesktopDialer::lineDrop(std::uint32_t callHandle) {
    if (callHandle == 0 || callHandle != m_callHandle)
        return Tapi::LineErrInvalCallHandle;
    const std::int32_t request = m_nextRequest++;
    post(callHandle, Tapi::MsgLineReply, std::uint32_t(request), 0);
    post(callHandle, Tapi::MsgLineCallState, Tapi::CallStateIdle, 0);
    return request;
}

std::int32_t DesktopDialer::lineDeallocateCall(std::uint32_t callHandle) {
    if (callHandle == 0 || callHandle != m_callHandle)
        return Tapi::LineErrInvalCallHandle;
    m_callHandle = 0;
    return 0;
}

std::int32_t DesktopDialer::lineClose(std::uint32_t lineHandle) {
    if (lineHandle == 0 || lineHandle != m_lineHandle)
        return Tapi::LineErrInvalLineHandle;
    m_lineHandle = 0;
    m_callHandle = 0;
    return 0;
}

std::int32_t DesktopDialer::lineShutdown(std::uint32_t appHandle) {
    if (appHandle == 0 || appHandle != m_appHandle)
        return Tapi::LineErrInvalAppHandle;
    m_appHandle = 0;
    m_lineHandle = 0;
    m_callHandle = 0;
    m_handler = nullptr;
    return 0;
}

std::int32_t DesktopDialer::lineConfigDialog(std::uint32_t /*deviceId*/,
                                             std::uintptr_t /*ownerWindow*/,
                                             const QByteArray* /*deviceClass*/) {
    return Tapi::LineErrOperationUnavail;
}

std::int32_t DesktopDialer::lineTranslateDialog(std::uint32_t /*appHandle*/,
                                                std::uint32_t /*deviceId*/,
                                                std::uint32_t /*apiVersion*/,
                                                std::uintptr_t /*ownerWindow*/,
                                                const QByteArray* /*addressIn*/) {
    return Tapi::LineErrOperationUnavail;
}

std::int32_t DesktopDialer::lineGetIcon(std::uint32_t /*deviceId*/, std::uintptr_t& icon) {
    icon = 0;
    return Tapi::LineErrOperationUnavail;
}

} // namespace orvelan
