#pragma once

#include "HookClock.h"
#include "ScriptedTapi.h"
#include "store/Settings.h"
#include "support/ScriptedPrompter.h"
#include "telephony/DialController.h"
#include "telephony/DialView.h"
#include "telephony/SerialPort.h"

#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace orvelan::test {

// The main window's dialing controls as plain state, with every status text recorded.
class FakeDialView final : public DialView {
public:
    QString caption = QStringLiteral("Dial");
    LabelColour colour = LabelColour::Grey;
    std::array<bool, 6> markers{};
    bool callPicture = false;
    bool hangUp = false;
    QString status;
    QStringList statusHistory;
    std::array<QString, 6> fields;
    QString port = QStringLiteral("COM 1");

    QString dialCaption() const override { return caption; }
    void setDialCaption(const QString& text) override { caption = text; }
    LabelColour dialColour() const override { return colour; }
    void setDialColour(LabelColour value) override { colour = value; }
    bool markerVisible(int field) const override { return markers.at(std::size_t(field)); }
    void setMarkerVisible(int field, bool visible) override {
        markers.at(std::size_t(field)) = visible;
    }
    void setCallPictureVisible(bool visible) override { callPicture = visible; }
    bool hangUpVisible() const override { return hangUp; }
    void setHangUpVisible(bool visible) override { hangUp = visible; }
    void setStatusText(const QString& text) override {
        status = text;
        statusHistory << text;
    }
    QString fieldText(int field) const override { return fields.at(std::size_t(field)); }
    QString portSelectText() const override { return port; }
};

// The options panel's telephony area as plain lists; selecting an entry runs `onSelect`.
class FakeConsole final : public TapiConsole {
public:
    QStringList info;
    QStringList entries;
    int selected = -1;
    std::function<void(const QString&)> onSelect;

    void addInfo(const QString& text) override { info << text; }
    void addLineEntry(const QString& text) override { entries << text; }
    QStringList lineEntries() const override { return entries; }
    void selectLineEntry(int index) override {
        selected = index;
        if (onSelect)
            onSelect(entries.value(index));
    }
};

// A serial port that records what is written and hands out scripted input. `failOn` names an
// operation ("open", "write", ...) that throws `failCode`.
class FakeSerialPort final : public SerialPort {
public:
    int portNumber = 0;
    QString settings;
    bool opened = false;
    QByteArray written;
    QByteArray input;
    QString failOn;
    int failCode = 0;
    int opens = 0;

    void setPortNumber(int port) override {
        check(QStringLiteral("port"));
        portNumber = port;
    }
    void setSettings(const QString& text) override { settings = text; }
    void open() override {
        check(QStringLiteral("open"));
        if (opened)
            throw SerialFailure{SerialError::PortAlreadyOpen};
        opened = true;
        ++opens;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    int waitingCount() override {
        requireOpen();
        return int(input.size());
    }
    void clearInput() override {
        requireOpen();
        input.clear();
    }
    void write(const QByteArray& bytes) override {
        requireOpen();
        check(QStringLiteral("write"));
        written += bytes;
    }
    QByteArray readInput() override {
        requireOpen();
        return std::exchange(input, QByteArray());
    }

private:
    void requireOpen() const {
        if (!opened)
            throw SerialFailure{SerialError::PortNotOpen};
    }
    void check(const QString& operation) const {
        if (failOn == operation)
            throw SerialFailure{failCode};
    }
};

// What a dial controller works with, as fakes; `makeController` builds one over them, on
// `device` when given (a real port) and on the scripted `port` otherwise.
struct DialRig {
    FakeDialView view;
    ScriptedPrompter prompter;
    HookClock clock;
    Settings settings;
    ScriptedTapi tapi;
    FakeSerialPort port;
    std::unique_ptr<DialController> controller;

    DialController& makeController(bool tapiEnabled = true, SerialPort* device = nullptr) {
        controller = std::make_unique<DialController>(DialController::Context{
            view, prompter, clock, settings, tapiEnabled, tapi, device ? *device : port});
        return *controller;
    }
};

} // namespace orvelan::test
