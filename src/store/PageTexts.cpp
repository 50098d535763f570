#include "store/PageTexts.h"

#include "store/TabTable.h"
#include "store/Windows1252.h"

namespace orvelan {

QByteArray storedFormOf(int viewIndex, QStringView text, TextEncoding encoding) {
    if (viewIndex != NotesViewIndex || (!text.contains(u'\r') && !text.contains(u'\n')))
        return encodeText(text, encoding);
    // Line breaks are carriage return + line feed on disk, put in before encoding: an SCSU
    // stream holds those bytes inside other characters too.
    QString lines = text.toString();
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return encodeText(lines, encoding);
}

QString viewFormOf(int viewIndex, QByteArrayView stored, TextEncoding encoding) {
    QString text;
    if (!stored.isEmpty())
        viewFormOf(viewIndex, stored, encoding, text);
    return text;
}

void viewFormOf(int viewIndex, QByteArrayView stored, TextEncoding encoding, QString& text) {
    if (stored.isEmpty())
        text.truncate(0);
    else if (encoding == TextEncoding::Windows1252)
        fromWindows1252(stored, text);
    else
        text = decodeText(stored, encoding);
    if (viewIndex != NotesViewIndex || !text.contains(u'\r'))
        return;
    // Carriage return + line feed becomes a line feed; a lone carriage return stays.
    QChar* const begin = text.data();
    QChar* to = begin;
    for (const QChar* at = begin; at < begin + text.size(); ++at) {
        if (*at == u'\r' && at + 1 < begin + text.size() && at[1] == u'\n')
            continue;
        *to++ = *at;
    }
    text.truncate(to - begin);
}

qsizetype storedLengthOf(int viewIndex, QStringView text, TextEncoding encoding) {
    if (encoding == TextEncoding::Scsu)
        return storedFormOf(viewIndex, text, encoding).size();
    qsizetype length = encodedLength(text, encoding);
    if (viewIndex == NotesViewIndex)
        length += text.count(u'\n') + text.count(u'\r') - 2 * text.count(u"\r\n");
    return length;
}

bool fitsWhole(int viewIndex, QStringView text, TextEncoding encoding) {
    return storedLengthOf(viewIndex, text, encoding) <= specOf(viewField(viewIndex)).width;
}

TextEncoding encodingFor(const PageTexts& texts) {
    for (const QString& text : texts) {
        if (encodingFor(QStringView(text)) != TextEncoding::Windows1252)
            return TextEncoding::Scsu;
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
    return QStringLiteral("%1 holds at most %2 bytes (a letter outside Western Europe takes "
                          "about one byte, a Chinese, Japanese or Korean character two).")
        .arg(QLatin1StringView(spec.name))
        .arg(spec.width);
}

bool fits(int viewIndex, QStringView text, TextEncoding encoding) {
    return fitsWhole(viewIndex, trimSpaces(text), encoding);
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
            return QStringLiteral("With this text the page is stored in Unicode, and %1")
                .arg(tooLong(k, encoding));
    }
    return {};
}

namespace {

// Whether `text` fits box `viewIndex` of `page`, in the encoding the page would then take.
bool fitsField(const PageTexts& page, int viewIndex, QStringView text) {
    PageTexts after = page;
    after[viewIndex] = text.toString();
    return fitsWhole(viewIndex, trimSpaces(text), encodingFor(after));
}

} // namespace

FittedEdit fitEditToField(const PageTexts& page, int viewIndex, QStringView before,
                          QStringView after) {
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    // Never split a surrogate pair between the kept text and the insertion.
    if (prefix > 0 && prefix < after.size() && after[prefix - 1].isHighSurrogate())
        --prefix;
    if (suffix > 0 && suffix < after.size() && after[after.size() - suffix].isLowSurrogate())
        --suffix;
    FittedEdit fitted;
    fitted.insertedLength = after.size() - prefix - suffix;
    if (fitsField(page, viewIndex, after)) {
        fitted.text = after.toString();
        PageTexts fittedPage = page;
        fittedPage[viewIndex] = fitted.text;
        fitted.encoding = encodingFor(fittedPage);
        return fitted;
    }
    fitted.cut = true;
    const QStringView head = after.first(prefix);
    const QStringView inserted = after.sliced(prefix, fitted.insertedLength);
    const QStringView tail = after.last(suffix);
    QString best = head.toString() + tail.toString();
    for (qsizetype taken = 1; taken <= inserted.size(); ++taken) {
        if (inserted[taken - 1].isHighSurrogate() && taken < inserted.size())
            continue;
        QString candidate = head.toString() + inserted.first(taken).toString() + tail.toString();
        if (!fitsField(page, viewIndex, candidate))
            break;
        best = std::move(candidate);
    }
    if (!fitsField(page, viewIndex, best)) {
        // The text around the edit does not fit by itself: keep its longest fitting start.
        QString start;
        for (const QChar ch : std::as_const(best)) {
            start.append(ch);
            if (!ch.isHighSurrogate() && !fitsField(page, viewIndex, start)) {
                start.chop(1);
                break;
            }
        }
        if (!start.isEmpty() && start.back().isHighSurrogate())
            start.chop(1);
        best = start;
    }
    fitted.text = std::move(best);
    PageTexts fittedPage = page;
    fittedPage[viewIndex] = fitted.text;
    fitted.encoding = encodingFor(fittedPage);
    return fitted;
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
