#include "telephony/CvbTAPILine.h"

#include "store/Windows1252.h"
#include "telephony/LineDevCaps.h"

#include <QPointer>

#include <array>

namespace orvelan {

namespace {

constexpr std::uint32_t FirstLineErr = 0x80000001;
// The texts after the common prefix, keyed from 0x80000001; an empty entry has no text of its own.
constexpr std::array<QStringView, 0x56> ErrorTexts = {
    u"Allocated",
    u"Bad Device ID",
    u"Bearer Mode Unavail",
    u"",
    u"Call UnAvail",
    u"Completion Overrun",
    u"Conference Full",
    u"Dial Billing",
    u"Dial Dialtone",
    u"Dial Prompt",
    u"Dial Quiet",
    u"Incompatible API Version",
    u"Incompatible Ext Version",
    u"Ini File Corrupt",
    u"In Use",
    u"Invalid Address",
    u"Invalid Address ID",
    u"Invalid Address Mode",
    u"Invalid Address State",
    u"Invalid App Handle",
    u"Invalid App Name",
    u"Invalid Bearer Mode",
    u"Invalid Call Completion Mode",
    u"Invalid Call Handle",
    u"Invalid Call Params",
    u"Invalid Call Privilege",
    u"Invalid Call Select",
    u"Invalid Call State",
    u"Invalid Call State List",
    u"Invalid Card",
    u"Invalid Completion ID",
    u"Invalid Conf Call Handle",
    u"Invalid Consult Call Handle",
    u"Invalid Country Code",
    u"Invalid Device Class",
    u"Invalid Device Handle",
    u"",
    u"Invalid Digit List",
    u"Invalid Digit Mode",
    u"Invalid Digits",
    u"Invalid Ext Version",
    u"Invalid Group ID",
    u"Invalid Line Handle",
    u"Invalid Line State",
    u"Invalid Location",
    u"Invalid Media List",
    u"Invalid Media Mode",
    u"Invalid Message ID",
    u"",
    u"Invalid Param",
    u"Invalid Park ID",
    u"Invalid Park Mode",
    u"Invalid Pointer",
    u"Invalid Priv Select",
    u"Invalid Rate",
    u"Invalid Request Mode",
    u"Invalid Terminal ID",
    u"Invalid Terminal Mode",
    u"Invalid Time Out",
    u"Invalid Tone",
    u"Invalid Tone List",
    u"Invalid Tone Mode",
    u"Invalid Transfer Mode",
    u"Line Mapper Failed",
    u"No Conference",
    u"No Device",
    u"No Driver",
    u"No Memory",
    u"No Request",
    u"Not Owner",
    u"Not Registered",
    u"Operation Failed",
    u"Operation Unavailable",
    u"Rate Unavailable",
    u"Resource Unavailable",
    u"Request Overrun",
    u"Structure Too Small",
    u"Target Not found",
    u"Target Self",
    u"Uninitialized",
    u"UserUser Info Too Big",
    u"Re-init",
    u"Address Blocked",
    u"Billing Rejected",
    u"Invalid Feature",
    u"No Multiple Instance",
};

QByteArray optionalText(const QString& text) {
    return toWindows1252(text);
}

} // namespace

CvbTAPILine::CvbTAPILine(TapiLineFunctions& tapi, QObject* parent)
    : QObject(parent), m_tapi(tapi) {}

CvbTAPILine::~CvbTAPILine() {
    shutdown();
}

void CvbTAPILine::shutdown() {
    if (m_callHandle != 0) {
        m_tapi.lineDeallocateCall(m_callHandle);
        m_callHandle = 0;
    }
    if (m_lineHandle != 0)
        CloseLine();
    if (m_appHandle != 0) {
        m_tapi.lineShutdown(m_appHandle);
        m_appHandle = 0;
    }
}

std::int32_t CvbTAPILine::LastError() {
    const std::int32_t error = m_lastError;
    m_lastError = 0;
    return error;
}

QString CvbTAPILine::ErrorString(std::int32_t errCode) {
    static const QString Prefix = QStringLiteral(" TAPI Line Error: ");
    const auto code = static_cast<std::uint32_t>(errCode);
    if (code >= FirstLineErr && code - FirstLineErr < ErrorTexts.size()) {
        const QStringView text = ErrorTexts[code - FirstLineErr];
        if (!text.isEmpty())
            return Prefix + text.toString();
    }
    return Prefix + QStringLiteral("Interrupted by User  ");
}

bool CvbTAPILine::fail(std::int32_t result) {
    m_lastError = result;
    return false;
}

bool CvbTAPILine::Create() {
    // A new session replaces the old one, which is shut down first so that it does not leak.
    if (m_appHandle != 0) {
        if (m_callHandle != 0) {
            m_tapi.lineDeallocateCall(m_callHandle);
            m_callHandle = 0;
        }
        if (m_lineHandle != 0)
            CloseLine();
        m_tapi.lineShutdown(m_appHandle);
        m_appHandle = 0;
    }
    QPointer<CvbTAPILine> self(this);
    TapiMessageHandler handler = [self](std::uint32_t device, std::uint32_t message,
                                        std::uintptr_t instance, std::uint32_t param1,
                                        std::uint32_t param2, std::uint32_t param3) {
        // Messages without an instance, for another object, or after this one is gone are
        // ignored.
        if (instance == 0 || !self || instance != self->identity())
            return;
        self->HandleLineMessage(device, message, param1, param2, param3);
    };
    std::uint32_t lines = 0;
    const std::int32_t result =
        m_tapi.lineInitializeEx(m_appHandle, std::move(handler),
                                QByteArrayLiteral("ORVELAN Secure Address Book"), lines, m_hiApi);
    if (result != 0)
        return fail(result);
    m_numLines = static_cast<std::int32_t>(lines);
    if (m_numLines < 1)
        return false;
    m_lineVersions = QList<std::uint32_t>(m_numLines, 0);
    m_lineExtensionIds.resize(m_numLines);
    for (std::int32_t i = 0; i < m_numLines; ++i) {
        std::uint32_t version = 0;
        TapiExtensionId extensionId{};
        if (m_tapi.lineNegotiateAPIVersion(m_appHandle, std::uint32_t(i), m_lowApi, m_hiApi,
                                           version, extensionId) != 0) {
            m_lineVersions[i] = 0;
            continue;
        }
        m_lineVersions[i] = version;
        m_lineExtensionIds[i] = extensionId;
        if (version > m_highestVersion)
            m_highestVersion = version;
    }
    RefreshDevCaps();
    return true;
}

int CvbTAPILine::setCurrentLineID(std::int32_t lineId) {
    if (lineId < 0 || lineId > m_numLines - 1)
        return InvalidPropertyValue;
    m_currentLineId = lineId;
    RefreshDevCaps();
    return 0;
}

std::uint32_t CvbTAPILine::NegotiatedAPIVersion() const {
    if (m_currentLineId < 0 || m_currentLineId >= m_lineVersions.size())
        return 0;
    return m_lineVersions[m_currentLineId];
}

std::uint32_t CvbTAPILine::extensionWord(int index) const {
    if (m_currentLineId < 0 || m_currentLineId >= m_lineExtensionIds.size())
        return 0;
    return m_lineExtensionIds[m_currentLineId][std::size_t(index)];
}

bool CvbTAPILine::LineSupportsVoiceCalls() const {
    return (m_bearerModes & Tapi::BearerModeVoice) != 0 &&
           (m_mediaModes & Tapi::MediaModeInteractiveVoice) != 0;
}

QString CvbTAPILine::CapsString(std::uint32_t offset, std::uint32_t size) const {
    if (size < 1 || offset == 0)
        return {};
    // A text that a provider places outside the buffer is cut at its end instead of read past it.
    if (offset >= std::uint32_t(m_caps.size()))
        return {};
    const std::uint32_t available = std::uint32_t(m_caps.size()) - offset;
    return fromWindows1252(QByteArrayView(m_caps).sliced(offset, std::min(size, available)));
}

bool CvbTAPILine::RefreshDevCaps() {
    using namespace LineDevCaps;
    m_caps.fill('\0');
    setWord(m_caps, TotalSize, CapsBufferSize);
    const std::int32_t result = m_tapi.lineGetDevCaps(m_appHandle, std::uint32_t(m_currentLineId),
                                                      NegotiatedAPIVersion(), 0, m_caps);
    if (m_caps.size() != CapsBufferSize)
        m_caps.resize(CapsBufferSize, '\0');
    if (result != 0)
        return fail(result);
    m_lineName = CapsString(word(m_caps, LineNameOffset), word(m_caps, LineNameSize));
    m_providerInfo = CapsString(word(m_caps, ProviderInfoOffset), word(m_caps, ProviderInfoSize));
    m_switchInfo = CapsString(word(m_caps, SwitchInfoOffset), word(m_caps, SwitchInfoSize));
    m_permanentLineId = word(m_caps, PermanentLineId);
    m_stringFormat = word(m_caps, LineDevCaps::StringFormat);
    m_numAddresses = word(m_caps, NumAddresses);
    m_maxDataRate = word(m_caps, MaxRate);
    m_bearerModes = word(m_caps, LineDevCaps::BearerModes);
    m_addressModes = word(m_caps, LineDevCaps::AddressModes);
    m_mediaModes = word(m_caps, MediaModes);
    m_generateToneMaxNumFreq = word(m_caps, LineDevCaps::GenerateToneMaxNumFreq);
    m_generateToneModes = word(m_caps, LineDevCaps::GenerateToneModes);
    m_numTerminals = word(m_caps, NumTerminals);
    return true;
}

bool CvbTAPILine::OpenLine(std::uint32_t privileges, std::uint32_t mediamodes) {
    if (m_lineHandle != 0)
        return false;
    const std::int32_t result =
        m_tapi.lineOpen(m_appHandle, std::uint32_t(m_currentLineId), m_lineHandle,
                        NegotiatedAPIVersion(), 0, identity(), privileges, mediamodes);
    if (result != 0) {
        m_lineHandle = 0;
        return fail(result);
    }
    return true;
}

bool CvbTAPILine::MakeCallAsynch(const QString& phonenumber) {
    if (m_lineHandle == 0)
        return false;
    const QByteArray number = optionalText(phonenumber);
    const std::int32_t result = m_tapi.lineMakeCall(m_lineHandle, &m_callHandle,
                                                    phonenumber.isEmpty() ? nullptr : &number, 0);
    if (result <= 0)
        return fail(result);
    m_pendingMakeCall = result;
    return true;
}

bool CvbTAPILine::DropCallAsynch() {
    if (m_callHandle == 0)
        return false;
    const std::int32_t result = m_tapi.lineDrop(m_callHandle);
    if (result <= 0)
        return fail(result);
    m_pendingDrop = result;
    return true;
}

bool CvbTAPILine::CloseLine() {
    if (m_lineHandle == 0)
        return false;
    const std::int32_t result = m_tapi.lineClose(m_lineHandle);
    m_lineHandle = 0;
    if (result != 0)
        return fail(result);
    return true;
}

bool CvbTAPILine::ConfigDialog(std::uintptr_t OwnerHwnd, const QString& DeviceClass) {
    const QByteArray deviceClass = optionalText(DeviceClass);
    const std::int32_t result = m_tapi.lineConfigDialog(
        std::uint32_t(m_currentLineId), OwnerHwnd, DeviceClass.isEmpty() ? nullptr : &deviceClass);
    return result == 0 || fail(result);
}

bool CvbTAPILine::DialingPropertiesDialog(std::uintptr_t OwnerHwnd, const QString& phonenumber) {
    const QByteArray number = optionalText(phonenumber);
    const std::int32_t result =
        m_tapi.lineTranslateDialog(m_appHandle, std::uint32_t(m_currentLineId), m_highestVersion,
                                   OwnerHwnd, phonenumber.isEmpty() ? nullptr : &number);
    return result == 0 || fail(result);
}

bool CvbTAPILine::PaintDevIcon(const std::function<void(std::uintptr_t icon)>& draw) {
    std::uintptr_t icon = 0;
    const std::int32_t result = m_tapi.lineGetIcon(std::uint32_t(m_currentLineId), icon);
    if (result != 0)
        return fail(result);
    if (icon == 0)
        return false;
    if (draw)
        draw(icon);
    return true;
}

void CvbTAPILine::HandleLineMessage(std::uint32_t /*device*/, std::uint32_t message,
                                    std::uint32_t param1, std::uint32_t param2,
                                    std::uint32_t /*param3*/) {
    if (message == Tapi::MsgLineCallState) {
        switch (param1) {
        case Tapi::CallStateIdle:
            if (m_callHandle != 0) {
                m_tapi.lineDeallocateCall(m_callHandle);
                m_callHandle = 0;
                CloseLine();
            }
            Q_EMIT Idle();
            break;
        case Tapi::CallStateConnected:
            Q_EMIT Connected();
            break;
        case Tapi::CallStateDisconnected:
            DropCallAsynch();
            Q_EMIT Disconnected();
            break;
        default:
            break;
        }
        return;
    }
    if (message != Tapi::MsgLineReply)
        return;
    const auto request = static_cast<std::int32_t>(param1);
    const auto result = static_cast<std::int32_t>(param2);
    if (m_pendingMakeCall != 0 && request == m_pendingMakeCall) {
        m_pendingMakeCall = 0;
        if (result != 0) {
            // The call was never placed: its handle is void, and the line is closed.
            m_callHandle = 0;
            CloseLine();
        }
        Q_EMIT MakeCallResult(result);
    } else if (m_pendingDrop != 0 && request == m_pendingDrop) {
        m_pendingDrop = 0;
        Q_EMIT DropCallResult(result);
    }
}

} // namespace orvelan
