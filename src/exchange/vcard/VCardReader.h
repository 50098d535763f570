#pragma once

#include "exchange/vcard/VCard.h"

#include <QByteArray>
#include <QByteArrayView>

namespace orvelan {

// What went wrong while one card was read; the card keeps everything that could be read.
struct VCardDamage {
    bool missingEnd = false;   // the file ended, or a new card began, before END:VCARD
    int skippedLines = 0;      // lines that are no property (no colon, a bad name)
    int overlongLines = 0;     // properties longer than VCardReader::MaxLineBytes, left out
    int droppedProperties = 0; // properties beyond VCardReader::MaxProperties, left out

    bool any() const { return missingEnd || skippedLines || overlongLines || droppedProperties; }
};

// Reads the cards of a vCard 2.1, 3.0 or 4.0 file one by one, without trusting it: folded
// lines, CRLF, LF or CR line ends, property groups, parameters in every style, 2.1's
// quoted-printable values and character sets, UTF-8 (or UTF-16 with a byte-order mark). A
// value that is not valid UTF-8 and names no character set is read as Windows-1252. Lines
// outside BEGIN:VCARD ... END:VCARD are passed over and counted.
class VCardReader {
public:
    // A property longer than this (after unfolding) is left out.
    static constexpr qsizetype MaxLineBytes = 16 * 1024 * 1024;
    // A card keeps at most this many properties.
    static constexpr int MaxProperties = 10000;

    // `bytes` must stay valid while the reader is used (unless it is UTF-16, which is copied).
    explicit VCardReader(QByteArrayView bytes);

    // Whether a file beginning with `head` holds vCards: after a byte-order mark and blank
    // lines its first line is BEGIN:VCARD.
    static bool looksLikeVCard(QByteArrayView head);

    // The next card; false when the file holds no further card.
    bool next(VCard& card, VCardDamage* damage = nullptr);

    // Lines that were not blank and stood outside any card.
    qint64 linesOutsideCards() const { return m_outside; }

private:
    struct Line {
        QByteArrayView bytes;
        bool overlong = false;
    };
    bool nextPhysical(QByteArrayView& line);
    bool nextLogical(Line& line);
    bool parseProperty(QByteArrayView line, VCardVersion version, VCardProperty& property) const;
    void skipNestedCard();

    QByteArray m_converted; // a UTF-16 file as UTF-8
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    QByteArray m_joined; // a folded line, unfolded
    qint64 m_outside = 0;
};

// Decodes a value's bytes by its CHARSET parameter: UTF-8 when there is none (Windows-1252 for
// bytes that are not valid UTF-8).
QString decodeCharset(QByteArrayView bytes, QStringView charset);
// Decodes quoted-printable text: "=XX" escapes and soft line breaks ("=" at the end of a line).
QByteArray decodeQuotedPrintable(QByteArrayView text);

} // namespace orvelan
