#pragma once

#include "platform/LabelColour.h"

#include <QLabel>

namespace orvelan {

// A label that acts as a button. Its caption and colour are state that actions set and test.
// The keyboard reaches it with Tab (it shows a focus mark) and presses it with Space or Enter;
// screen readers see a button named by its caption (or its tooltip when it has no caption).
class LabelButton : public QLabel {
    Q_OBJECT
public:
    explicit LabelButton(const QString& objectName, const QString& caption = {},
                         QWidget* parent = nullptr);

    LabelColour colour() const { return m_colour; }
    void setColour(LabelColour colour);
    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

    static QColor rgb(LabelColour colour);

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    LabelColour m_colour = LabelColour::Grey;
};

} // namespace orvelan
