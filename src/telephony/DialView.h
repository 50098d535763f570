#pragma once

#include "platform/LabelColour.h"

#include <QString>

#include <cstdint>

namespace orvelan {

// What the dialing controls of the main window show: the Dial label (`DialLa`), the five field
// markers under `P1Lab` .. `P5Lab`, the call picture `Picture4`, the hang-up button `cmdHangUp`
// and the status label `StatusLa`; and what dialing reads from the window. Fields are numbered
// 1 to 5: Phone1, Phone2, Mobile, Fax, Pager.
class DialView {
public:
    virtual ~DialView() = default;

    virtual QString dialCaption() const = 0;
    virtual void setDialCaption(const QString& caption) = 0;
    virtual LabelColour dialColour() const = 0;
    virtual void setDialColour(LabelColour colour) = 0;
    virtual bool markerVisible(int field) const = 0;
    virtual void setMarkerVisible(int field, bool visible) = 0;
    virtual void setCallPictureVisible(bool visible) = 0;
    virtual bool hangUpVisible() const = 0;
    virtual void setHangUpVisible(bool visible) = 0;
    virtual void setStatusText(const QString& text) = 0;

    // The current text of the field's text box (`SPho1TB`, `SPho2TB`, `SMobiTB`, `SFaxiTB`,
    // `SPageTB`), unsaved edits included.
    virtual QString fieldText(int field) const = 0;
    // The text of the options panel's port list `PortSelectCb` ("COM 1" .. "COM 4").
    virtual QString portSelectText() const = 0;
    // The busy pointer over the window while the telephony session starts.
    virtual void setBusy(bool /*busy*/) {}
    // The window that owns the line dialogs.
    virtual std::uintptr_t ownerWindow() const { return 0; }
};

// The telephony area of the options panel as dialing start-up fills it: the information list
// `lstLineInfo` and the line selector `cboLineSel`.
class TapiConsole {
public:
    virtual ~TapiConsole() = default;
    // Adds a line to `lstLineInfo` and repaints it at once.
    virtual void addInfo(const QString& text) = 0;
    virtual void addLineEntry(const QString& text) = 0;
    virtual QStringList lineEntries() const = 0;
    // Selects an entry of `cboLineSel`; selecting lists that line's information.
    virtual void selectLineEntry(int index) = 0;
};

} // namespace orvelan
