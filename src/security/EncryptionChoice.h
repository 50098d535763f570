#pragma once

#include "security/BookEncryption.h"
#include "store/Session.h"

#include <functional>
#include <optional>

namespace orvelan {

// Asks for a password in a box that hides it; empty when the user cancels.
using PasswordQuestion = std::function<std::optional<QString>(const QString& title,
                                                              const QString& text)>;

// The tick box "Encrypt the book with the master password" of the options panel: turning it on
// encrypts the open book (setting a master password first when there is none), turning it off
// decrypts it after the password is given again. The user is warned that a forgotten password
// cannot be recovered, and offered a recovery key. Returns whether the book is encrypted after.
class EncryptionChoice {
public:
    EncryptionChoice(Session& session, PasswordQuestion ask, ConversionProgress progress)
        : m_session(session), m_ask(std::move(ask)), m_progress(std::move(progress)) {}

    bool encrypt();
    bool decrypt();

    static const QString& caption(); // "Encrypt the book with the master password"

private:
    std::optional<QString> newPassword();
    void tell(const QString& text, PromptIcon icon);

    Session& m_session;
    PasswordQuestion m_ask;
    ConversionProgress m_progress;
};

} // namespace orvelan
