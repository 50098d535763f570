#pragma once

#include <cstdint>

namespace orvelan {

// The single-precision generator of the classic BASIC runtime (Rnd and Randomize), reproduced
// bit for bit: books written by the Windows program can only be read with its exact keystream.
class RuntimeRng {
public:
    static constexpr std::uint32_t StartState = 0x050000;

    // Rnd(x): x > 0 steps, x < 0 re-seeds from the float's bit pattern and steps, x == 0 repeats.
    float rnd(float x = 1.0f);
    // Randomize n: replaces bits 8..23 of the state with a mix of the double's upper word.
    void randomize(double n);

    std::uint32_t state() const { return m_state; }
    float value() const { return static_cast<float>(m_state) / 16777216.0f; }

private:
    void step();
    std::uint32_t m_state = StartState;
};

} // namespace orvelan
