#include "ui/LabelButton.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace orvelan {

namespace {

// What assistive technology sees of a LabelButton: a button with its caption, which it can press;
// a choice is a tick box or an option button, checked while it is blue.
class AccessibleLabelButton final : public QAccessibleWidget {
public:
    explicit AccessibleLabelButton(LabelButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::Role role() const override {
        switch (static_cast<const LabelButton*>(widget())->kind()) {
        case LabelButton::Kind::Tick:
            return QAccessible::CheckBox;
        case LabelButton::Kind::Option:
            return QAccessible::RadioButton;
        case LabelButton::Kind::Command:
            break;
        }
        return QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* button = static_cast<const LabelButton*>(widget());
        if (button->kind() != LabelButton::Kind::Command) {
            state.checkable = true;
            state.checked = button->colour() == LabelColour::Blue;
        }
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        const auto* button = static_cast<const LabelButton*>(widget());
        if (kind == QAccessible::Name) {
            if (!button->accessibleName().isEmpty())
                return button->accessibleName();
            const QString caption = button->caption().simplified();
            return caption.isEmpty() ? button->toolTip().simplified() : caption;
        }
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction())
            Q_EMIT static_cast<LabelButton*>(widget())->clicked();
    }
};

QAccessibleInterface* accessibleLabelButton(const QString& className, QObject* object) {
    if (className == QLatin1StringView(LabelButton::staticMetaObject.className()) &&
        object->isWidgetType())
        return new AccessibleLabelButton(static_cast<LabelButton*>(object));
    return nullptr;
}

} // namespace

LabelButton::LabelButton(const QString& objectName, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
    setColour(LabelColour::Grey);
    // Tab reaches it; a mouse click leaves the focus where it was, as on the labels it replaces.
    setFocusPolicy(Qt::TabFocus);
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleLabelButton);
        return true;
    }();
    Q_UNUSED(accessible);
}

QColor LabelButton::rgb(LabelColour colour) {
    switch (colour) {
    case LabelColour::Blue:
        return QColor(0, 0, 255);
    case LabelColour::Red:
        return QColor(255, 0, 0);
    case LabelColour::Grey:
        break;
    }
    return QColor(128, 128, 128);
}

void LabelButton::setColour(LabelColour colour) {
    const bool checkedChanges =
        m_kind != Kind::Command && (colour == LabelColour::Blue) != (m_colour == LabelColour::Blue);
    m_colour = colour;
    if (checkedChanges && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, rgb(colour));
    setPalette(palette);
}

void LabelButton::mousePressEvent(QMouseEvent* event) {
    // The press belongs to the button: it must not reach the window, whose background starts
    // a window move on a press.
    QLabel::mousePressEvent(event);
    event->accept();
}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void LabelButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

void LabelButton::keyPressEvent(QKeyEvent* event) {
    // A label that has keyboard focus acts on Space and Enter like a button.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        Q_EMIT clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LabelButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The focus mark: a dotted frame in the label's own colour.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace orvelan
