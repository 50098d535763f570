#include "store/TabTable.h"

#include "store/Windows1252.h"

#include <QList>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

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

QString tabCaption(int tab) {
    return QString::fromLatin1(tabLabel(tab)).trimmed();
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

} // namespace

QByteArrayView trimSpaces(QByteArrayView text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // A stored field is padded with spaces to its width: they are passed eight at a time, from
    // the end first, so an empty field is not walked byte by byte.
    constexpr quint64 EightSpaces = 0x2020202020202020ULL;
    while (end - begin >= 8) {
        quint64 word;
        std::memcpy(&word, end - 8, sizeof word);
        if (word != EightSpaces)
            break;
        end -= 8;
    }
    while (end > begin && end[-1] == ' ')
        --end;
    while (begin < end && *begin == ' ')
        ++begin;
    return QByteArrayView(begin, end - begin);
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

namespace {

char asciiLetter(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c);
    return 0;
}

// Any letter to its Latin base letter through ICU. The transliterator takes a while to build,
// so one is built on first use and shared; single letters are remembered.
class Romaniser {
public:
    char letterOf(QStringView text, bool remember) {
        const std::lock_guard lock(m_mutex);
        const char32_t first = text.toUcs4().value(0);
        if (remember) {
            if (const auto known = m_letters.find(first); known != m_letters.end())
                return known->second;
        }
        char letter = 0;
        if (transliterator()) {
            icu::UnicodeString latin(reinterpret_cast<const UChar*>(text.utf16()),
                                     static_cast<int32_t>(text.size()));
            m_transliterator->transliterate(latin);
            for (int32_t i = 0; i < latin.length() && !letter; ++i)
                letter = asciiLetter(latin.charAt(i));
        }
        if (remember)
            m_letters.emplace(first, letter);
        return letter;
    }

private:
    icu::Transliterator* transliterator() {
        if (!m_transliterator && !m_failed) {
            UErrorCode status = U_ZERO_ERROR;
            m_transliterator.reset(icu::Transliterator::createInstance(
                "NFKC; Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
            if (U_FAILURE(status))
                m_transliterator.reset();
            m_failed = !m_transliterator;
        }
        return m_transliterator.get();
    }

    std::mutex m_mutex;
    std::unique_ptr<icu::Transliterator> m_transliterator;
    bool m_failed = false;
    std::unordered_map<char32_t, char> m_letters;
};

Romaniser& romaniser() {
    static Romaniser instance;
    return instance;
}

constexpr qsizetype FirstWordLimit = 8; // UTF-16 units of the first word transliterated

} // namespace

char filingLetter(QStringView name) {
    const QStringView trimmed = trimSpaces(name);
    if (trimmed.isEmpty())
        return 0;
    if (trimmed[0].unicode() < 0x80)
        return asciiLetter(trimmed[0].unicode());
    const qsizetype firstLength =
        trimmed[0].isHighSurrogate() && trimmed.size() > 1 && trimmed[1].isLowSurrogate() ? 2 : 1;
    const QStringView first = trimmed.first(firstLength);
    const char32_t code = first.toUcs4().value(0);
    if (!u_isalpha(static_cast<UChar32>(code)))
        return 0;
    if (const char letter = romaniser().letterOf(first, true))
        return letter;
    qsizetype wordEnd = 0;
    while (wordEnd < trimmed.size() && wordEnd < FirstWordLimit && trimmed[wordEnd] != u' ')
        ++wordEnd;
    return romaniser().letterOf(trimmed.first(wordEnd), false);
}

int tabForName(QStringView name) {
    return tabForLetter(static_cast<unsigned char>(filingLetter(name)));
}

bool nameStartAllowed(QStringView name) {
    if (name.isEmpty())
        return true;
    const char32_t first = name.first(qMin<qsizetype>(2, name.size())).toUcs4().value(0);
    if (first == 0xFFFD && name[0].isSurrogate())
        return false; // half of a pair
    if (u_isUWhiteSpace(static_cast<UChar32>(first)))
        return false;
    switch (u_charType(static_cast<UChar32>(first))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_NON_SPACING_MARK:
    case U_COMBINING_SPACING_MARK:
    case U_ENCLOSING_MARK:
    case U_SURROGATE:
        return false;
    default:
        return true;
    }
}

int tabForName(QByteArrayView name) {
    const QByteArrayView trimmed = trimSpaces(name);
    if (trimmed.isEmpty())
        return 0;
    const auto first = static_cast<unsigned char>(trimmed[0]);
    if (first < 0x80)
        return tabForLetter(static_cast<unsigned char>(asciiLetter(first)));
    return tabForName(QStringView(fromWindows1252(trimmed.first(1))));
}

int parseTab(QStringView text) {
    const QStringView trimmed = text.trimmed();
    if (trimmed.size() == 1 && trimmed[0].isLetter() && trimmed[0].unicode() < 128)
        return tabForLetter(static_cast<unsigned char>(asciiLetter(trimmed[0].unicode())));
    // The tab as listings print it: "*0", "I J", or "IJ" in a result line.
    const QString squeezed = trimmed.toString().remove(u' ');
    if (squeezed.compare(u"IJ", Qt::CaseInsensitive) == 0)
        return 9;
    if (squeezed == u"*0")
        return 0;
    bool ok = false;
    const int index = trimmed.toInt(&ok);
    return ok && index >= 0 && index < TabCount ? index : -1;
}

} // namespace orvelan
