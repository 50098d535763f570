#include "security/BookKey.h"

#include "store/PageRecord.h"

#include <sodium.h>

#include <array>
#include <cstring>

namespace orvelan {

namespace {

constexpr std::size_t SealNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t SealTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
static_assert(SealNonceSize + SealTagSize == RecordSealer::RecordOverhead);
static_assert(RecordSize + RecordSealer::RecordOverhead == RecordSealer::SealedRecordSize);

using RecordAd = std::array<unsigned char, BookKey::BookIdSize + 1 + 8>;

RecordAd recordAd(const QByteArray& bookId, int tab, qint64 record) {
    RecordAd ad{};
    std::memcpy(ad.data(), bookId.constData(), BookKey::BookIdSize);
    ad[BookKey::BookIdSize] = static_cast<unsigned char>(tab);
    auto number = static_cast<quint64>(record);
    for (int i = 0; i < 8; ++i, number >>= 8)
        ad[BookKey::BookIdSize + 1 + i] = static_cast<unsigned char>(number & 0xff);
    return ad;
}

const unsigned char* asBytes(QByteArrayView view) {
    return reinterpret_cast<const unsigned char*>(view.data());
}

} // namespace

BookKey::BookKey(QByteArray bookId, std::unique_ptr<GuardedKey> key)
    : m_bookId(std::move(bookId)), m_key(std::move(key)) {}

std::shared_ptr<BookKey> BookKey::generate() {
    auto key = GuardedKey::random();
    QByteArray id(BookIdSize, Qt::Uninitialized);
    randombytes_buf(id.data(), BookIdSize);
    return std::make_shared<BookKey>(std::move(id), std::move(key));
}

void BookKey::sealRecord(int tab, qint64 record, QByteArrayView plain, char* out) const {
    auto* nonce = reinterpret_cast<unsigned char*>(out);
    randombytes_buf(nonce, SealNonceSize);
    const RecordAd ad = recordAd(m_bookId, tab, record);
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + SealNonceSize, nullptr, asBytes(plain),
                                               static_cast<unsigned long long>(plain.size()),
                                               ad.data(), ad.size(), nullptr, nonce, m_key->data());
}

bool BookKey::openRecord(int tab, qint64 record, QByteArrayView sealed, char* out) const {
    if (sealed.size() != SealedRecordSize)
        return false;
    const RecordAd ad = recordAd(m_bookId, tab, record);
    return crypto_aead_xchacha20poly1305_ietf_decrypt(
               reinterpret_cast<unsigned char*>(out), nullptr, nullptr, asBytes(sealed) + SealNonceSize,
               static_cast<unsigned long long>(sealed.size()) - SealNonceSize, ad.data(), ad.size(),
               asBytes(sealed), m_key->data()) == 0;
}

QByteArray BookKey::sealFile(QByteArrayView label, QByteArrayView plain) const {
    const QByteArray ad = label.toByteArray() + m_bookId;
    QByteArray sealed(qsizetype(SealNonceSize + SealTagSize) + plain.size(), Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(sealed.data());
    randombytes_buf(nonce, SealNonceSize);
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        nonce + SealNonceSize, nullptr, asBytes(plain), static_cast<unsigned long long>(plain.size()),
        asBytes(ad), static_cast<unsigned long long>(ad.size()), nullptr, nonce, m_key->data());
    return sealed;
}

std::optional<QByteArray> BookKey::openFile(QByteArrayView label, QByteArrayView sealed) const {
    if (sealed.size() < qsizetype(SealNonceSize + SealTagSize))
        return std::nullopt;
    const QByteArray ad = label.toByteArray() + m_bookId;
    QByteArray plain(sealed.size() - qsizetype(SealNonceSize + SealTagSize), Qt::Uninitialized);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char*>(plain.data()), nullptr, nullptr,
            asBytes(sealed) + SealNonceSize, static_cast<unsigned long long>(sealed.size()) - SealNonceSize,
            asBytes(ad), static_cast<unsigned long long>(ad.size()), asBytes(sealed),
            m_key->data()) != 0)
        return std::nullopt;
    return plain;
}

} // namespace orvelan
