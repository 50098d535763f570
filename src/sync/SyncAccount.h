#pragma once

#include "store/BookFolder.h"

#include <QString>

namespace orvelan {

// The contacts server a book syncs with. Kept in the book folder's sync/account.json; the
// password never is (see PasswordStore).
struct SyncAccount {
    QString url; // as the user gave it: the server, their principal or the book
    QString user;
    QString addressBook;    // the address book asked for by name, or empty for the only/first
    QString addressBookUrl; // the address book found on the server by the last sync
    QString caFile;         // an extra certificate authority (PEM) to trust
    bool syncOnOpenClose = false;
    // The user accepts http:// to another machine: the password and the contacts cross the
    // network readable.
    bool allowPlainHttp = false;

    bool isSet() const { return !url.isEmpty(); }

    // A missing file gives an empty account; false with `error` for a damaged one.
    static bool load(const BookFolder& folder, SyncAccount& account, QString& error);
    // 0 when written; else a runtime error number.
    int save(const BookFolder& folder) const;
};

// Why the account's server may not be used: an http:// address of another machine, unless the
// user allowed it; else empty. `warning` is set for an http:// address of this machine.
QString plainHttpRefusal(const SyncAccount& account, QString& warning);
// Whether the host is this machine: localhost, 127.0.0.0/8 or ::1.
bool isLoopbackHost(const QString& host);

QString syncAccountPath(const BookFolder& folder);
QString syncStatePath(const BookFolder& folder);

} // namespace orvelan
