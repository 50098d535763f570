#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"
#include "sync/PasswordStore.h"
#include "sync/SyncAccount.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orvelan {

// The sync window frmSync: the server, user and password (kept in the keyring), the address
// book to use, "Sync now" with a progress bar and the result, and whether to sync when the book
// opens and closes. The sync itself is the logic's (runSync); the window only gathers and shows.
class SyncWindow final : public QWidget {
    Q_OBJECT
public:
    SyncWindow(BookFolder folder, Clock& clock, PasswordStore* keyring, QWidget* parent = nullptr);

    // Fills the fields from the stored account and shows the window.
    void open();
    // Lists the user's address books on the server into the choice.
    void findAddressBooks();
    // One whole sync with what the fields hold; the result goes into SyncResultLa.
    void syncNow();
    bool busy() const { return m_busy; }
    // The password typed into the window in this run (empty when none was).
    QString password() const;

    // Asks whether a sync past the delete limit may go on (a question box unless replaced).
    std::function<bool(const QString& question)> confirmDeletions;

Q_SIGNALS:
    // A sync begins: nothing else may write the book until synced().
    void syncStarted();
    // The book's pages may have changed: the main window shows its page again.
    void synced();

private:
    bool gather(SyncAccount& account, QString& password);
    void showResult(const QString& text, bool failed);

    BookFolder m_folder;
    Clock& m_clock;
    PasswordStore* m_keyring;
    bool m_busy = false;

    QLineEdit* m_url = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_book = nullptr;
    QCheckBox* m_onOpenClose = nullptr;
    QCheckBox* m_plainHttp = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_syncNow = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_result = nullptr;
};

} // namespace orvelan
