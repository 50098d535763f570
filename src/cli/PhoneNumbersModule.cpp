#include "cli/PhoneNumbersModule.h"

#include "cli/DesktopModule.h"
#include "cli/ToolFaults.h"

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

using EngineEntry = const PhoneNumberEngine* (*)(int version);

} // namespace

PhoneNumbersModule::PhoneNumbersModule(const QString& programPath) {
    QString why;
    if (const auto entry = reinterpret_cast<EngineEntry>(
            loadModuleEntry(m_library, modulePlaces(programPath, fileName()),
                            "orvelan_phone_number_engine", why))) {
        m_engine = entry(PhoneNumberEngine::Version);
        if (m_engine)
            return;
        why = otherVersionReason();
    }
    m_failure =
        moduleFailure(m_library, why,
                      u"Reading telephone numbers (searching numbers, finding duplicates, "_s
                      u"merging, importing into a book with pages) needs it"_s);
}

QString PhoneNumbersModule::fileName() {
    return u"orvelan-phone-numbers.so"_s;
}

const PhoneNumberEngine& PhoneNumbersModule::engine() const {
    if (!m_engine)
        throw toolError(Fault::Failed, m_failure);
    return *m_engine;
}

} // namespace orvelan::cli
