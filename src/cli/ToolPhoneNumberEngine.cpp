// orvelan-book's telephone number engine: the module, loaded the first time a command reads a
// number's meaning, and kept for the rest of the run.
#include "cli/PhoneNumbersModule.h"

namespace orvelan {

const PhoneNumberEngine& phoneNumberEngine() {
    static const cli::PhoneNumbersModule module(QStringLiteral("/proc/self/exe"));
    return module.engine();
}

} // namespace orvelan
