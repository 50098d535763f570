#include "security/GuardedKey.h"

#include <sodium.h>

#include <new>

namespace orvelan {

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

GuardedKey::GuardedKey() {
    if (!sodiumReady())
        throw std::bad_alloc();
    m_bytes = static_cast<unsigned char*>(sodium_malloc(Size));
    if (!m_bytes)
        throw std::bad_alloc();
}

GuardedKey::~GuardedKey() {
    sodium_free(m_bytes); // wipes the bytes before it frees them
}

std::unique_ptr<GuardedKey> GuardedKey::random() {
    auto key = std::make_unique<GuardedKey>();
    randombytes_buf(key->data(), Size);
    return key;
}

} // namespace orvelan
