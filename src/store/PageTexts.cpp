#include "store/PageTexts.h"

#include "store/TabTable.h"
#include "store/Windows1252.h"

namespace orvelan {

QByteArray storedFormOf(int viewIndex, QStringView text) {
    QByteArray bytes = toWindows1252(text);
    if (viewIndex == NotesViewIndex) {
        bytes.replace("\r\n", "\n");
        bytes.replace('\r', "\n");
        bytes.replace("\n", "\r\n");
    }
    return bytes;
}

QString viewFormOf(int viewIndex, QByteArrayView stored) {
    QString text = fromWindows1252(stored);
    if (viewIndex == NotesViewIndex)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

qsizetype storedLengthOf(int viewIndex, QStringView text) {
    qsizetype length = text.size();
    if (viewIndex == NotesViewIndex)
        length += text.count(u'\n');
    return length;
}

namespace {

bool fitsField(int viewIndex, QStringView text) {
    return storedLengthOf(viewIndex, trimSpaces(text)) <= specOf(viewField(viewIndex)).width;
}

} // namespace

FittedEdit fitEditToField(int viewIndex, QStringView before, QStringView after) {
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
    if (fitsField(viewIndex, after)) {
        fitted.text = after.toString();
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
        if (!fitsField(viewIndex, candidate))
            break;
        best = std::move(candidate);
    }
    if (!fitsField(viewIndex, best)) {
        // The text around the edit does not fit by itself: keep its longest fitting start.
        QString start;
        for (const QChar ch : std::as_const(best)) {
            start.append(ch);
            if (!ch.isHighSurrogate() && !fitsField(viewIndex, start)) {
                start.chop(1);
                break;
            }
        }
        if (!start.isEmpty() && start.back().isHighSurrogate())
            start.chop(1);
        best = start;
    }
    fitted.text = std::move(best);
    return fitted;
}

QString inputProblem(int viewIndex, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t ch = text[i].isHighSurrogate() && i + 1 < text.size()
                                ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                : text[i].unicode();
        if (!fitsWindows1252(ch))
            return QStringLiteral(
                       "The character \u201c%1\u201d cannot be stored in an address book page.")
                .arg(QString::fromUcs4(&ch, 1));
    }
    const int width = specOf(viewField(viewIndex)).width;
    if (storedLengthOf(viewIndex, trimSpaces(text)) > width)
        return QStringLiteral("%1 holds at most %2 characters.")
            .arg(QLatin1StringView(specOf(viewField(viewIndex)).name))
            .arg(width);
    return {};
}

PageTexts textsOf(const PageRecord& record) {
    PageTexts texts;
    for (int i = 0; i < ViewFieldCount; ++i)
        texts[i] = viewFormOf(i, record[viewField(i)]);
    return texts;
}

void fillRecord(PageRecord& record, const PageTexts& texts) {
    for (int i = 0; i < ViewFieldCount; ++i)
        record[viewField(i)] = storedFormOf(i, texts[i]);
}

} // namespace orvelan
