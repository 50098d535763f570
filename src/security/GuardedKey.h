#pragma once

#include <cstddef>
#include <memory>

namespace orvelan {

// 32 bytes of key material in libsodium's guarded memory: locked out of swap, fenced by guard
// pages, and wiped when the key is dropped. Move-only through unique_ptr.
class GuardedKey {
public:
    static constexpr std::size_t Size = 32;

    GuardedKey();
    ~GuardedKey();
    GuardedKey(const GuardedKey&) = delete;
    GuardedKey& operator=(const GuardedKey&) = delete;

    static std::unique_ptr<GuardedKey> random();

    unsigned char* data() { return m_bytes; }
    const unsigned char* data() const { return m_bytes; }

private:
    unsigned char* m_bytes;
};

// Readies libsodium once; false when it cannot run (no random source).
bool sodiumReady();

} // namespace orvelan
