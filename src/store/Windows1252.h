#pragma once

#include <QByteArray>
#include <QString>

namespace orvelan {

// Stored texts are single-byte Windows-1252, as the Windows program wrote them. These convert
// at the boundary between the files and everything that shows or takes text.
QString fromWindows1252(QByteArrayView bytes);
// The same into `text`, keeping its room: reading page after page into the same texts allocates
// nothing.
void fromWindows1252(QByteArrayView bytes, QString& text);

// Appends the UTF-8 form of Windows-1252 `bytes` to `utf8`, as fromWindows1252(bytes).toUtf8()
// would give it.
void appendWindows1252AsUtf8(QByteArray& utf8, QByteArrayView bytes);

// Characters that have no Windows-1252 form become '?'; `unmappable` (when given) counts them.
QByteArray toWindows1252(QStringView text, qsizetype* unmappable = nullptr);

bool fitsWindows1252(QStringView text);
bool fitsWindows1252(char32_t ch);
// Whether a text holds printable ASCII only (space to tilde): no control character, and its
// own Windows-1252 form, a byte a character.
bool isPrintableAscii(QStringView text);

} // namespace orvelan
