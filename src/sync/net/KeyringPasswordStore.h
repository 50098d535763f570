#pragma once

#include "sync/PasswordStore.h"

namespace orvelan {

// Passwords in the desktop keyring (Secret Service, KWallet ...) through QtKeychain. Each call
// waits for the keyring's answer; with no keyring running it fails at once.
class KeyringPasswordStore final : public PasswordStore {
public:
    bool read(const QString& key, QString& password) override;
    bool write(const QString& key, const QString& password) override;
};

} // namespace orvelan
