#include "exchange/qt/ExchangeWidgets.h"

#include "ui/BackgroundMove.h"
#include "ui/BookLook.h"

#include <QLabel>

#include <QBoxLayout>

#include <QFontDatabase>
#include <QListWidget>
#include <QMouseEvent>
#include <QWindow>

namespace orvelan {

void choose(LabelButton* chosen, LabelButton* other) {
    chosen->setColour(LabelColour::Blue);
    other->setColour(LabelColour::Grey);
}

void makeOptionPair(LabelButton* first, LabelButton* second) {
    first->setKind(LabelButton::Kind::Option);
    second->setKind(LabelButton::Kind::Option);
    QObject::connect(first, &LabelButton::clicked, first, [=] { choose(first, second); });
    QObject::connect(second, &LabelButton::clicked, second, [=] { choose(second, first); });
}

void chooseOne(LabelButton* chosen, const QList<LabelButton*>& labels) {
    for (LabelButton* label : labels)
        label->setColour(label == chosen ? LabelColour::Blue : LabelColour::Grey);
}

void makeOptionGroup(const QList<LabelButton*>& labels) {
    for (LabelButton* label : labels)
        label->setKind(LabelButton::Kind::Option);
    for (LabelButton* label : labels)
        QObject::connect(label, &LabelButton::clicked, label, [=] { chooseOne(label, labels); });
}

void setInfoColour(QLabel* info, bool blue) {
    QPalette palette = info->palette();
    palette.setColor(QPalette::WindowText, blue ? QColor(0, 0, 255) : QColor(0, 0, 0));
    info->setPalette(palette);
}

QListWidget* makeFixedPitchList(const QString& objectName, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(objectName);
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(9);
    list->setFont(font);
    return list;
}

DraggableWindow::DraggableWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowFlag(Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    new BackgroundMove(this);
    // The book's paper and ink: the choices' blue and grey read on any desktop theme.
    setPalette(booklook::paperPalette());
    setAutoFillBackground(true);
}

void DraggableWindow::mousePressEvent(QMouseEvent* event) {
    // A press on the background moves the window (BackgroundMove).
    QWidget::mousePressEvent(event);
}

QListWidget* addRecordList(QBoxLayout* layout, const QString& objectName, QWidget* parent) {
    auto* headings =
        new QLabel(QStringLiteral(" Name                   Organisation                "
                                  "Date Last-Saved       Tab    Page"),
                   parent);
    headings->setFont(QFont(QStringLiteral("Liberation Mono"), 9));
    layout->addWidget(headings);
    QListWidget* list = makeFixedPitchList(objectName, parent);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setMinimumSize(640, 260);
    layout->addWidget(list);
    return list;
}

QList<ListedRecord> selectedRecords(const QListWidget* list, const QList<ListedRecord>& listed) {
    QList<ListedRecord> selected;
    for (int row = 0; row < list->count() && row < listed.size(); ++row) {
        if (list->item(row)->isSelected())
            selected.append(listed[row]);
    }
    return selected;
}

} // namespace orvelan
