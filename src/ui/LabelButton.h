#pragma once

#include "platform/LabelColour.h"

#include <QLabel>

namespace orvelan {

// A label that acts as a button. Its caption and colour are state that actions set and test.
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
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LabelColour m_colour = LabelColour::Grey;
};

} // namespace orvelan
