#include "store/HiddenCharacters.h"

namespace orvelan {

namespace {

bool isHidden(char16_t c, bool keepLineBreaks) {
    if (c >= 0x20 && c < 0x7f)
        return false;
    if (c == u'\n' || c == u'\r')
        return !keepLineBreaks;
    if (c < 0x20 || c == 0x7f)
        return true;
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x200b ||
           c == 0xfeff;
}

} // namespace

qsizetype removeHiddenCharacters(QString& text, bool keepLineBreaks) {
    qsizetype found = 0;
    for (const QChar c : std::as_const(text)) {
        if (isHidden(c.unicode(), keepLineBreaks))
            ++found;
    }
    if (!found)
        return 0;
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : std::as_const(text)) {
        if (!isHidden(c.unicode(), keepLineBreaks))
            kept += c;
        else if (c == u'\t' || ((c == u'\n' || c == u'\r') && !keepLineBreaks))
            kept += u' ';
    }
    text = kept;
    return found;
}

} // namespace orvelan
