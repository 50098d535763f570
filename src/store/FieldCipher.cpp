#include "store/FieldCipher.h"

#include "store/RuntimeRng.h"

#include <cstdlib>
#include <string>

namespace orvelan {

namespace {

constexpr qsizetype MaxKeyLength = 64;
// Long enough for the settings block, the longest text enciphered in one call.
constexpr qsizetype CachedLength = 3839;

std::uint32_t stepState(std::uint32_t state) {
    return (state * 0xFD43FDu + 0xC39EC3u) & 0xFFFFFF;
}

std::uint32_t nextState(RuntimeRng& rng) {
    rng.rnd();
    return rng.state();
}

struct SeedSums {
    std::int32_t odd = 0;
    std::int32_t even = 0;
};

SeedSums seedSums(QByteArrayView key) {
    QByteArray seedText(1, '\0');
    seedText += "M1";
    seedText += key.first(std::min(key.size(), MaxKeyLength));
    SeedSums sums;
    for (qsizetype i = 1; i <= seedText.size(); ++i) {
        const std::int32_t a = static_cast<std::uint8_t>(seedText[i - 1]);
        const std::int32_t t = ((a * static_cast<std::int32_t>(i)) ^ a) + 1;
        (i % 2 == 1 ? sums.odd : sums.even) += t;
    }
    return sums;
}

// "0." + digits (or "-0." + digits) read as a single-precision number, rounded to nearest.
float fractionFromDigits(std::int32_t sum, bool negative) {
    const std::string text = (negative ? "-0." : "0.") + std::to_string(sum < 0 ? -sum : sum);
    return std::strtof(text.c_str(), nullptr);
}

std::uint8_t keystreamByte(std::uint32_t state, qsizetype position) {
    // 240 * R + 1 with R = state / 2^24 is exact in double arithmetic.
    const double r = 240.0 * (static_cast<double>(state) / 16777216.0) + 1.0;
    const auto whole = static_cast<std::int32_t>(r);
    const std::int32_t w = (position % 2 == 1) ? -2 : 1;
    const std::int32_t k = whole - (whole % 7) * w + static_cast<std::int32_t>(position % 4) + 1;
    return static_cast<std::uint8_t>(k > 255 ? 255 : k);
}

} // namespace

FieldCipher::FieldCipher(QByteArrayView key)
    : m_key(key.first(std::min(key.size(), MaxKeyLength)).toByteArray()) {
    const SeedSums sums = seedSums(m_key);
    RuntimeRng rng;
    rng.rnd(fractionFromDigits(sums.even, true));
    rng.randomize(static_cast<double>(fractionFromDigits(sums.odd, false)));
    m_stream.resize(CachedLength);
    for (qsizetype i = 1; i <= CachedLength; ++i)
        m_stream[i - 1] = static_cast<char>(keystreamByte(nextState(rng), i));
    m_stateAtEnd = rng.state();
}

std::uint8_t FieldCipher::keyAt(qsizetype position) const {
    if (position <= m_stream.size())
        return static_cast<std::uint8_t>(m_stream[position - 1]);
    std::uint32_t state = m_stateAtEnd;
    for (qsizetype i = m_stream.size() + 1; i < position; ++i)
        state = stepState(state);
    return keystreamByte(stepState(state), position);
}

void FieldCipher::apply(std::span<char> bytes) const {
    const auto size = static_cast<qsizetype>(bytes.size());
    const qsizetype cached = std::min(size, m_stream.size());
    const char* stream = m_stream.constData();
    char* out = bytes.data();
    for (qsizetype i = 0; i < cached; ++i)
        out[i] = static_cast<char>(out[i] ^ stream[i]);
    // Texts longer than the cache are rare; continue the generator from where the cache ends.
    std::uint32_t state = m_stateAtEnd;
    for (qsizetype i = cached; i < size; ++i) {
        state = stepState(state);
        out[i] = static_cast<char>(out[i] ^ keystreamByte(state, i + 1));
    }
}

QByteArray FieldCipher::transformed(QByteArrayView text) const {
    QByteArray result = text.toByteArray();
    apply(std::span<char>(result.data(), static_cast<std::size_t>(result.size())));
    return result;
}

const FieldCipher& FieldCipher::standard() {
    static const FieldCipher cipher;
    return cipher;
}

namespace {

void cutKey(QByteArray& key) {
    if (key.size() > MaxKeyLength)
        key.truncate(MaxKeyLength);
}

QByteArray transformUnder(QByteArrayView text, const QByteArray& key) {
    if (key == FieldCipher::standard().key())
        return FieldCipher::standard().transformed(text);
    return FieldCipher(key).transformed(text);
}

} // namespace

QByteArray CypherEncode(QByteArrayView text, QByteArray& key, std::int16_t,
                        std::int32_t direction) {
    if (text.isEmpty() || direction != CipherWrite)
        return {};
    cutKey(key);
    return transformUnder(text, key);
}

QByteArray CypherDecode(QByteArrayView text, QByteArray& key, std::int16_t,
                        std::int32_t direction) {
    if (text.isEmpty() || direction == CipherWrite)
        return {};
    cutKey(key);
    return transformUnder(text, key);
}

} // namespace orvelan
