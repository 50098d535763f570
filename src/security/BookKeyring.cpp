#include "security/BookKeyring.h"

#include "security/BookEncryption.h"
#include "security/BookKeyFile.h"
#include "sync/PasswordStore.h"

#include <sodium.h>

namespace orvelan {

namespace {

// The keyring entry of a book: its id, so a copied folder shares it and another book does not.
std::optional<QString> entryOf(const BookFolder& folder) {
    QString why;
    const auto file = readBookKey(folder, why);
    if (!file)
        return std::nullopt;
    return QStringLiteral("orvelan book key ") + QString::fromLatin1(file->bookId.toBase64());
}

} // namespace

bool rememberBookKey(const BookFolder& folder, PasswordStore& keyring) {
    const auto entry = entryOf(folder);
    QByteArray raw = rawBookKey(folder);
    if (!entry || raw.isEmpty())
        return false;
    const bool written = keyring.write(*entry, QString::fromLatin1(raw.toBase64()));
    sodium_memzero(raw.data(), size_t(raw.size()));
    return written;
}

bool forgetBookKey(const BookFolder& folder, PasswordStore& keyring) {
    const auto entry = entryOf(folder);
    return entry && keyring.write(*entry, QString());
}

bool unlockFromKeyring(const BookFolder& folder, PasswordStore& keyring) {
    const auto entry = entryOf(folder);
    QString kept;
    if (!entry || !keyring.read(*entry, kept) || kept.isEmpty())
        return false;
    QByteArray raw = QByteArray::fromBase64(kept.toLatin1());
    const bool ok = unlockBookWithKey(folder, raw).ok;
    sodium_memzero(raw.data(), size_t(raw.size()));
    return ok;
}

} // namespace orvelan
