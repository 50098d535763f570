#pragma once

#include <QString>

namespace orvelan {

// The desktop keyring, where sync passwords are kept (never in the book folder).
class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // False when no keyring answers (a server without a desktop session).
    virtual bool read(const QString& key, QString& password) = 0;
    virtual bool write(const QString& key, const QString& password) = 0;
};

// The keyring entry of an account.
QString passwordKey(const QString& user, const QString& url);

// The first line of a password file, without its line break.
bool readPasswordFile(const QString& path, QString& password, QString& error);

// The password for a sync: from the file given now (kept in the keyring when one runs), else
// from ORVELAN_SYNC_PASSWORD, else from the keyring. False with a message when there is none.
bool findSyncPassword(PasswordStore* keyring, const QString& key, const QString& passwordFile,
                      QString& password, QString& error);

} // namespace orvelan
