#pragma once

#include "print/PagePrintout.h"
#include "ui/LabelButton.h"

namespace orvelan {

// A Print label as the busy mark of its print command: blue while a printout runs, grey else.
class LabelBusyMark final : public BusyMark {
public:
    explicit LabelBusyMark(LabelButton& label) : m_label(label) {}
    bool busy() const override { return m_label.colour() == LabelColour::Blue; }
    void setBusy(bool busy) override {
        m_label.setColour(busy ? LabelColour::Blue : LabelColour::Grey);
    }

private:
    LabelButton& m_label;
};

} // namespace orvelan
