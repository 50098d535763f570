#include "exchange/Charsets.h"

#include <unicode/ucnv.h>

namespace orvelan {

namespace {

UConverter* openConverter(const QString& name) {
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray latin1 = name.trimmed().toLatin1();
    if (latin1.isEmpty())
        return nullptr;
    UConverter* converter = ucnv_open(latin1.constData(), &status);
    if (U_FAILURE(status)) {
        if (converter)
            ucnv_close(converter);
        return nullptr;
    }
    return converter;
}

} // namespace

bool isKnownCharset(const QString& name) {
    UConverter* converter = openConverter(name);
    if (converter)
        ucnv_close(converter);
    return converter != nullptr;
}

bool decodeNamedCharset(QByteArrayView bytes, const QString& name, QString& text) {
    UConverter* converter = openConverter(name);
    if (!converter)
        return false;
    const auto convert = [&](qsizetype room, UErrorCode& status) {
        text.resize(room);
        status = U_ZERO_ERROR;
        return ucnv_toUChars(converter, reinterpret_cast<UChar*>(text.data()),
                             static_cast<int32_t>(room), bytes.data(),
                             static_cast<int32_t>(bytes.size()), &status);
    };
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = convert(bytes.size() * 2 + 16, status);
    if (status == U_BUFFER_OVERFLOW_ERROR)
        length = convert(length + 1, status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return false;
    text.resize(length);
    return true;
}

CharsetDecoder::CharsetDecoder(const QString& name) : m_converter(openConverter(name)) {}

CharsetDecoder::~CharsetDecoder() {
    if (m_converter)
        ucnv_close(m_converter);
}

void CharsetDecoder::reset() {
    if (m_converter)
        ucnv_reset(m_converter);
}

void CharsetDecoder::decode(QByteArrayView bytes, bool last, QString& text) {
    if (!m_converter)
        return;
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    for (;;) {
        const qsizetype at = text.size();
        const qsizetype room = (sourceEnd - source) * 2 + 16;
        text.resize(at + room);
        UChar* target = reinterpret_cast<UChar*>(text.data() + at);
        UChar* const targetStart = target;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter, &target, target + room, &source, sourceEnd, nullptr, last,
                       &status);
        text.resize(at + (target - targetStart));
        if (status != U_BUFFER_OVERFLOW_ERROR)
            return;
    }
}

} // namespace orvelan
