#pragma once

#include "telephony/TapiLineFunctions.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>

namespace orvelan {

// One telephony application session: the negotiated version of every line device, the
// capabilities of one current line, at most one open line and at most one call on it. The
// service's asynchronous replies and call states come out as five signals, in this order:
// MakeCallResult, DropCallResult, Connected, Idle, Disconnected. Operations return true on
// success; a refused operation stores the service's result for LastError. Operations called in
// the wrong state return false without touching LastError.
class CvbTAPILine : public QObject {
    Q_OBJECT

public:
    static constexpr int InvalidPropertyValue = 380;
    static constexpr int CapsBufferSize = 2301;

    explicit CvbTAPILine(TapiLineFunctions& tapi, QObject* parent = nullptr);
    ~CvbTAPILine() override;

    std::uint32_t LowAPI() const { return m_lowApi; }
    void setLowAPI(std::uint32_t version) { m_lowApi = version; }
    std::uint32_t HiAPI() const { return m_hiApi; }
    void setHiAPI(std::uint32_t version) { m_hiApi = version; }

    // The stored error code; reading it resets it to 0.
    std::int32_t LastError();
    static QString ErrorString(std::int32_t errCode);

    bool Create();
    std::int32_t numLines() const { return m_numLines; }

    std::int32_t CurrentLineID() const { return m_currentLineId; }
    // 0, or InvalidPropertyValue (nothing changed) for a value outside 0 .. numLines - 1.
    int setCurrentLineID(std::int32_t lineId);

    std::uint32_t NegotiatedAPIVersion() const;
    std::uint32_t ExtAPI_ID0() const { return extensionWord(0); }
    std::uint32_t ExtAPI_ID1() const { return extensionWord(1); }
    std::uint32_t ExtAPI_ID2() const { return extensionWord(2); }
    std::uint32_t ExtAPI_ID3() const { return extensionWord(3); }

    QString LineName() const { return m_lineName; }
    QString ProviderInfo() const { return m_providerInfo; }
    QString SwitchInfo() const { return m_switchInfo; }
    std::uint32_t PermanentLineID() const { return m_permanentLineId; }
    std::uint32_t StringFormat() const { return m_stringFormat; }
    std::uint32_t numAddresses() const { return m_numAddresses; }
    std::uint32_t maxDataRate() const { return m_maxDataRate; }
    std::uint32_t BearerModes() const { return m_bearerModes; }
    std::uint32_t AddressModes() const { return m_addressModes; }
    std::uint32_t mediamodes() const { return m_mediaModes; }
    std::uint32_t GenerateToneMaxNumFreq() const { return m_generateToneMaxNumFreq; }
    std::uint32_t GenerateToneModes() const { return m_generateToneModes; }
    std::uint32_t numTerminals() const { return m_numTerminals; }
    bool LineSupportsVoiceCalls() const;

    bool RefreshDevCaps();
    bool OpenLine(std::uint32_t privileges = 0, std::uint32_t mediamodes = 0);
    bool MakeCallAsynch(const QString& phonenumber = {});
    bool DropCallAsynch();
    bool CloseLine();
    bool ConfigDialog(std::uintptr_t OwnerHwnd = 0, const QString& DeviceClass = {});
    bool DialingPropertiesDialog(std::uintptr_t OwnerHwnd = 0, const QString& phonenumber = {});
    // Hands the line's icon to `draw` (left, top, width, height are the caller's); true only when
    // the service gave an icon.
    bool PaintDevIcon(const std::function<void(std::uintptr_t icon)>& draw);

    bool lineIsOpen() const { return m_lineHandle != 0; }
    bool hasCall() const { return m_callHandle != 0; }

    // Handles one message of the service for this object.
    void HandleLineMessage(std::uint32_t device, std::uint32_t message, std::uint32_t param1,
                           std::uint32_t param2, std::uint32_t param3);

Q_SIGNALS:
    void MakeCallResult(std::int32_t errorCode);
    void DropCallResult(std::int32_t errorCode);
    void Connected();
    void Idle();
    void Disconnected();

private:
    std::uintptr_t identity() const { return reinterpret_cast<std::uintptr_t>(this); }
    std::uint32_t extensionWord(int index) const;
    QString CapsString(std::uint32_t offset, std::uint32_t size) const;
    bool fail(std::int32_t result);
    void shutdown();

    TapiLineFunctions& m_tapi;
    std::uint32_t m_appHandle = 0;
    QList<std::uint32_t> m_lineVersions;
    QList<TapiExtensionId> m_lineExtensionIds;
    std::uint32_t m_highestVersion = 0;
    std::uint32_t m_lowApi = Tapi::ApiVersion13;
    std::uint32_t m_hiApi = Tapi::ApiVersion30;
    std::int32_t m_lastError = 0;
    std::int32_t m_numLines = 0;
    std::int32_t m_currentLineId = 0;
    QByteArray m_caps = QByteArray(CapsBufferSize, '\0');
    QString m_lineName;
    QString m_providerInfo;
    QString m_switchInfo;
    std::uint32_t m_permanentLineId = 0;
    std::uint32_t m_stringFormat = 0;
    std::uint32_t m_numAddresses = 0;
    std::uint32_t m_maxDataRate = 0;
    std::uint32_t m_bearerModes = 0;
    std::uint32_t m_addressModes = 0;
    std::uint32_t m_mediaModes = 0;
    std::uint32_t m_generateToneMaxNumFreq = 0;
    std::uint32_t m_generateToneModes = 0;
    std::uint32_t m_numTerminals = 0;
    std::uint32_t m_lineHandle = 0;
    std::uint32_t m_callHandle = 0;
    std::int32_t m_pendingMakeCall = 0;
    std::int32_t m_pendingDrop = 0;
};

} // namespace orvelan
