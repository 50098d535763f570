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

    bool isSet() const { return !url.isEmpty(); }

    // A missing file gives an empty account; false with `error` for a damaged one.
    static bool load(const BookFolder& folder, SyncAccount& account, QString& error);
    // 0 when written; else a runtime error number.
    int save(const BookFolder& folder) const;
};

QString syncAccountPath(const BookFolder& folder);
QString syncStatePath(const BookFolder& folder);

} // namespace orvelan
