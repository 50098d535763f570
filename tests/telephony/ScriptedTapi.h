#pragma once

#include "telephony/CvbTAPILine.h"
#include "telephony/LineDevCaps.h"
#include "telephony/TapiLineFunctions.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace orvelan::test {

using namespace Qt::StringLiterals;

// A telephony service driven by the test: any number of lines, negotiations that fail, chosen
// results and capability buffers. Messages are delivered when the test calls deliver(), as the
// service would deliver them on the user-interface thread. Every call is recorded by name.
class ScriptedTapi final : public TapiLineFunctions {
public:
    struct Line {
        bool negotiates = true;
        std::uint32_t version = Tapi::ApiVersion30;
        TapiExtensionId extensionId{};
        // The capability buffer as the service fills it; `capsResult` non-zero fails the load.
        std::function<std::int32_t(QByteArray&)> fillCaps;
        std::int32_t capsResult = 0;
    };

    QList<Line> lines;
    std::int32_t initializeResult = 0;
    // Results of the first Create attempts in turn (then initializeResult).
    QList<std::int32_t> initializeResults;
    std::int32_t openResult = 0;
    std::int32_t makeCallResult = 0; // 0: accepted with the next request id
    std::int32_t dropResult = 0;     // 0: accepted with the next request id
    std::int32_t dialogResult = 0;

    QStringList calls;
    std::uint32_t openPrivileges = 0;
    std::uint32_t openMediaModes = 0;
    std::uintptr_t openInstance = 0;
    std::optional<QByteArray> lastNumber;
    std::optional<QByteArray> lastDialogText;
    std::int32_t lastMakeCallRequest = 0;
    std::int32_t lastDropRequest = 0;
    std::uint32_t initializeVersionIn = 0;
    std::uint32_t lastLowVersion = 0;
    std::uint32_t lastHighVersion = 0;

    // Delivers a message for the open line to the session's handler.
    void deliver(std::uint32_t message, std::uint32_t param1, std::uint32_t param2 = 0);
    void deliverWithInstance(std::uintptr_t instance, std::uint32_t message, std::uint32_t param1,
                             std::uint32_t param2 = 0);
    void reply(std::int32_t request, std::int32_t result) {
        deliver(Tapi::MsgLineReply, std::uint32_t(request), std::uint32_t(result));
    }
    void callState(std::uint32_t state) { deliver(Tapi::MsgLineCallState, state); }

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
    TapiMessageHandler m_handler;
    std::uint32_t m_nextHandle = 0x10;
    std::int32_t m_nextRequest = 100;
};

// A line described the usual way: name, provider, switch texts and the numeric capabilities.
LineDevCaps::Builder describedLine(const QByteArray& name, std::uint32_t bearerModes = 0x1,
                                   std::uint32_t mediaModes = 0x4);

// A line whose capability load fills in `caps`.
inline ScriptedTapi::Line scriptedLine(const LineDevCaps::Builder& caps) {
    ScriptedTapi::Line line;
    line.fillCaps = [caps](QByteArray& buffer) { return caps.fill(buffer); };
    return line;
}
inline ScriptedTapi::Line scriptedLine(const QByteArray& name) {
    return scriptedLine(describedLine(name));
}

// Records the five events in the order they are raised, with the line state at that moment.
struct EventLog {
    QStringList events;
    explicit EventLog(CvbTAPILine& line) {
        QObject::connect(&line, &CvbTAPILine::MakeCallResult, &line, [this, &line](int code) {
            events << u"MakeCallResult %1 open=%2"_s.arg(code).arg(line.lineIsOpen());
        });
        QObject::connect(&line, &CvbTAPILine::DropCallResult, &line,
                         [this](int code) { events << u"DropCallResult %1"_s.arg(code); });
        QObject::connect(&line, &CvbTAPILine::Connected, &line,
                         [this] { events << u"Connected"_s; });
        QObject::connect(&line, &CvbTAPILine::Idle, &line, [this, &line] {
            events << u"Idle open=%1 call=%2"_s.arg(line.lineIsOpen()).arg(line.hasCall());
        });
        QObject::connect(&line, &CvbTAPILine::Disconnected, &line,
                         [this] { events << u"Disconnected"_s; });
    }
};

} // namespace orvelan::test
