#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvelan {

// How the texts of one page are stored. A page whose texts all fit Windows-1252 is stored in
// Windows-1252, byte for byte as the Windows program wrote it; any other page is stored in SCSU
// (the Standard Compression Scheme for Unicode: about one byte a letter for alphabetic scripts,
// two for CJK) and carries ScsuPageMarker in its Reserved field (which the Windows program never
// reads). Pages written earlier in UTF-8, with Utf8PageMarker, stay readable; they are written
// in SCSU when next saved. Each field is an SCSU stream of its own, starting in the initial
// state, so a field decodes alone.
enum class TextEncoding { Windows1252, Utf8, Scsu };

inline constexpr int ReservedWidth = 8;
// "UTF-8" and three zero bytes, unenciphered.
inline constexpr char Utf8PageMarkerBytes[ReservedWidth] = {'U', 'T', 'F', '-', '8', 0, 0, 0};
// "SCSU" and four zero bytes, unenciphered.
inline constexpr char ScsuPageMarkerBytes[ReservedWidth] = {'S', 'C', 'S', 'U', 0, 0, 0, 0};
// Views of the markers (not constexpr: debug builds of Qt check the pointer at run time).
inline const QByteArrayView Utf8PageMarker(Utf8PageMarkerBytes, ReservedWidth);
inline const QByteArrayView ScsuPageMarker(ScsuPageMarkerBytes, ReservedWidth);

// The encoding a Reserved field announces: UTF-8 or SCSU for their markers, Windows-1252 for
// anything else.
TextEncoding encodingOfReserved(QByteArrayView reserved);
// Whether a Reserved field holds a form this program writes: 8 zero bytes (a saved page), 8
// spaces (a blank page), an encoding marker or a page identity. Anything else is damage, and a
// page carrying it is not trusted. A new marker must be known here too.
bool isKnownReserved(QByteArrayView reserved);
// The encoding of a stored record (RecordSize bytes, as on disk).
TextEncoding encodingOfStored(QByteArrayView storedRecord);
// The Reserved field of a page saved in `encoding`: empty means 8 zero bytes.
QByteArray reservedFor(TextEncoding encoding);

QString decodeText(QByteArrayView bytes, TextEncoding encoding);
// Windows-1252 turns characters it has no form for into '?': callers choose SCSU for such text.
// The SCSU form of a text never ends in a byte 0x20 that is not a space, so the fields' space
// padding can be trimmed from it.
QByteArray encodeText(QStringView text, TextEncoding encoding);
// The encoding that keeps `text` whole: Windows-1252 when every character fits, else SCSU.
TextEncoding encodingFor(QStringView text);

// How many bytes of `bytes` fit in `width` without cutting a character in two (Windows-1252 and
// UTF-8; an SCSU stream is cut by fittedBytes()).
qsizetype fittingLength(QByteArrayView bytes, qsizetype width, TextEncoding encoding);
// `bytes` cut to at most `width` bytes at the end of a whole character (a carriage return and
// line feed stay together); the bytes of an SCSU field are those of its longest fitting start.
QByteArray fittedBytes(QByteArrayView bytes, qsizetype width, TextEncoding encoding);
// The bytes of `text` in `encoding`.
qsizetype encodedLength(QStringView text, TextEncoding encoding);

// `text` cut to at most `width` columns (never half of a character) and padded with spaces to
// them, for the fixed columns of result and list lines. A wide character (Chinese, Japanese,
// Korean) takes two columns of a fixed-pitch font, every other character one.

QString textColumn(QStringView text, int width);

// A character that no page can hold (half of a surrogate pair), or 0.
char32_t unstorableCharacter(QStringView text);

} // namespace orvelan
