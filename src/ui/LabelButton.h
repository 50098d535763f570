#pragma once

#include "platform/LabelColour.h"

#include <QLabel>

namespace orvelan {

// A label that acts as a button. Its caption and colour are state that actions set and test.
// The keyboard reaches it with Tab (it shows a focus mark) and presses it with Space or Enter;
// screen readers see a button named by its caption (or its tooltip when it has no caption), or
// for a choice a tick box or an option button that is checked while the label is blue.
class LabelButton : public QLabel {
    Q_OBJECT
public:
    enum class Kind {
        Command, // does something when pressed
        Tick,    // a choice that is on (blue) or off (grey) by itself
        Option,  // one of a group of which one is chosen (blue)
    };

    explicit LabelButton(const QString& objectName, const QString& caption = {},
                         QWidget* parent = nullptr);

    LabelColour colour() const { return m_colour; }
    void setColour(LabelColour colour);
    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }

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
    Kind m_kind = Kind::Command;
};

} // namespace orvelan
