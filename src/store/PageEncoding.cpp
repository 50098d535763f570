#include "store/PageEncoding.h"

#include "store/PageIdentity.h"

#include "store/Windows1252.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace orvelan {

TextEncoding encodingOfReserved(QByteArrayView reserved) {
    // A synchronised page keeps its encoding beside its identity (see PageIdentity).
    const bool utf8 = reserved == Utf8PageMarker ||
                      (!pageIdOfReserved(reserved).isNull() && reserved[1] == PageId::Utf8Flag);
    return utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

bool isKnownReserved(QByteArrayView reserved) {
    if (reserved.size() != ReservedWidth)
        return false;
    const auto all = [reserved](char c) {
        return std::all_of(reserved.begin(), reserved.end(), [c](char b) { return b == c; });
    };
    return all('\0') || all(' ') || reserved == Utf8PageMarker ||
           !pageIdOfReserved(reserved).isNull();
}

TextEncoding encodingOfStored(QByteArrayView storedRecord) {
    constexpr qsizetype ReservedOffset = 1682;
    if (storedRecord.size() < ReservedOffset + ReservedWidth)
        return TextEncoding::Windows1252;
    return encodingOfReserved(storedRecord.sliced(ReservedOffset, ReservedWidth));
}

QByteArray reservedFor(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? Utf8PageMarker.toByteArray() : QByteArray();
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    if (bytes.isEmpty())
        return {};
    return encoding == TextEncoding::Utf8 ? QString::fromUtf8(bytes) : fromWindows1252(bytes);
}

QByteArray encodeText(QStringView text, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? text.toUtf8() : toWindows1252(text);
}

TextEncoding encodingFor(QStringView text) {
    return fitsWindows1252(text) ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

qsizetype fittingLength(QByteArrayView bytes, qsizetype width, TextEncoding encoding) {
    if (bytes.size() <= width)
        return bytes.size();
    if (encoding == TextEncoding::Windows1252)
        return width;
    // Step back over continuation bytes to the start of the character that would be cut.
    qsizetype end = width;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return end;
}

qsizetype encodedLength(QStringView text, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252) {
        qsizetype length = text.size();
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate())
                --length; // one character, one '?'
        }
        return length;
    }
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            length += 1;
        else if (c < 0x800)
            length += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            length += 4;
            ++i;
        } else
            length += 3;
    }
    return length;
}

QString textColumn(QStringView text, int width) {
    QString column;
    column.reserve(width + 2);
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const int eastAsian =
            u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
        const int columns = eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
        if (used + columns > width)
            break;
        column += text.sliced(i, pair ? 2 : 1);
        used += columns;
        i += pair ? 2 : 1;
    }
    column += QString(width - used, u' ');
    return column;
}

char32_t unstorableCharacter(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return c.unicode();
    }
    return 0;
}

} // namespace orvelan
