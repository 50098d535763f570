#include "store/FieldCipher.h"

#include <gtest/gtest.h>

using namespace orvelan;

namespace {
QByteArray key() {
    return QByteArray(CipherKey);
}
} // namespace

TEST(FieldCipher, GuardsOpenOnlyForTheirDirection) {
    QByteArray k = key();
    EXPECT_TRUE(CypherEncode("", k, 0, CipherWrite).isEmpty());
    EXPECT_TRUE(CypherEncode("Smith", k, 0, CipherRead).isEmpty());
    EXPECT_TRUE(CypherEncode("Smith", k, 0, 7).isEmpty());
    EXPECT_TRUE(CypherDecode("Smith", k, 0, CipherWrite).isEmpty());
    EXPECT_TRUE(CypherDecode("", k, 0, CipherRead).isEmpty());
    // Any code but -2 opens the decoder.
    EXPECT_EQ(CypherDecode("Smith", k, 0, 5), CypherDecode("Smith", k, 0, CipherRead));
}

TEST(FieldCipher, RoundTripsAndKeepsLength) {
    QByteArray k = key();
    const QByteArray padded = QByteArray("Jane Example").leftJustified(32, ' ');
    const QByteArray enciphered = CypherEncode(padded, k, 0, CipherWrite);
    ASSERT_EQ(enciphered.size(), 32);
    EXPECT_EQ(CypherDecode(enciphered, k, 0, CipherRead), padded);
    EXPECT_EQ(CypherEncode(CypherDecode(padded, k, 0, CipherRead), k, 0, CipherWrite), padded);

    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    EXPECT_EQ(CypherDecode(CypherEncode(all, k, 0, CipherWrite), k, 0, CipherRead), all);
}

TEST(FieldCipher, KeystreamDependsOnPositionOnly) {
    QByteArray k = key();
    const QByteArray shortText = CypherEncode("abc", k, 0, CipherWrite);
    EXPECT_EQ(CypherEncode("abcdef", k, 0, CipherWrite).left(3), shortText);

    // Every position changes its character: k is never 0, and never above 253. Beyond the
    // cached length (3840) the stream goes on from the same generator.
    const FieldCipher& cipher = FieldCipher::standard();
    const QByteArray text(5000, 'x');
    const QByteArray enciphered = cipher.transformed(text);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int keyByte = cipher.keyAt(i + 1);
        ASSERT_GE(keyByte, 1);
        ASSERT_LE(keyByte, 253);
        ASSERT_EQ(static_cast<std::uint8_t>(enciphered[i] ^ text[i]), keyByte) << i + 1;
    }
    EXPECT_EQ(FieldCipher(QByteArrayView(CipherKey)).transformed(text), enciphered);
}

TEST(FieldCipher, KeysAreCutTo64CharactersInPlace) {
    QByteArray longKey(80, 'q');
    const QByteArray enciphered = CypherEncode("hello", longKey, 0, CipherWrite);
    EXPECT_EQ(longKey.size(), 64);
    QByteArray cut(64, 'q');
    EXPECT_EQ(CypherEncode("hello", cut, 0, CipherWrite), enciphered);

    QByteArray other("another key");
    QByteArray standard = key();
    EXPECT_NE(CypherEncode("hello", other, 0, CipherWrite),
              CypherEncode("hello", standard, 0, CipherWrite));
}
