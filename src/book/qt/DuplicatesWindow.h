#pragma once

#include "book/DuplicateReview.h"
#include "platform/Clock.h"
#include "store/BookFolder.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace orvelan {

// The Duplicates window frmDuplicates: the groups of pages that hold the same person, the pages
// of the chosen group side by side (a column each), and Merge, which keeps the page of the chosen
// column. Finding and merging are the library's (DuplicateReview); the window lists and asks.
class DuplicatesWindow final : public QWidget {
    Q_OBJECT
public:
    DuplicatesWindow(BookFolder folder, const Clock& clock, QWidget* parent = nullptr);

    // Finds the groups again and shows the window.
    void open();
    // Merges the chosen group into the page of the chosen column (the first when none is).
    void mergeChosen();

Q_SIGNALS:
    // Pages were merged: the book shows its page again.
    void merged();

private:
    void fillGroups();
    void showGroup(int group);

    DuplicateReview m_review;
    QListWidget* m_groups = nullptr;
    QTableWidget* m_pages = nullptr;
    QPushButton* m_merge = nullptr;
    QLabel* m_result = nullptr;
};

} // namespace orvelan
