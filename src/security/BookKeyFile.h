#pragma once

#include "security/BookKey.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace orvelan {

class BookFolder;

// The cost of deriving a key from the master password with Argon2id (crypto_pwhash). Stored in
// each password slot, so a book keeps opening when the standard is raised.
struct KdfLimits {
    quint64 opslimit = 0;
    quint64 memlimit = 0; // bytes
    static KdfLimits standard();
};

// book.key: the book id and the slots that each wrap the one book key. A password slot wraps
// it under a key derived from the master password; a recovery slot under a random recovery key
// shown to the user once. Slots of kinds this version does not know are kept as they are.
class BookKeyFile {
public:
    QByteArray bookId;
    QList<QJsonObject> slots;

    // Parses the file; empty with `why` set when it is not a book key this program can use.
    static std::optional<BookKeyFile> parse(QByteArrayView json, QString& why);
    QByteArray toJson() const;

    // The slots of `key` that open with `password` (leading and trailing spaces removed).
    static BookKeyFile withPassword(const BookKey& key, QStringView password,
                                    KdfLimits limits = KdfLimits::standard());
    // Replaces every password slot with one for `password`; other slots stay.
    void setPassword(const BookKey& key, QStringView password,
                     KdfLimits limits = KdfLimits::standard());
    // Adds (or replaces) the recovery slot; returns the recovery key as the user writes it down.
    QString setRecoveryKey(const BookKey& key);
    bool hasRecoveryKey() const;

    // The book key, or null when the password (or recovery key) opens no slot.
    std::shared_ptr<BookKey> unlockWithPassword(QStringView password) const;
    std::shared_ptr<BookKey> unlockWithRecoveryKey(QStringView recoveryKey) const;
};

// The master password as it is derived from: leading and trailing spaces removed, UTF-8.
QByteArray passwordBytes(QStringView password);

// Reading and writing the book folder's book.key. A missing or damaged file gives an empty
// result and a sentence saying so.
std::optional<BookKeyFile> readBookKey(const BookFolder& folder, QString& why);
// Replaces book.key (or `path`) whole; a runtime error number, 0 when written.
int writeBookKey(const QString& path, const BookKeyFile& file);

} // namespace orvelan
