#include "telephony/LineDevCaps.h"

#include "telephony/TapiLineFunctions.h"

#include <QtEndian>

namespace orvelan::LineDevCaps {

std::uint32_t word(const QByteArray& caps, int offset) {
    if (offset < 0 || offset + 4 > caps.size())
        return 0;
    return qFromLittleEndian<std::uint32_t>(caps.constData() + offset);
}

void setWord(QByteArray& caps, int offset, std::uint32_t value) {
    if (offset < 0)
        return;
    if (offset + 4 > caps.size())
        caps.resize(offset + 4, '\0');
    qToLittleEndian<std::uint32_t>(value, caps.data() + offset);
}

Builder& Builder::set(int offset, std::uint32_t value) {
    setWord(m_bytes, offset, value);
    return *this;
}

Builder& Builder::text(int sizeField, int offsetField, const QByteArray& bytes) {
    setWord(m_bytes, sizeField, std::uint32_t(bytes.size()));
    setWord(m_bytes, offsetField, std::uint32_t(m_bytes.size()));
    m_bytes.append(bytes);
    return *this;
}

std::int32_t Builder::fill(QByteArray& caps) const {
    const std::uint32_t total = word(caps, TotalSize);
    const auto needed = std::uint32_t(m_bytes.size());
    if (total < std::uint32_t(FixedSize) || caps.size() < FixedSize)
        return Tapi::LineErrStructureTooSmall;
    setWord(caps, NeededSize, needed);
    if (needed > total || qsizetype(needed) > caps.size()) {
        // Only the fixed part fits: the texts are left out.
        QByteArray fixed = m_bytes.left(FixedSize);
        for (const int field : {ProviderInfoSize, ProviderInfoOffset, SwitchInfoSize,
                                SwitchInfoOffset, LineNameSize, LineNameOffset})
            setWord(fixed, field, 0);
        caps.replace(12, FixedSize - 12, fixed.constData() + 12, FixedSize - 12);
        setWord(caps, UsedSize, std::uint32_t(FixedSize));
        return 0;
    }
    // Everything after the three size words, as the provider describes the line.
    caps.replace(12, m_bytes.size() - 12, m_bytes.constData() + 12, m_bytes.size() - 12);
    setWord(caps, UsedSize, needed);
    return 0;
}

} // namespace orvelan::LineDevCaps
