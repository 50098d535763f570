#pragma once

#include <QByteArrayView>
#include <QString>

struct UConverter;

namespace orvelan {

// Decodes bytes written in the named character set ("Shift_JIS", "ISO-8859-2", "windows-1251"
// and every other name ICU's converters know). False when no converter knows the name.
bool decodeNamedCharset(QByteArrayView bytes, const QString& name, QString& text);

// Decodes a stream of bytes in a named character set a part at a time, as decodeNamedCharset()
// decodes them all at once.
class CharsetDecoder {
public:
    explicit CharsetDecoder(const QString& name);
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;
    bool valid() const { return m_converter != nullptr; }
    // Appends the text of `bytes` to `text`; `last` ends the stream (a sequence left open is
    // then decoded as a whole stream's end is).
    void decode(QByteArrayView bytes, bool last, QString& text);
    // Back to the start of a stream.
    void reset();

private:
    ::UConverter* m_converter = nullptr;
};

// Whether a converter knows the name.
bool isKnownCharset(const QString& name);

} // namespace orvelan
