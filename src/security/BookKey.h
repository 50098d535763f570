#pragma once

#include "security/GuardedKey.h"
#include "store/RecordSealer.h"

#include <QByteArray>

#include <memory>

namespace orvelan {

// The key of an encrypted book and what it seals: every record with XChaCha20-Poly1305 (IETF),
// a new random nonce at every write, bound by its additional data to the book id, its tab (one
// byte) and its record number (8 bytes, little-endian); other files whole, bound to a label
// naming the file and the book id.
class BookKey final : public RecordSealer {
public:
    static constexpr qsizetype BookIdSize = 16;

    BookKey(QByteArray bookId, std::unique_ptr<GuardedKey> key);
    // A new book key with a new random book id.
    static std::shared_ptr<BookKey> generate();

    const QByteArray& bookId() const { return m_bookId; }
    const GuardedKey& key() const { return *m_key; }

    void sealRecord(int tab, qint64 record, QByteArrayView plain, char* out) const override;
    bool openRecord(int tab, qint64 record, QByteArrayView sealed, char* out) const override;
    QByteArray sealFile(QByteArrayView label, QByteArrayView plain) const override;
    std::optional<QByteArray> openFile(QByteArrayView label, QByteArrayView sealed) const override;

private:
    QByteArray m_bookId;
    std::unique_ptr<GuardedKey> m_key;
};

} // namespace orvelan
