#include "telephony/qt/WidgetDialView.h"

#include "book/LabelButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace orvelan {

QWidget* WidgetDialView::marker(int field) const {
    if (field < 1 || field > int(m_controls.markers.size()))
        return nullptr;
    return m_controls.markers[std::size_t(field - 1)];
}

QString WidgetDialView::dialCaption() const {
    return m_controls.dial->caption();
}

void WidgetDialView::setDialCaption(const QString& caption) {
    m_controls.dial->setCaption(caption);
}

LabelColour WidgetDialView::dialColour() const {
    return m_controls.dial->colour();
}

void WidgetDialView::setDialColour(LabelColour colour) {
    m_controls.dial->setColour(colour);
}

bool WidgetDialView::markerVisible(int field) const {
    const QWidget* line = marker(field);
    return line && !line->isHidden();
}

void WidgetDialView::setMarkerVisible(int field, bool visible) {
    if (QWidget* line = marker(field))
        line->setVisible(visible);
}

void WidgetDialView::setCallPictureVisible(bool visible) {
    if (m_controls.callPicture)
        m_controls.callPicture->setVisible(visible);
}

bool WidgetDialView::hangUpVisible() const {
    return m_controls.hangUp && !m_controls.hangUp->isHidden();
}

void WidgetDialView::setHangUpVisible(bool visible) {
    if (m_controls.hangUp)
        m_controls.hangUp->setVisible(visible);
}

void WidgetDialView::setStatusText(const QString& text) {
    m_controls.status->setText(text);
    m_controls.status->repaint();
}

QString WidgetDialView::fieldText(int field) const {
    if (field < 1 || field > int(m_controls.fields.size()) ||
        !m_controls.fields[std::size_t(field - 1)])
        return {};
    return m_controls.fields[std::size_t(field - 1)]->text();
}

QString WidgetDialView::portSelectText() const {
    return m_controls.portSelect ? m_controls.portSelect->currentText() : QString();
}

void WidgetDialView::setBusy(bool busy) {
    QWidget* window = m_controls.dial->window();
    if (busy)
        window->setCursor(Qt::WaitCursor);
    else
        window->unsetCursor();
}

std::uintptr_t WidgetDialView::ownerWindow() const {
    return std::uintptr_t(m_controls.dial->window()->effectiveWinId());
}

} // namespace orvelan
