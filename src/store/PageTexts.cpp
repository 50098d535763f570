#include "store/PageTexts.h"

#include "store/TabTable.h"

namespace orvelan {

QByteArray storedFormOf(int viewIndex, QStringView text, TextEncoding encoding) {
    QByteArray bytes = encodeText(text, encoding);
    if (viewIndex == NotesViewIndex) {
        bytes.replace("\r\n", "\n");
        bytes.replace('\r', "\n");
        bytes.replace("\n", "\r\n");
    }
    return bytes;
}

QString viewFormOf(int viewIndex, QByteArrayView stored, TextEncoding encoding) {
    QString text = decodeText(stored, encoding);
    if (viewIndex == NotesViewIndex)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

qsizetype storedLengthOf(int viewIndex, QStringView text, TextEncoding encoding) {
    qsizetype length = encodedLength(text, encoding);
    if (viewIndex == NotesViewIndex)
        length += text.count(u'\n') + text.count(u'\r') - 2 * text.count(u"\r\n");
    return length;
}

TextEncoding encodingFor(const PageTexts& texts) {
    for (const QString& text : texts) {
        if (encodingFor(QStringView(text)) == TextEncoding::Utf8)
            return TextEncoding::Utf8;
    }
    return TextEncoding::Windows1252;
}

namespace {

QString tooLong(int viewIndex, TextEncoding encoding) {
    const FieldSpec& spec = specOf(viewField(viewIndex));
    if (encoding == TextEncoding::Windows1252)
        return QStringLiteral("%1 holds at most %2 characters.")
            .arg(QLatin1StringView(spec.name))
            .arg(spec.width);
    return QStringLiteral("%1 holds at most %2 bytes of UTF-8 (letters outside Western Europe "
                          "take two to four bytes each).")
        .arg(QLatin1StringView(spec.name))
        .arg(spec.width);
}

bool fits(int viewIndex, QStringView text, TextEncoding encoding) {
    return storedLengthOf(viewIndex, trimSpaces(text), encoding) <=
           specOf(viewField(viewIndex)).width;
}

} // namespace

QString inputProblem(const PageTexts& page, int viewIndex, QStringView text) {
    if (const char32_t ch = unstorableCharacter(text))
        return QStringLiteral(
                   "The character \u201c%1\u201d cannot be stored in an address book page.")
            .arg(QString::fromUcs4(&ch, 1));
    PageTexts after = page;
    after[viewIndex] = text.toString();
    const TextEncoding encoding = encodingFor(after);
    if (!fits(viewIndex, text, encoding))
        return tooLong(viewIndex, encoding);
    // A text that turns the page to UTF-8 must not push another field past its width.
    for (int k = 0; k < ViewFieldCount; ++k) {
        if (k != viewIndex && !fits(k, after[k], encoding))
            return QStringLiteral("With this text the page is stored in UTF-8, and %1")
                .arg(tooLong(k, encoding));
    }
    return {};
}

PageTexts textsOf(const PageRecord& record) {
    PageTexts texts;
    const TextEncoding encoding = record.encoding();
    for (int i = 0; i < ViewFieldCount; ++i)
        texts[i] = viewFormOf(i, record[viewField(i)], encoding);
    return texts;
}

void fillRecord(PageRecord& record, const PageTexts& texts) {
    const TextEncoding encoding = encodingFor(texts);
    for (int i = 0; i < ViewFieldCount; ++i)
        record[viewField(i)] = storedFormOf(i, texts[i], encoding);
    record[Field::Reserved] = reservedFor(encoding);
}

} // namespace orvelan
