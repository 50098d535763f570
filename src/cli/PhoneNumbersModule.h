#pragma once

#include "telephony/PhoneNumberEngine.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

namespace orvelan::cli {

// The telephone number engine of the installed tool, in the module orvelan-phone-numbers.so
// (libphonenumber, protobuf and abseil), loaded when made, from the places of the desktop
// module: commands that never read a number's meaning start without those libraries.
class PhoneNumbersModule {
public:
    // `programPath`: the running program's file, or a link to it (/proc/self/exe).
    explicit PhoneNumbersModule(const QString& programPath);

    static QString fileName();

    // The module's engine; throws a CliError naming the file and what to do when it did not
    // load, so that no command goes on comparing numbers it cannot read.
    const PhoneNumberEngine& engine() const;

private:
    QLibrary m_library;
    const PhoneNumberEngine* m_engine = nullptr;
    QString m_failure;
};

} // namespace orvelan::cli
