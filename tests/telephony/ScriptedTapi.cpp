#include "ScriptedTapi.h"

namespace orvelan::test {

void ScriptedTapi::deliver(std::uint32_t message, std::uint32_t param1, std::uint32_t param2) {
    deliverWithInstance(openInstance, message, param1, param2);
}

void ScriptedTapi::deliverWithInstance(std::uintptr_t instance, std::uint32_t message,
                                       std::uint32_t param1, std::uint32_t param2) {
    if (m_handler) {
        const TapiMessageHandler handler = m_handler;
        handler(1, message, instance, param1, param2, 0);
    }
}

std::int32_t ScriptedTapi::lineInitializeEx(std::uint32_t& appHandle, TapiMessageHandler handler,
                                            const QByteArray&, std::uint32_t& numDevs,
                                            std::uint32_t& apiVersion) {
    calls << QStringLiteral("lineInitializeEx");
    initializeVersionIn = apiVersion;
    const std::int32_t result =
        initializeResults.isEmpty() ? initializeResult : initializeResults.takeFirst();
    if (result != 0)
        return result;
    appHandle = m_nextHandle++;
    m_handler = std::move(handler);
    numDevs = std::uint32_t(lines.size());
    apiVersion = Tapi::ApiVersion30;
    return 0;
}

std::int32_t ScriptedTapi::lineNegotiateAPIVersion(std::uint32_t, std::uint32_t deviceId,
                                                   std::uint32_t lowVersion,
                                                   std::uint32_t highVersion,
                                                   std::uint32_t& version,
                                                   TapiExtensionId& extensionId) {
    calls << QStringLiteral("lineNegotiateAPIVersion %1").arg(deviceId);
    lastLowVersion = lowVersion;
    lastHighVersion = highVersion;
    if (deviceId >= std::uint32_t(lines.size()))
        return Tapi::LineErrBadDeviceId;
    const Line& line = lines[int(deviceId)];
    if (!line.negotiates)
        return Tapi::LineErrIncompatibleApiVersion;
    version = std::min(line.version, highVersion);
    extensionId = line.extensionId;
    return 0;
}

std::int32_t ScriptedTapi::lineGetDevCaps(std::uint32_t, std::uint32_t deviceId, std::uint32_t,
                                          std::uint32_t, QByteArray& caps) {
    calls << QStringLiteral("lineGetDevCaps %1").arg(deviceId);
    if (deviceId >= std::uint32_t(lines.size()))
        return Tapi::LineErrBadDeviceId;
    const Line& line = lines[int(deviceId)];
    if (line.capsResult != 0)
        return line.capsResult;
    return line.fillCaps ? line.fillCaps(caps) : 0;
}

std::int32_t ScriptedTapi::lineOpen(std::uint32_t, std::uint32_t deviceId,
                                    std::uint32_t& lineHandle, std::uint32_t, std::uint32_t,
                                    std::uintptr_t callbackInstance, std::uint32_t privileges,
                                    std::uint32_t mediaModes) {
    calls << QStringLiteral("lineOpen %1").arg(deviceId);
    if (openResult != 0)
        return openResult;
    openInstance = callbackInstance;
    openPrivileges = privileges;
    openMediaModes = mediaModes;
    lineHandle = m_nextHandle++;
    return 0;
}

std::int32_t ScriptedTapi::lineMakeCall(std::uint32_t, std::uint32_t* callHandle,
                                        const QByteArray* destAddress, std::uint32_t) {
    calls << QStringLiteral("lineMakeCall");
    lastNumber = destAddress ? std::optional<QByteArray>(*destAddress) : std::nullopt;
    if (makeCallResult != 0)
        return makeCallResult;
    if (callHandle)
        *callHandle = 0x5151;
    lastMakeCallRequest = m_nextRequest++;
    return lastMakeCallRequest;
}

std::int32_t ScriptedTapi::lineDrop(std::uint32_t) {
    calls << QStringLiteral("lineDrop");
    if (dropResult != 0)
        return dropResult;
    lastDropRequest = m_nextRequest++;
    return lastDropRequest;
}

std::int32_t ScriptedTapi::lineDeallocateCall(std::uint32_t) {
    calls << QStringLiteral("lineDeallocateCall");
    return 0;
}

std::int32_t ScriptedTapi::lineClose(std::uint32_t) {
    calls << QStringLiteral("lineClose");
    return 0;
}

std::int32_t ScriptedTapi::lineShutdown(std::uint32_t) {
    calls << QStringLiteral("lineShutdown");
    m_handler = nullptr;
    return 0;
}

std::int32_t ScriptedTapi::lineConfigDialog(std::uint32_t deviceId, std::uintptr_t,
                                            const QByteArray* deviceClass) {
    calls << QStringLiteral("lineConfigDialog %1").arg(deviceId);
    lastDialogText = deviceClass ? std::optional<QByteArray>(*deviceClass) : std::nullopt;
    return dialogResult;
}

std::int32_t ScriptedTapi::lineTranslateDialog(std::uint32_t, std::uint32_t deviceId, std::uint32_t,
                                               std::uintptr_t, const QByteArray* addressIn) {
    calls << QStringLiteral("lineTranslateDialog %1").arg(deviceId);
    lastDialogText = addressIn ? std::optional<QByteArray>(*addressIn) : std::nullopt;
    return dialogResult;
}

std::int32_t ScriptedTapi::lineGetIcon(std::uint32_t, std::uintptr_t& icon) {
    icon = 0;
    return Tapi::LineErrOperationUnavail;
}

LineDevCaps::Builder describedLine(const QByteArray& name, std::uint32_t bearerModes,
                                   std::uint32_t mediaModes) {
    using namespace LineDevCaps;
    Builder builder;
    builder.text(LineNameSize, LineNameOffset, name)
        .text(ProviderInfoSize, ProviderInfoOffset, QByteArrayLiteral("Scripted provider"))
        .text(SwitchInfoSize, SwitchInfoOffset, QByteArrayLiteral("Switch"))
        .set(PermanentLineId, 4711)
        .set(LineDevCaps::StringFormat, Tapi::StringFormatAscii)
        .set(AddressModes, 0x1)
        .set(NumAddresses, 1)
        .set(BearerModes, bearerModes)
        .set(MaxRate, 9600)
        .set(MediaModes, mediaModes)
        .set(NumTerminals, 2);
    return builder;
}

} // namespace orvelan::test
