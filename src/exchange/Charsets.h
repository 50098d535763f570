#pragma once

#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Decodes bytes written in the named character set ("Shift_JIS", "ISO-8859-2", "windows-1251"
// and every other name ICU's converters know). False when no converter knows the name.
bool decodeNamedCharset(QByteArrayView bytes, const QString& name, QString& text);

// Whether a converter knows the name.
bool isKnownCharset(const QString& name);

} // namespace orvelan
