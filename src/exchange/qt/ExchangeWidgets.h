#pragma once

#include "exchange/RecordList.h"
#include "ui/LabelButton.h"

#include <QWidget>

class QLabel;
class QBoxLayout;
class QListWidget;

namespace orvelan {

// A listing longer than this shows a busy text after each tab.
inline constexpr int BusyNoticeAfter = 500;

// Two labels that act as a pair of option buttons: the chosen one is blue, the other grey.
void makeOptionPair(LabelButton* first, LabelButton* second);
// Whether `label` is the chosen one of its pair.
inline bool isChosen(const LabelButton* label) {
    return label->colour() == LabelColour::Blue;
}
void choose(LabelButton* chosen, LabelButton* other);
// More than two labels acting as option buttons: clicking one makes it blue, the others grey.
void makeOptionGroup(const QList<LabelButton*>& labels);
void chooseOne(LabelButton* chosen, const QList<LabelButton*>& labels);

// The status label's text colour: blue for "nothing found", black otherwise.
void setInfoColour(QLabel* info, bool blue);

// A list in the fixed-pitch font, so the columns of its lines stand under each other.
QListWidget* makeFixedPitchList(const QString& objectName, QWidget* parent);
// The record list of the import and export windows under its column headings, added to
// `layout`; several records can be selected.
QListWidget* addRecordList(QBoxLayout* layout, const QString& objectName, QWidget* parent);
// The records whose lines are selected in `list`, which shows `listed` line for line.
QList<ListedRecord> selectedRecords(const QListWidget* list, const QList<ListedRecord>& listed);

// A frameless window moved by dragging its surface.
class DraggableWindow : public QWidget {
    Q_OBJECT
public:
    explicit DraggableWindow(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace orvelan
