// The module orvelan-book loads the first time it needs a telephone number's meaning: one
// exported function.
#include "telephony/engine/LibPhoneNumberEngine.h"

// The module's engine, made once, or null when the program was built with another interface.
extern "C" __attribute__((visibility("default"))) const orvelan::PhoneNumberEngine*
orvelan_phone_number_engine(int version) {
    if (version != orvelan::PhoneNumberEngine::Version)
        return nullptr;
    static const orvelan::LibPhoneNumberEngine engine;
    return &engine;
}
