#pragma once

#include "security/BookKeyFile.h"
#include "store/BookFolder.h"

#include <QString>

#include <functional>

namespace orvelan {

// Unlocking an encrypted book: the book key from book.key, put into the folder's sealing so
// every file class reads and writes sealed records from then on.
struct Unlocking {
    bool ok = false;
    bool wrongPassword = false; // the password opens no slot (or book.key's slot is damaged)
    QString error;              // what the user is told when not ok
};
Unlocking unlockBook(const BookFolder& folder, QStringView password);
Unlocking unlockBookWithRecoveryKey(const BookFolder& folder, QStringView recoveryKey);
// With the raw book key kept in the keyring ("Remember on this computer").
Unlocking unlockBookWithKey(const BookFolder& folder, QByteArrayView rawKey);
// The raw key of the open book, for the keyring; empty when the book is not open.
QByteArray rawBookKey(const BookFolder& folder);

// Fractions 0..1 of a conversion's work.
using ConversionProgress = std::function<void(double)>;

struct ConversionOutcome {
    bool ok = false;
    QString error;
    bool wrongPassword = false; // the password opens no slot of book.key
    QString recoveryKey;        // shown once, when one was asked for
    qint64 pages = 0;           // records converted in the tab files
};

// Encrypts a plain book with `password` (every record file, the files sealed whole, the
// password field of ossabusr.dat emptied), crash-safe through the conversion journal. Call it
// holding the book's lock. On success the folder is open with the new key.
ConversionOutcome encryptBook(const BookFolder& folder, QStringView password, bool withRecoveryKey,
                              const ConversionProgress& progress = {},
                              KdfLimits limits = KdfLimits::standard());
// Decrypts an open encrypted book; `password` goes back into ossabusr.dat's password field
// (when it fits) so the plain book keeps asking for it. A damaged page stops it before
// anything changes.
ConversionOutcome decryptBook(const BookFolder& folder, QStringView password,
                              const ConversionProgress& progress = {});
// Rewraps the book key under a new password; pages are not rewritten.
ConversionOutcome changeBookPassword(const BookFolder& folder, QStringView oldPassword,
                                     QStringView newPassword,
                                     KdfLimits limits = KdfLimits::standard());
// Sets a new password with the recovery key, for a forgotten one: the book key is rewrapped
// under `newPassword`, the recovery slot stays.
ConversionOutcome changeBookPasswordWithRecoveryKey(const BookFolder& folder,
                                                    QStringView recoveryKey,
                                                    QStringView newPassword,
                                                    KdfLimits limits = KdfLimits::standard());
// Adds a recovery slot to an open book; its text is in recoveryKey.
ConversionOutcome addRecoveryKey(const BookFolder& folder, QStringView password);

} // namespace orvelan
