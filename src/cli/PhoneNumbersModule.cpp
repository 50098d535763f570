#include "cli/PhoneNumbersModule.h"

#include "cli/DesktopModule.h"
#include "cli/ToolFaults.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

using EngineEntry = const PhoneNumberEngine* (*)(int version);

} // namespace

PhoneNumbersModule::PhoneNumbersModule(const QString& programPath) {
    const QStringList places = modulePlaces(programPath, fileName());
    const auto found = std::find_if(places.cbegin(), places.cend(),
                                    [](const QString& place) { return QFileInfo::exists(place); });
    QString why;
    if (found == places.cend()) {
        m_library.setFileName(places.last());
        why = u"there is no such file, nor one beside the program"_s;
    } else {
        m_library.setFileName(*found);
        const auto entry =
            reinterpret_cast<EngineEntry>(m_library.resolve("orvelan_phone_number_engine"));
        if (entry)
            m_engine = entry(PhoneNumberEngine::Version);
        if (!entry)
            why = moduleLoaderError(m_library);
        else if (!m_engine)
            why = u"it belongs to another version of orvelan-book"_s;
    }
    if (!m_engine)
        m_failure = u"Cannot load %1: %2. Reading telephone numbers (searching numbers, finding "_s
                    u"duplicates, merging, importing into a book with pages) needs it: reinstall "_s
                    u"orvelan-book."_s.arg(m_library.fileName(), why);
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
