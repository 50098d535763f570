#pragma once

#include <QByteArray>

#include <cstdint>

namespace orvelan {

// The byte layout of a LINEDEVCAPS structure: little-endian 32-bit words at fixed offsets, with
// variable texts placed after the fixed part and found by their offset and size.
namespace LineDevCaps {
inline constexpr int TotalSize = 0;
inline constexpr int NeededSize = 4;
inline constexpr int UsedSize = 8;
inline constexpr int ProviderInfoSize = 12;
inline constexpr int ProviderInfoOffset = 16;
inline constexpr int SwitchInfoSize = 20;
inline constexpr int SwitchInfoOffset = 24;
inline constexpr int PermanentLineId = 28;
inline constexpr int LineNameSize = 32;
inline constexpr int LineNameOffset = 36;
inline constexpr int StringFormat = 40;
inline constexpr int AddressModes = 44;
inline constexpr int NumAddresses = 48;
inline constexpr int BearerModes = 52;
inline constexpr int MaxRate = 56;
inline constexpr int MediaModes = 60;
inline constexpr int GenerateToneModes = 64;
inline constexpr int GenerateToneMaxNumFreq = 68;
inline constexpr int NumTerminals = 204;
inline constexpr int FixedSize = 236;

// The word at `offset`, 0 when the buffer is too short.
std::uint32_t word(const QByteArray& caps, int offset);
void setWord(QByteArray& caps, int offset, std::uint32_t value);

// Fills a buffer the way a provider does: the caller's dwTotalSize bounds what is written.
class Builder {
public:
    Builder& set(int offset, std::uint32_t value);
    // Appends `bytes` after the fixed part and records its size and offset in the two words.
    Builder& text(int sizeField, int offsetField, const QByteArray& bytes);
    // Writes into `caps`: dwNeededSize always; the rest only when dwTotalSize is large enough
    // (then dwUsedSize too). Returns 0 or LINEERR_STRUCTURETOOSMALL.
    std::int32_t fill(QByteArray& caps) const;

private:
    QByteArray m_bytes = QByteArray(FixedSize, '\0');
};
} // namespace LineDevCaps

} // namespace orvelan
