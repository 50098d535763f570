#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace orvelan {

// The trash window frmTrash: the pages and cards that left the book, newest first, and Restore
// for the chosen ones. The trash itself is the library's (Trash); the window lists and asks.
class TrashWindow final : public QWidget {
    Q_OBJECT
public:
    TrashWindow(BookFolder folder, const Clock& clock, QWidget* parent = nullptr);

    // Reads the trash into the list and shows the window.
    void open();
    // Puts the chosen entries back into the book.
    void restoreChosen();

Q_SIGNALS:
    // Pages were put back: the book shows its page again.
    void restored();

private:
    void fill();
    void fitToLines();

    BookFolder m_folder;
    const Clock& m_clock;
    QListWidget* m_list = nullptr;
    QPushButton* m_restore = nullptr;
    QLabel* m_result = nullptr;
};

} // namespace orvelan
