#include "store/TabTable.h"

namespace orvelan {

QString tabFileName(int tab) {
    if (tab == 0)
        return QStringLiteral("OrvelC0.rfx");
    return QStringLiteral("Orvel") + QString::number(tab, 16).rightJustified(2, u'0').toUpper() +
           QStringLiteral(".raf");
}

QString tabTempFileName(int tab) {
    QString name = tabFileName(tab);
    name.chop(3);
    return name + QStringLiteral("ra_");
}

QByteArray tabLabel(int tab) {
    if (tab == 0)
        return QByteArrayLiteral("*0 ");
    if (tab == 9)
        return QByteArrayLiteral("I J ");
    const char letter = static_cast<char>(tab < 9 ? 'A' + tab - 1 : 'A' + tab);
    return QByteArray(1, letter) + ' ';
}

namespace {

int tabForLetter(char32_t upper) {
    if (upper < 'A' || upper > 'Z')
        return 0;
    if (upper <= 'H')
        return static_cast<int>(upper - 'A') + 1;
    if (upper <= 'J')
        return 9;
    return static_cast<int>(upper - 'A');
}

char32_t asciiUpper(char32_t c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

} // namespace

QByteArrayView trimSpaces(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.sliced(begin, end - begin);
}

QStringView trimSpaces(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

int tabForName(QByteArrayView name) {
    const QByteArrayView trimmed = trimSpaces(name);
    if (trimmed.isEmpty())
        return 0;
    return tabForLetter(asciiUpper(static_cast<unsigned char>(trimmed[0])));
}

int tabForName(QStringView name) {
    const QStringView trimmed = trimSpaces(name);
    if (trimmed.isEmpty())
        return 0;
    return tabForLetter(asciiUpper(trimmed[0].unicode()));
}

int parseTab(QStringView text) {
    const QStringView trimmed = text.trimmed();
    if (trimmed.size() == 1 && trimmed[0].isLetter() && trimmed[0].unicode() < 128)
        return tabForLetter(asciiUpper(trimmed[0].unicode()));
    bool ok = false;
    const int index = trimmed.toInt(&ok);
    return ok && index >= 0 && index < TabCount ? index : -1;
}

} // namespace orvelan
