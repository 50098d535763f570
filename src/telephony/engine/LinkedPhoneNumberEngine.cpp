// The engine of programs linked to libphonenumber. A program that defines phoneNumberEngine()
// itself (orvelan-book) never takes this file from the library, nor libphonenumber with it.
#include "telephony/engine/LibPhoneNumberEngine.h"

namespace orvelan {

const PhoneNumberEngine& phoneNumberEngine() {
    static const LibPhoneNumberEngine engine;
    return engine;
}

} // namespace orvelan
