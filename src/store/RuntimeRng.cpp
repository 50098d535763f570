#include "store/RuntimeRng.h"

#include <bit>

namespace orvelan {

namespace {
constexpr std::uint32_t Mask24 = 0xFFFFFF;
}

void RuntimeRng::step() {
    m_state = (m_state * 0xFD43FDu + 0xC39EC3u) & Mask24;
}

float RuntimeRng::rnd(float x) {
    if (x < 0.0f) {
        const auto bits = std::bit_cast<std::uint32_t>(x);
        m_state = (bits + (bits >> 24)) & Mask24;
        step();
    } else if (x > 0.0f) {
        step();
    }
    return value();
}

void RuntimeRng::randomize(double n) {
    const auto bits = std::bit_cast<std::uint64_t>(n);
    const auto high = static_cast<std::uint32_t>(bits >> 32);
    const std::uint32_t mix = (high ^ (high >> 16)) & 0xFFFF;
    m_state = (m_state & 0xFF) | (mix << 8);
}

} // namespace orvelan
