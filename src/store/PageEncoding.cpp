#include "store/PageEncoding.h"

#include "store/PageIdentity.h"

#include "store/Windows1252.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <QList>

#include <memory>

#include <algorithm>

namespace orvelan {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// ICU's SCSU converter, one per thread, reset before every use so each field starts in the
// initial state.
UConverter* scsu() {
    thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, ConverterCloser> opened(ucnv_open("SCSU", &status));
        if (U_FAILURE(status))
            qFatal("ICU has no SCSU converter");
        return opened;
    }();
    ucnv_reset(converter.get());
    return converter.get();
}

QString fromScsu(QByteArrayView bytes) {
    UErrorCode status = U_ZERO_ERROR;
    QString text(bytes.size() * 2 + 2, Qt::Uninitialized);
    const int32_t length =
        ucnv_toUChars(scsu(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                      bytes.data(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return QString(bytes.size(), QChar::ReplacementCharacter);
    text.truncate(length);
    return text;
}

QByteArray rawScsu(QStringView text) {
    UErrorCode status = U_ZERO_ERROR;
    QByteArray bytes(text.size() * 3 + 4, Qt::Uninitialized);
    const int32_t length = ucnv_fromUChars(scsu(), bytes.data(), int32_t(bytes.size()),
                                           reinterpret_cast<const UChar*>(text.utf16()),
                                           int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return {};
    bytes.truncate(length);
    return bytes;
}

// Tags that change the decoder's state without a character: SC0 (single-byte mode, window 0)
// and UC0 (from Unicode mode back to single-byte mode, window 0).
constexpr char SelectWindow0 = '\x10';
constexpr char UnicodeToWindow0 = '\xE0';

QByteArrayView withoutTrailingSpaces(QByteArrayView bytes) {
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    return bytes;
}

QStringView withoutTrailingSpaces(QStringView text) {
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

QByteArray toScsu(QStringView text) {
    QByteArray bytes = rawScsu(text);
    // A stream that ends in Unicode mode or in a quoted character can end in 0x20 as half of a
    // character; a closing state change keeps it from being trimmed as padding.
    if (!bytes.endsWith(' ') ||
        fromScsu(withoutTrailingSpaces(QByteArrayView(bytes))) == withoutTrailingSpaces(text))
        return bytes;
    for (const char closing : {SelectWindow0, UnicodeToWindow0}) {
        QByteArray closed = bytes + closing;
        if (fromScsu(closed) == text)
            return closed;
    }
    return bytes;
}

// The ends of the whole characters of `text` (a surrogate pair and a CR LF are one each).
QList<qsizetype> characterEnds(QStringView text) {
    QList<qsizetype> ends;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype step = 1;
        if ((text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ||
            (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
            step = 2;
        i += step;
        ends.append(i);
    }
    return ends;
}

} // namespace

TextEncoding encodingOfReserved(QByteArrayView reserved) {
    if (reserved == ScsuPageMarker)
        return TextEncoding::Scsu;
    if (reserved == Utf8PageMarker)
        return TextEncoding::Utf8;
    // A synchronised page keeps its encoding beside its identity (see PageIdentity).
    if (!pageIdOfReserved(reserved).isNull()) {
        if (reserved[1] == PageId::ScsuFlag)
            return TextEncoding::Scsu;
        if (reserved[1] == PageId::Utf8Flag)
            return TextEncoding::Utf8;
    }
    return TextEncoding::Windows1252;
}

bool isKnownReserved(QByteArrayView reserved) {
    if (reserved.size() != ReservedWidth)
        return false;
    const auto all = [reserved](char c) {
        return std::all_of(reserved.begin(), reserved.end(), [c](char b) { return b == c; });
    };
    return all('\0') || all(' ') || reserved == Utf8PageMarker || reserved == ScsuPageMarker ||
           !pageIdOfReserved(reserved).isNull();
}

TextEncoding encodingOfStored(QByteArrayView storedRecord) {
    constexpr qsizetype ReservedOffset = 1682;
    if (storedRecord.size() < ReservedOffset + ReservedWidth)
        return TextEncoding::Windows1252;
    return encodingOfReserved(storedRecord.sliced(ReservedOffset, ReservedWidth));
}

QByteArray reservedFor(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return Utf8PageMarker.toByteArray();
    case TextEncoding::Scsu:
        return ScsuPageMarker.toByteArray();
    case TextEncoding::Windows1252:
        break;
    }
    return {};
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    if (bytes.isEmpty())
        return {};
    switch (encoding) {
    case TextEncoding::Utf8:
        return QString::fromUtf8(bytes);
    case TextEncoding::Scsu:
        return fromScsu(bytes);
    case TextEncoding::Windows1252:
        break;
    }
    return fromWindows1252(bytes);
}

QByteArray encodeText(QStringView text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Scsu:
        return toScsu(text);
    case TextEncoding::Windows1252:
        break;
    }
    return toWindows1252(text);
}

TextEncoding encodingFor(QStringView text) {
    return fitsWindows1252(text) ? TextEncoding::Windows1252 : TextEncoding::Scsu;
}

QByteArray fittedBytes(QByteArrayView bytes, qsizetype width, TextEncoding encoding) {
    if (bytes.size() <= width)
        return bytes.toByteArray();
    if (encoding != TextEncoding::Scsu)
        return bytes.first(fittingLength(bytes, width, encoding)).toByteArray();
    // The start of the text whose own SCSU form fits: found by halving, then grown while the
    // next character still fits (the encoder looks ahead, so lengths are not strictly additive).
    const QString text = fromScsu(bytes);
    const QList<qsizetype> ends = characterEnds(text);
    qsizetype low = 0; // characters known to fit
    qsizetype high = ends.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (toScsu(QStringView(text).first(ends[middle - 1])).size() <= width)
            low = middle;
        else
            high = middle - 1;
    }
    while (low < ends.size() && toScsu(QStringView(text).first(ends[low])).size() <= width)
        ++low;
    QByteArray fitted = low == 0 ? QByteArray() : toScsu(QStringView(text).first(ends[low - 1]));
    while (fitted.size() > width && low > 1) // never more than the width
        fitted = toScsu(QStringView(text).first(ends[--low - 1]));
    return fitted.size() <= width ? fitted : QByteArray();
}

qsizetype fittingLength(QByteArrayView bytes, qsizetype width, TextEncoding encoding) {
    if (bytes.size() <= width)
        return bytes.size();
    if (encoding == TextEncoding::Windows1252)
        return width;
    if (encoding == TextEncoding::Scsu)
        return fittedBytes(bytes, width, encoding).size();
    // Step back over continuation bytes to the start of the character that would be cut.
    qsizetype end = width;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return end;
}

qsizetype encodedLength(QStringView text, TextEncoding encoding) {
    if (encoding == TextEncoding::Scsu)
        return toScsu(text).size();
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
