#pragma once

#include "telephony/DialView.h"

namespace orvelan {

class BookContext;
class Settings;

// The dialing controls of the open book as the dialing controller sees them: the Dial label,
// the five markers, the call picture, the hang-up button and the status line all live in the
// book's view state, and the numbers are the page texts as they stand, edits included.
class BookDialView final : public DialView {
public:
    BookDialView(BookContext& book, const Settings& settings)
        : m_book(book), m_settings(settings) {}

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

private:
    BookContext& m_book;
    const Settings& m_settings;
};

} // namespace orvelan
