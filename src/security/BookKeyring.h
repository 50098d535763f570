#pragma once

#include "store/BookFolder.h"

namespace orvelan {

class PasswordStore;

// "Remember on this computer": the key of an open encrypted book kept in the desktop keyring,
// under an entry named after the book id, so the book opens without asking on this computer.
// Forgetting empties the entry.
bool rememberBookKey(const BookFolder& folder, PasswordStore& keyring);
bool forgetBookKey(const BookFolder& folder, PasswordStore& keyring);
// Opens a locked book with the remembered key; false when none is kept (or it no longer fits).
bool unlockFromKeyring(const BookFolder& folder, PasswordStore& keyring);

} // namespace orvelan
