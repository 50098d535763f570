#include "telephony/DialNumber.h"

#include "store/TabTable.h"

#include <QString>

#include <cmath>

namespace orvelan {

namespace {

// The characters Val reads, with blanks, tabs and line feeds taken out wherever they stand.
QString withoutBlanks(QStringView text) {
    QString compact;
    compact.reserve(text.size());
    for (const QChar ch : text) {
        if (ch != u' ' && ch != u'\t' && ch != u'\n' && ch != u'\r')
            compact.append(ch);
    }
    return compact;
}

double radixValue(QStringView digits, int radix) {
    double value = 0;
    for (const QChar ch : digits) {
        const int digit = ch.isDigit() ? ch.digitValue()
                          : (radix == 16 && ch.toUpper() >= u'A' && ch.toUpper() <= u'F')
                              ? ch.toUpper().unicode() - u'A' + 10
                              : -1;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

} // namespace

double numericValue(QStringView text) {
    const QString s = withoutBlanks(text);
    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind == u'H')
            return radixValue(QStringView(s).sliced(2), 16);
        if (kind == u'O')
            return radixValue(QStringView(s).sliced(2), 8);
    }
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    double value = 0;
    bool digits = false;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        value = value * 10 + s[i++].digitValue();
        digits = true;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
            value += s[i++].digitValue() * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (digits && i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            negativeExponent = s[j++] == u'-';
        int exponent = 0;
        bool exponentDigits = false;
        while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128 && exponent < 10000) {
            exponent = exponent * 10 + s[j++].digitValue();
            exponentDigits = true;
        }
        if (exponentDigits)
            value *= std::pow(10.0, negativeExponent ? -exponent : exponent);
    }
    return negative ? -value : value;
}

bool isDialableNumber(QStringView number) {
    const QStringView trimmed = trimSpaces(number);
    if (trimmed.size() < 3)
        return false;
    if (numericValue(trimmed) == 0 && trimmed[0] != u'*' && trimmed[0] != u'#')
        return false;
    return true;
}

QString firstTelephoneNumber(QStringView field) {
    const auto isDigit = [](QChar ch) { return ch >= u'0' && ch <= u'9'; };
    const auto isKey = [&](QChar ch) { return isDigit(ch) || ch == u'*' || ch == u'#'; };
    const auto isGrouping = [](QChar ch) {
        return ch == u' ' || ch == u'-' || ch == u'.' || ch == u'(' || ch == u')';
    };
    qsizetype i = 0;
    while (i < field.size() && !isKey(field[i]) &&
           !(field[i] == u'+' && i + 1 < field.size() && isKey(field[i + 1])))
        ++i;
    QString number;
    if (i < field.size() && field[i] == u'+')
        number.append(field[i++]);
    for (; i < field.size(); ++i) {
        const QChar ch = field[i];
        if (isKey(ch))
            number.append(ch);
        else if (!isGrouping(ch))
            break; // a letter ("ext"), a slash or comma before a second number, a second "+"
    }
    return number;
}

} // namespace orvelan
