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
