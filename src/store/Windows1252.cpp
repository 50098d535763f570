#include "store/Windows1252.h"

#include <array>

namespace orvelan {

namespace {

// 0x80..0x9F; the five bytes Windows leaves undefined map to the C1 control of the same value.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteFor(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (std::size_t i = 0; i < High.size(); ++i) {
        if (High[i] == ch)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

} // namespace

QString fromWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    fromWindows1252(bytes, text);
    return text;
}

void fromWindows1252(QByteArrayView bytes, QString& text) {
    text.resize(bytes.size());
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? High[b - 0x80] : static_cast<char16_t>(b));
    }
}

void appendWindows1252AsUtf8(QByteArray& utf8, QByteArrayView bytes) {
    const qsizetype start = utf8.size();
    utf8.resize(start + 3 * bytes.size()); // no character takes more than three bytes
    char* out = utf8.data() + start;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t ch = b >= 0x80 && b < 0xA0 ? High[b - 0x80] : b;
        if (ch < 0x80) {
            *out++ = static_cast<char>(ch);
        } else if (ch < 0x800) {
            *out++ = static_cast<char>(0xC0 | (ch >> 6));
            *out++ = static_cast<char>(0x80 | (ch & 0x3F));
        } else {
            *out++ = static_cast<char>(0xE0 | (ch >> 12));
            *out++ = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    utf8.truncate(out - utf8.data());
}

QByteArray toWindows1252(QStringView text, qsizetype* unmappable) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    qsizetype bad = 0;
    qsizetype i = 0;
    for (; i < text.size() && text[i].unicode() < 0x80; ++i) // the usual plain ASCII, at once
        *out++ = static_cast<char>(text[i].unicode());
    for (; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // one character outside the basic plane, one '?'
        const int b = byteFor(ch.unicode());
        if (b < 0) {
            *out++ = '?';
            ++bad;
        } else {
            *out++ = static_cast<char>(b);
        }
    }
    bytes.truncate(out - bytes.data());
    if (unmappable)
        *unmappable = bad;
    return bytes;
}

bool fitsWindows1252(char32_t ch) {
    return ch <= 0xFFFF && byteFor(static_cast<char16_t>(ch)) >= 0;
}

bool isPrintableAscii(QStringView text) {
    bool printable = true;
    for (const QChar ch : text)
        printable &= ch.unicode() >= 0x20 && ch.unicode() < 0x7F;
    return printable;
}

bool fitsWindows1252(QStringView text) {
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x80 && byteFor(ch.unicode()) < 0)
            return false;
    }
    return true;
}

} // namespace orvelan
