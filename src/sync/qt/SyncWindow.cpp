#include "sync/qt/SyncWindow.h"

#include "store/Trash.h"
#include "sync/net/SyncSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvelan {

namespace {

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

} // namespace

SyncWindow::SyncWindow(BookFolder folder, Clock& clock, PasswordStore* keyring, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(folder)), m_clock(clock), m_keyring(keyring) {
    setObjectName(QStringLiteral("frmSync"));
    setWindowTitle(QStringLiteral("ORVELAN Sync"));
    m_url = named(new QLineEdit(this), "SyncUrlTB");
    m_url->setPlaceholderText(QStringLiteral("https://dav.example.org/"));
    m_user = named(new QLineEdit(this), "SyncUserTB");
    m_password = named(new QLineEdit(this), "SyncPassTB");
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(QStringLiteral("kept in the desktop keyring"));
    m_book = named(new QComboBox(this), "SyncBookCb");
    m_book->setEditable(true);
    m_book->setToolTip(QStringLiteral("Empty: the only (or first) address book"));
    m_find = named(new QPushButton(QStringLiteral("Find"), this), "SyncFindBu");
    m_onOpenClose =
        named(new QCheckBox(QStringLiteral("Sync when the book opens and closes"), this),
              "SyncOpenCloseCk");
    m_plainHttp = named(
        new QCheckBox(QStringLiteral("Allow unencrypted http:// (readable on the network)"), this),
        "SyncPlainHttpCk");
    m_plainHttp->setToolTip(QStringLiteral("With http:// the password and every contact cross the "
                                           "network unencrypted: only for a network you trust. "
                                           "https:// needs no leave."));
    m_syncNow = named(new QPushButton(QStringLiteral("Sync now"), this), "SyncNowBu");
    m_progress = named(new QProgressBar(this), "SyncProgress");
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_result = named(new QLabel(this), "SyncResultLa");
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = named(new QPushButton(QStringLiteral("Close"), this), "SyncCloseBu");

    auto* bookRow = new QHBoxLayout;
    bookRow->addWidget(m_book, 1);
    bookRow->addWidget(m_find);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), m_url);
    form->addRow(QStringLiteral("User:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    form->addRow(QStringLiteral("Address book:"), bookRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_syncNow);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_onOpenClose);
    layout->addWidget(m_plainHttp);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_result);
    resize(460, sizeHint().height());

    confirmDeletions = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("ORVELAN Sync"), question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    connect(m_find, &QPushButton::clicked, this, &SyncWindow::findAddressBooks);
    connect(m_syncNow, &QPushButton::clicked, this, &SyncWindow::syncNow);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_onOpenClose, &QCheckBox::toggled, this, [this](bool on) {
        SyncAccount account;
        QString error;
        if (m_busy || !SyncAccount::load(m_folder, account, error) || !account.isSet())
            return;
        account.syncOnOpenClose = on;
        account.save(m_folder);
    });
}

void SyncWindow::open() {
    SyncAccount account;
    QString error;
    if (!SyncAccount::load(m_folder, account, error))
        showResult(error, true);
    m_busy = true; // filling the fields is no change of the account
    m_url->setText(account.url);
    m_user->setText(account.user);
    m_book->setEditText(account.addressBook);
    m_onOpenClose->setChecked(account.syncOnOpenClose);
    m_plainHttp->setChecked(account.allowPlainHttp);
    m_busy = false;
    QString password;
    if (m_keyring && account.isSet() &&
        m_keyring->read(passwordKey(account.user, account.url), password))
        m_password->setText(password);
    show();
    raise();
    activateWindow();
    (account.isSet() ? static_cast<QWidget*>(m_syncNow) : m_url)->setFocus();
}

bool SyncWindow::gather(SyncAccount& account, QString& password) {
    QString error;
    SyncAccount stored;
    SyncAccount::load(m_folder, stored, error);
    account = stored;
    account.url = m_url->text().trimmed();
    account.user = m_user->text().trimmed();
    account.addressBook = m_book->currentText().trimmed();
    account.syncOnOpenClose = m_onOpenClose->isChecked();
    account.allowPlainHttp = m_plainHttp->isChecked();
    if (account.url != stored.url || account.user != stored.user ||
        account.addressBook != stored.addressBook)
        account.addressBookUrl.clear();
    if (account.url.isEmpty()) {
        showResult(QStringLiteral("Give the address of your contacts server."), true);
        return false;
    }
    password = m_password->text();
    if (!password.isEmpty() || account.user.isEmpty()) // no user: a server without logins
        return true;
    if (!findSyncPassword(m_keyring, passwordKey(account.user, account.url), {}, password, error)) {
        showResult(QStringLiteral("Give the password for this server."), true);
        return false;
    }
    return true;
}

QString SyncWindow::password() const {
    return m_password->text();
}

void SyncWindow::findAddressBooks() {
    SyncAccount account;
    QString password;
    if (m_busy || !gather(account, password))
        return;
    m_busy = true;
    showResult(QStringLiteral("Looking for address books..."), false);
    QList<DavClient::AddressBook> books;
    QString error;
    const bool ok = listAddressBooks(account, password, books, error);
    m_busy = false;
    if (!ok) {
        showResult(error, true);
        return;
    }
    const QString chosen = m_book->currentText();
    m_book->clear();
    for (const DavClient::AddressBook& book : std::as_const(books))
        m_book->addItem(book.name);
    m_book->setEditText(chosen.isEmpty() && !books.isEmpty() ? books.first().name : chosen);
    showResult(books.isEmpty() ? QStringLiteral("No address book yet: Sync now creates one.")
                               : QStringLiteral("%1 address book(s) found.").arg(books.size()),
               false);
}

void SyncWindow::syncNow() {
    SyncRequest request;
    if (m_busy || !gather(request.account, request.password))
        return;
    m_busy = true;
    Q_EMIT syncStarted();
    m_syncNow->setEnabled(false);
    m_find->setEnabled(false);
    m_progress->setRange(0, 0); // busy until the steps are known
    showResult(QStringLiteral("Syncing..."), false);
    const auto progress = [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    };
    SyncOutcome outcome = runSync(m_folder, m_clock, request, progress);
    // Past the delete limit the sync changed nothing and asks whether the deletions are meant.
    if (!outcome.ok && outcome.report.deletionsHeld() && confirmDeletions &&
        confirmDeletions(heldDeletionsText(outcome.report) +
                         QStringLiteral("\n\nDelete them? Deleted pages and cards are kept in the "
                                        "trash for %1 days.")
                             .arg(Trash::KeepDays))) {
        request.account = outcome.account;
        request.allowDeletions = true;
        outcome = runSync(m_folder, m_clock, request, progress);
    }
    if (!outcome.account.addressBookUrl.isEmpty())
        outcome.account.save(m_folder);
    m_progress->setRange(0, 1);
    m_progress->setValue(outcome.ok ? 1 : 0);
    m_busy = false;
    m_syncNow->setEnabled(true);
    m_find->setEnabled(true);
    // The keyring keeps a password once the server has taken it; without one, the user is told
    // it is kept for this run only.
    bool kept = true;
    if (outcome.ok && !m_password->text().isEmpty())
        kept = m_keyring && m_keyring->write(passwordKey(request.account.user, request.account.url),
                                             request.password);
    if (outcome.ok && kept)
        showResult(syncSummary(outcome.report), false);
    else if (outcome.ok)
        showResult(syncSummary(outcome.report) +
                       QStringLiteral("\nThe password could not be kept: no desktop keyring "
                                      "answers. It is used until the program ends and asked for "
                                      "again after that."),
                   false);
    else
        showResult(outcome.error, true);
    Q_EMIT synced();
}

void SyncWindow::showResult(const QString& text, bool failed) {
    m_result->setText(text);
    m_result->setStyleSheet(failed ? QStringLiteral("color: rgb(255, 0, 0);") : QString());
    // A longer result (a list of conflicts) makes the window taller, never the fields smaller.
    const int forWidth = layout()->totalHeightForWidth(width());
    const int needed = forWidth > 0 ? forWidth : layout()->totalSizeHint().height();
    if (needed > height())
        resize(width(), needed);
}

} // namespace orvelan
