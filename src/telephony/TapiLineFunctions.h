#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace orvelan {

// Result codes and message values of the telephony line functions.
namespace Tapi {
inline constexpr std::int32_t LineErrAllocated = std::int32_t(0x80000001);
inline constexpr std::int32_t LineErrBadDeviceId = std::int32_t(0x80000002);
inline constexpr std::int32_t LineErrCallUnavail = std::int32_t(0x80000005);
inline constexpr std::int32_t LineErrIncompatibleApiVersion = std::int32_t(0x8000000C);
inline constexpr std::int32_t LineErrInvalAddress = std::int32_t(0x80000010);
inline constexpr std::int32_t LineErrInvalAppHandle = std::int32_t(0x80000014);
inline constexpr std::int32_t LineErrInvalCallHandle = std::int32_t(0x80000018);
inline constexpr std::int32_t LineErrInvalLineHandle = std::int32_t(0x8000002B);
inline constexpr std::int32_t LineErrNoDevice = std::int32_t(0x80000042);
inline constexpr std::int32_t LineErrOperationFailed = std::int32_t(0x80000048);
inline constexpr std::int32_t LineErrOperationUnavail = std::int32_t(0x80000049);
inline constexpr std::int32_t LineErrResourceUnavail = std::int32_t(0x8000004B);
inline constexpr std::int32_t LineErrStructureTooSmall = std::int32_t(0x8000004D);

inline constexpr std::uint32_t MsgLineCallState = 2;
inline constexpr std::uint32_t MsgLineReply = 12;

inline constexpr std::uint32_t CallStateIdle = 0x1;
inline constexpr std::uint32_t CallStateDialtone = 0x8;
inline constexpr std::uint32_t CallStateDialing = 0x20;
inline constexpr std::uint32_t CallStateProceeding = 0x200;
inline constexpr std::uint32_t CallStateConnected = 0x100;
inline constexpr std::uint32_t CallStateDisconnected = 0x4000;

inline constexpr std::uint32_t BearerModeVoice = 0x1;
inline constexpr std::uint32_t MediaModeInteractiveVoice = 0x4;
inline constexpr std::uint32_t CallPrivilegeNone = 0x1;
inline constexpr std::uint32_t StringFormatAscii = 1;

inline constexpr std::uint32_t ApiVersion13 = 0x00010003;
inline constexpr std::uint32_t ApiVersion14 = 0x00010004;
inline constexpr std::uint32_t ApiVersion30 = 0x00030000;
} // namespace Tapi

using TapiExtensionId = std::array<std::uint32_t, 4>;

// A message from the telephony service: device, message, callback instance and three parameters.
// Providers deliver it on the user-interface thread, never from inside the call that caused it.
using TapiMessageHandler =
    std::function<void(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                       std::uint32_t param1, std::uint32_t param2, std::uint32_t param3)>;

// The twelve line functions of the telephony service. Results are 0 for success or a negative
// LINEERR_ value; lineMakeCall and lineDrop return a positive request id when accepted. Handles
// are never 0 when valid. Texts are passed as Windows-1252 bytes; a null optional text stands for
// a null string pointer.
class TapiLineFunctions {
public:
    virtual ~TapiLineFunctions() = default;

    virtual std::int32_t lineInitializeEx(std::uint32_t& appHandle, TapiMessageHandler handler,
                                          const QByteArray& friendlyName, std::uint32_t& numDevs,
                                          std::uint32_t& apiVersion) = 0;
    virtual std::int32_t lineNegotiateAPIVersion(std::uint32_t appHandle, std::uint32_t deviceId,
                                                 std::uint32_t lowVersion,
                                                 std::uint32_t highVersion, std::uint32_t& version,
                                                 TapiExtensionId& extensionId) = 0;
    // `caps` holds a LINEDEVCAPS structure whose dwTotalSize the caller has set.
    virtual std::int32_t lineGetDevCaps(std::uint32_t appHandle, std::uint32_t deviceId,
                                        std::uint32_t version, std::uint32_t extVersion,
                                        QByteArray& caps) = 0;
    virtual std::int32_t lineOpen(std::uint32_t appHandle, std::uint32_t deviceId,
                                  std::uint32_t& lineHandle, std::uint32_t version,
                                  std::uint32_t extVersion, std::uintptr_t callbackInstance,
                                  std::uint32_t privileges, std::uint32_t mediaModes) = 0;
    // The provider writes the call handle through `callHandle` now or when the request's reply
    // is delivered; the pointer stays valid until then or until the line is closed.
    virtual std::int32_t lineMakeCall(std::uint32_t lineHandle, std::uint32_t* callHandle,
                                      const QByteArray* destAddress, std::uint32_t countryCode) = 0;
    virtual std::int32_t lineDrop(std::uint32_t callHandle) = 0;
    virtual std::int32_t lineDeallocateCall(std::uint32_t callHandle) = 0;
    virtual std::int32_t lineClose(std::uint32_t lineHandle) = 0;
    virtual std::int32_t lineShutdown(std::uint32_t appHandle) = 0;
    virtual std::int32_t lineConfigDialog(std::uint32_t deviceId, std::uintptr_t ownerWindow,
                                          const QByteArray* deviceClass) = 0;
    virtual std::int32_t lineTranslateDialog(std::uint32_t appHandle, std::uint32_t deviceId,
                                             std::uint32_t apiVersion, std::uintptr_t ownerWindow,
                                             const QByteArray* addressIn) = 0;
    virtual std::int32_t lineGetIcon(std::uint32_t deviceId, std::uintptr_t& icon) = 0;
};

} // namespace orvelan
