#include "security/BookKeyFile.h"

#include "store/AtomicFile.h"
#include "store/BookFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <sodium.h>

namespace orvelan {

namespace {

constexpr char KeyFileFormat[] = "orvelan-book-key";
constexpr char WrapLabel[] = "orvelan-book-key-v1";
constexpr qsizetype KeySaltSize = crypto_pwhash_SALTBYTES;
constexpr qsizetype WrapNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr qsizetype WrappedSize = GuardedKey::Size + crypto_aead_xchacha20poly1305_ietf_ABYTES;
// A damaged or planted file must not make unlocking take hours or all the memory.
constexpr quint64 MaxOpslimit = 64;
constexpr quint64 MaxMemlimit = quint64(4) << 30;

QString b64(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toBase64());
}

std::optional<QByteArray> fromB64(const QJsonValue& value, qsizetype size) {
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size)
        return std::nullopt;
    return decoded.decoded;
}

QByteArray wrapAd(const QByteArray& bookId) {
    return QByteArray(WrapLabel) + bookId;
}

const unsigned char* u(const QByteArray& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.constData());
}

// Wraps the book key under `kek` into `slot` (nonce, wrappedKey).
void wrapInto(QJsonObject& slot, const BookKey& key, const GuardedKey& kek) {
    QByteArray nonce(WrapNonceSize, Qt::Uninitialized);
    randombytes_buf(nonce.data(), WrapNonceSize);
    QByteArray wrapped(WrappedSize, Qt::Uninitialized);
    const QByteArray ad = wrapAd(key.bookId());
    crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char*>(wrapped.data()),
                                               nullptr, key.key().data(), GuardedKey::Size, u(ad),
                                               ad.size(), nullptr, u(nonce), kek.data());
    slot.insert(QStringLiteral("nonce"), b64(nonce));
    slot.insert(QStringLiteral("wrappedKey"), b64(wrapped));
}

std::shared_ptr<BookKey> unwrapFrom(const QJsonObject& slot, const QByteArray& bookId,
                                    const GuardedKey& kek) {
    const auto nonce = fromB64(slot.value(QStringLiteral("nonce")), WrapNonceSize);
    const auto wrapped = fromB64(slot.value(QStringLiteral("wrappedKey")), WrappedSize);
    if (!nonce || !wrapped)
        return nullptr;
    auto key = std::make_unique<GuardedKey>();
    const QByteArray ad = wrapAd(bookId);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(key->data(), nullptr, nullptr, u(*wrapped),
                                                   wrapped->size(), u(ad), ad.size(), u(*nonce),
                                                   kek.data()) != 0)
        return nullptr;
    return std::make_shared<BookKey>(bookId, std::move(key));
}

std::unique_ptr<GuardedKey> deriveKek(QStringView password, const QByteArray& salt,
                                      quint64 opslimit, quint64 memlimit) {
    auto kek = std::make_unique<GuardedKey>();
    QByteArray secret = passwordBytes(password);
    const int result =
        crypto_pwhash(kek->data(), GuardedKey::Size, secret.constData(),
                      static_cast<unsigned long long>(secret.size()), u(salt), opslimit,
                      static_cast<size_t>(memlimit), crypto_pwhash_ALG_ARGON2ID13);
    sodium_memzero(secret.data(), static_cast<size_t>(secret.size()));
    return result == 0 ? std::move(kek) : nullptr;
}

bool isKind(const QJsonObject& slot, const char* kind) {
    return slot.value(QStringLiteral("kind")).toString() == QLatin1StringView(kind);
}

// The recovery key as shown: 64 hexadecimal digits in groups of four.
QString recoveryText(const GuardedKey& key) {
    const QByteArray hex =
        QByteArray(reinterpret_cast<const char*>(key.data()), GuardedKey::Size).toHex().toUpper();
    QString text;
    for (qsizetype i = 0; i < hex.size(); i += 4) {
        if (i)
            text += u'-';
        text += QString::fromLatin1(hex.mid(i, 4));
    }
    return text;
}

std::unique_ptr<GuardedKey> recoveryKeyFrom(QStringView text) {
    QByteArray hex;
    for (const QChar c : text) {
        if (QStringLiteral("0123456789abcdefABCDEF").contains(c))
            hex += char(c.unicode());
        else if (c != u'-' && c != u' ')
            return nullptr;
    }
    if (hex.size() != qsizetype(2 * GuardedKey::Size))
        return nullptr;
    const QByteArray raw = QByteArray::fromHex(hex);
    auto key = std::make_unique<GuardedKey>();
    std::memcpy(key->data(), raw.constData(), GuardedKey::Size);
    return key;
}

} // namespace

KdfLimits KdfLimits::standard() {
    return {3, quint64(256) << 20};
}

QByteArray passwordBytes(QStringView password) {
    qsizetype begin = 0;
    qsizetype end = password.size();
    while (begin < end && password[begin] == u' ')
        ++begin;
    while (end > begin && password[end - 1] == u' ')
        --end;
    return password.sliced(begin, end - begin).toUtf8();
}

std::optional<BookKeyFile> BookKeyFile::parse(QByteArrayView json, QString& why) {
    why = QStringLiteral("book.key is damaged: it is not a book key this program can read.");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1StringView(KeyFileFormat))
        return std::nullopt;
    if (root.value(QStringLiteral("version")).toInt() != 1) {
        why = QStringLiteral("book.key was written by a newer version of this program.");
        return std::nullopt;
    }
    BookKeyFile file;
    const auto id = fromB64(root.value(QStringLiteral("bookId")), BookKey::BookIdSize);
    if (!id || !root.value(QStringLiteral("slots")).isArray())
        return std::nullopt;
    file.bookId = *id;
    for (const QJsonValue& value : root.value(QStringLiteral("slots")).toArray()) {
        if (!value.isObject())
            return std::nullopt;
        file.slots.append(value.toObject());
    }
    why.clear();
    return file;
}

QByteArray BookKeyFile::toJson() const {
    QJsonArray array;
    for (const QJsonObject& slot : slots)
        array.append(slot);
    const QJsonObject root{{QStringLiteral("format"), QLatin1StringView(KeyFileFormat)},
                           {QStringLiteral("version"), 1},
                           {QStringLiteral("bookId"), b64(bookId)},
                           {QStringLiteral("slots"), array}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

BookKeyFile BookKeyFile::withPassword(const BookKey& key, QStringView password, KdfLimits limits) {
    BookKeyFile file;
    file.bookId = key.bookId();
    file.setPassword(key, password, limits);
    return file;
}

void BookKeyFile::setPassword(const BookKey& key, QStringView password, KdfLimits limits) {
    QByteArray salt(KeySaltSize, Qt::Uninitialized);
    randombytes_buf(salt.data(), KeySaltSize);
    const auto kek = deriveKek(password, salt, limits.opslimit, limits.memlimit);
    if (!kek)
        throw std::bad_alloc(); // Argon2id could not have its memory
    QJsonObject slot{{QStringLiteral("kind"), QStringLiteral("password")},
                     {QStringLiteral("kdf"), QStringLiteral("argon2id13")},
                     {QStringLiteral("salt"), b64(salt)},
                     {QStringLiteral("opslimit"), qint64(limits.opslimit)},
                     {QStringLiteral("memlimit"), qint64(limits.memlimit)}};
    wrapInto(slot, key, *kek);
    slots.removeIf([](const QJsonObject& old) { return isKind(old, "password"); });
    slots.prepend(slot);
}

QString BookKeyFile::setRecoveryKey(const BookKey& key) {
    const auto recovery = GuardedKey::random();
    QJsonObject slot{{QStringLiteral("kind"), QStringLiteral("recovery")}};
    wrapInto(slot, key, *recovery);
    slots.removeIf([](const QJsonObject& old) { return isKind(old, "recovery"); });
    slots.append(slot);
    return recoveryText(*recovery);
}

bool BookKeyFile::hasRecoveryKey() const {
    return std::any_of(slots.begin(), slots.end(),
                       [](const QJsonObject& slot) { return isKind(slot, "recovery"); });
}

std::shared_ptr<BookKey> BookKeyFile::unlockWithPassword(QStringView password) const {
    for (const QJsonObject& slot : slots) {
        if (!isKind(slot, "password") ||
            slot.value(QStringLiteral("kdf")).toString() != QStringLiteral("argon2id13"))
            continue;
        const auto salt = fromB64(slot.value(QStringLiteral("salt")), KeySaltSize);
        const qint64 ops = slot.value(QStringLiteral("opslimit")).toInteger(-1);
        const qint64 mem = slot.value(QStringLiteral("memlimit")).toInteger(-1);
        if (!salt || ops < qint64(crypto_pwhash_OPSLIMIT_MIN) || quint64(ops) > MaxOpslimit ||
            mem < qint64(crypto_pwhash_MEMLIMIT_MIN) || quint64(mem) > MaxMemlimit)
            continue;
        const auto kek = deriveKek(password, *salt, quint64(ops), quint64(mem));
        if (!kek)
            continue;
        if (auto key = unwrapFrom(slot, bookId, *kek))
            return key;
    }
    return nullptr;
}

std::shared_ptr<BookKey> BookKeyFile::unlockWithRecoveryKey(QStringView recoveryKey) const {
    const auto kek = recoveryKeyFrom(recoveryKey);
    if (!kek)
        return nullptr;
    for (const QJsonObject& slot : slots) {
        if (!isKind(slot, "recovery"))
            continue;
        if (auto key = unwrapFrom(slot, bookId, *kek))
            return key;
    }
    return nullptr;
}

std::optional<BookKeyFile> readBookKey(const BookFolder& folder, QString& why) {
    QFile file(folder.bookKeyPath());
    if (!file.exists()) {
        why = QStringLiteral("book.key is missing: this encrypted book cannot be opened without "
                             "it. Put back book.key from a backup of the book folder.");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    auto parsed = BookKeyFile::parse(file.read(1 << 20), why);
    if (!parsed)
        why += QStringLiteral(" Put back book.key from a backup of the book folder.");
    return parsed;
}

int writeBookKey(const QString& path, const BookKeyFile& file) {
    return replaceFileAtomically(path, file.toJson());
}

} // namespace orvelan
