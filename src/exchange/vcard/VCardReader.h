#pragma once

#include "exchange/vcard/VCard.h"

#include <QByteArray>
#include <QByteArrayView>

namespace orvelan {

// What went wrong while one card was read; the card keeps everything that could be read.
struct VCardDamage {
    bool missingEnd = false;      // the file ended, or a new card began, before END:VCARD
    int skippedLines = 0;         // lines that are no property (no colon, a bad name)
    int overlongLines = 0;        // properties longer than VCardReader::MaxLineBytes, left out
    int droppedProperties = 0;    // properties beyond VCardReader::MaxProperties, left out
    qint64 droppedParameters = 0; // parameters beyond VCardReader's limits, left out
    QStringList unknownCharsets;  // character sets no converter knows, read as Windows-1252
    QStringList leftOut;          // photos, sounds, keys too large to read: left out, no damage

    bool any() const {
        return missingEnd || skippedLines || overlongLines || droppedProperties ||
               droppedParameters || !unknownCharsets.isEmpty();
    }
};

// Reads the cards of a vCard 2.1, 3.0 or 4.0 file one by one, without trusting it: folded
// lines, CRLF, LF or CR line ends, property groups, parameters in every style, 2.1's
// quoted-printable values and every character set ICU converts, UTF-8 (or UTF-16 with a
// byte-order mark). A value that is not valid UTF-8 and names no character set, or names one
// no converter knows, is read as Windows-1252. Lines outside BEGIN:VCARD ... END:VCARD are
// passed over and counted. A 2.1 agent's card inside a card becomes the AGENT value (its name).
class VCardReader {
public:
    // A property longer than this (after unfolding) is left out.
    static constexpr qsizetype MaxLineBytes = 16 * 1024 * 1024;
    // A card keeps at most this many properties.
    static constexpr int MaxProperties = 10000;
    // A property keeps at most this many parameters, and a card this many in all.
    static constexpr int MaxParameters = 64;
    static constexpr int MaxCardParameters = 1000;
    static constexpr qsizetype HeadBytes = 1024; // kept of a line too long to read

    // `bytes` must stay valid while the reader is used (unless it is UTF-16, which is copied).
    explicit VCardReader(QByteArrayView bytes);

    // Whether a file beginning with `head` holds vCards: after a byte-order mark and blank
    // lines its first line is BEGIN:VCARD.
    static bool looksLikeVCard(QByteArrayView head);

    // The next card; false when the file holds no further card.
    bool next(VCard& card, VCardDamage* damage = nullptr);

    // How far into the bytes given reading has come; -1 when it reads a converted copy.
    qsizetype position() const { return m_converted.isEmpty() ? m_pos : -1; }

    // Lines that were not blank and stood outside any card.
    qint64 linesOutsideCards() const { return m_outside; }

private:
    struct Line {
        QByteArrayView bytes;
        bool overlong = false;
    };
    bool nextPhysical(QByteArrayView& line);
    bool nextLogical(Line& line);
    struct ParameterBudget {
        int left = MaxCardParameters; // for the rest of the card
        qint64 dropped = 0;
        QStringList unknownCharsets;
    };
    bool parseProperty(QByteArrayView line, VCardVersion version, VCardProperty& property,
                       ParameterBudget& budget) const;
    // Reads an agent's card up to its END; false when a new card began first (both lost their
    // END). `name` gets the agent's FN, else its N.
    bool readNestedCard(QString& name);

    QByteArray m_converted; // a UTF-16 file as UTF-8
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    QByteArray m_joined; // a folded line, unfolded
    qint64 m_outside = 0;
    bool m_lineFeeds = false; // the file ends its lines with LF: a lone CR is part of a value
};

// Decodes a value's bytes by its CHARSET parameter: UTF-8 when there is none (Windows-1252 for
// bytes that are not valid UTF-8). A character set no converter knows is read as Windows-1252
// and `known` (when given) is cleared.
QString decodeCharset(QByteArrayView bytes, QStringView charset, bool* known = nullptr);
// Decodes quoted-printable text: "=XX" escapes and soft line breaks ("=" at the end of a line).
QByteArray decodeQuotedPrintable(QByteArrayView text);

} // namespace orvelan
