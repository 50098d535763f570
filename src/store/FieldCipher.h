#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <span>

namespace orvelan {

// The built-in key every stored text is enciphered with.
inline constexpr char CipherKey[] = "#&7k 4.R~#";

// Direction codes the callers pass: writing enciphers, reading deciphers.
inline constexpr std::int32_t CipherWrite = -2;
inline constexpr std::int32_t CipherRead = -1;

// The keyed stream cipher of every stored text. The keystream depends only on the key and the
// position, so it is computed once per key and each call is an exclusive-or over it.
class FieldCipher {
public:
    explicit FieldCipher(QByteArrayView key = QByteArrayView(CipherKey));

    // Transforms `bytes` in place; the same call enciphers and deciphers.
    void apply(std::span<char> bytes) const;
    QByteArray transformed(QByteArrayView text) const;

    // Keystream byte k for the 1-based position i.
    std::uint8_t keyAt(qsizetype position) const;
    const QByteArray& key() const { return m_key; }

    // The shared cipher under the built-in key.
    static const FieldCipher& standard();

private:
    QByteArray m_key;
    QByteArray m_stream;            // keystream of the first positions, computed once
    std::uint32_t m_stateAtEnd = 0; // generator state after the cached positions
};

// The two entries of the runtime routine with their guards. The key is cut to 64 characters in
// place, as callers of the original routine saw it.
QByteArray CypherEncode(QByteArrayView text, QByteArray& key, std::int16_t reserved,
                        std::int32_t direction);
QByteArray CypherDecode(QByteArrayView text, QByteArray& key, std::int16_t reserved,
                        std::int32_t direction);

} // namespace orvelan
