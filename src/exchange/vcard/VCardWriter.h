#pragma once

#include "exchange/vcard/VCard.h"

#include <QByteArray>
#include <QByteArrayView>

namespace orvelan {

// Longest physical line of a written card in octets, its line end not counted.
inline constexpr int VCardLineOctets = 75;

// Appends `card` as a vCard of `version` in UTF-8: BEGIN, VERSION, the properties in order,
// END, every line ending with CRLF and folded at 75 octets without splitting a character.
// Encodings of the card read (quoted-printable, character sets) are not written again; base64
// data is written the way the version wants it (ENCODING=b in 3.0, a data: URI in 4.0).
void appendVCard(QByteArray& out, const VCard& card, VCardVersion version);
QByteArray writeVCard(const VCard& card, VCardVersion version);

// Appends one content line (UTF-8, without line end) folded at 75 octets, then CRLF.
void appendFolded(QByteArray& out, QByteArrayView line);

} // namespace orvelan
