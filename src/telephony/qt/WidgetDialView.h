#pragma once

#include "telephony/DialView.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace orvelan {

class LabelButton;

// The dialing controls of the main window as the dialing controller sees them. The window keeps
// ownership of every control; any pointer but `dial` and `status` may be null.
class WidgetDialView final : public DialView {
public:
    struct Controls {
        LabelButton* dial = nullptr;        // DialLa
        std::array<QWidget*, 5> markers{};  // the mark lines under P1Lab .. P5Lab
        QWidget* callPicture = nullptr;     // Picture4
        QWidget* hangUp = nullptr;          // cmdHangUp
        QLabel* status = nullptr;           // StatusLa
        std::array<QLineEdit*, 5> fields{}; // SPho1TB, SPho2TB, SMobiTB, SFaxiTB, SPageTB
        QComboBox* portSelect = nullptr;    // PortSelectCb of the options panel
    };

    explicit WidgetDialView(Controls controls) : m_controls(controls) {}

    QString dialCaption() const override;
    void setDialCaption(const QString& caption) override;
    LabelColour dialColour() const override;
    void setDialColour(LabelColour colour) override;
    bool markerVisible(int field) const override;
    void setMarkerVisible(int field, bool visible) override;
    void setCallPictureVisible(bool visible) override;
    bool hangUpVisible() const override;
    void setHangUpVisible(bool visible) override;
    void setStatusText(const QString& text) override;
    QString fieldText(int field) const override;
    QString portSelectText() const override;
    void setBusy(bool busy) override;
    std::uintptr_t ownerWindow() const override;

private:
    QWidget* marker(int field) const;

    Controls m_controls;
};

} // namespace orvelan
