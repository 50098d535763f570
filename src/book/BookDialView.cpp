#include "book/BookDialView.h"

#include "book/BookContext.h"
#include "store/Settings.h"

namespace orvelan {

namespace {
bool validField(int field) {
    return field >= 1 && field <= DialFieldCount;
}
} // namespace

QString BookDialView::dialCaption() const {
    return m_book.view().dial.caption;
}

void BookDialView::setDialCaption(const QString& caption) {
    m_book.view().dial.caption = caption;
    m_book.notify();
}

LabelColour BookDialView::dialColour() const {
    return m_book.view().dial.colour;
}

void BookDialView::setDialColour(LabelColour colour) {
    m_book.view().dial.colour = colour;
    m_book.notify();
}

bool BookDialView::markerVisible(int field) const {
    return validField(field) && m_book.view().dialMarks[field - 1];
}

void BookDialView::setMarkerVisible(int field, bool visible) {
    if (!validField(field))
        return;
    m_book.view().dialMarks[field - 1] = visible;
    if (visible)
        m_book.view().dialField = field;
    m_book.notify();
}

void BookDialView::setCallPictureVisible(bool visible) {
    m_book.view().callPictureVisible = visible;
    m_book.notify();
}

bool BookDialView::hangUpVisible() const {
    return m_book.view().hangUpVisible;
}

void BookDialView::setHangUpVisible(bool visible) {
    m_book.view().hangUpVisible = visible;
    m_book.notify();
}

void BookDialView::setStatusText(const QString& text) {
    m_book.view().statusText = text;
    m_book.notify();
}

QString BookDialView::fieldText(int field) const {
    return validField(field) ? m_book.view().texts[DialFieldViewIndex[field - 1]] : QString();
}

QString BookDialView::portSelectText() const {
    return QStringLiteral("COM %1").arg(m_settings.serialPort());
}

} // namespace orvelan
