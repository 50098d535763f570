#include "search/NameKey.h"

#include "store/PageRecord.h"
#include "store/Windows1252.h"

#include <QVarLengthArray>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>

#include <algorithm>

namespace orvelan {

namespace {

bool isApostrophe(char32_t c) {
    return c == U'\'' || c == U'\u2019' || c == U'\u02bc' || c == U'`';
}

bool isWordCharacter(char32_t c) {
    return u_isalnum(static_cast<UChar32>(c)) || u_getCombiningClass(static_cast<UChar32>(c)) ||
           u_charType(static_cast<UChar32>(c)) == U_NON_SPACING_MARK ||
           u_charType(static_cast<UChar32>(c)) == U_COMBINING_SPACING_MARK;
}

// A family name and a given name written together without a space, as Chinese, Japanese and
// Korean names are.
bool isWrittenTogether(QStringView word) {
    const QList<uint> characters = word.toUcs4();
    if (characters.size() < 2 || characters.size() > 4)
        return false;
    return std::all_of(characters.begin(), characters.end(), [](uint c) {
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode code = uscript_getScript(static_cast<UChar32>(c), &status);
        return U_SUCCESS(status) && (code == USCRIPT_HAN || code == USCRIPT_HANGUL);
    });
}

// Lower-case ASCII letters and digits of `text`, in order.
QString asciiLettersOf(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            out += QChar(u + 32);
        else if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            out += c;
    }
    return out;
}

QString sortedKey(QStringList& words) {
    words.removeAll(QString());
    std::sort(words.begin(), words.end());
    return words.join(u' ');
}

} // namespace

// Built at the first word that is not plain ASCII: most books never need it.
struct NameKeys::Transliterator {
    std::unique_ptr<icu::Transliterator> icu;
    bool tried = false;

    icu::Transliterator* get() {
        if (!tried) {
            tried = true;
            UErrorCode status = U_ZERO_ERROR;
            icu.reset(icu::Transliterator::createInstance("NFKC; Any-Latin; Latin-ASCII",
                                                          UTRANS_FORWARD, status));
            if (U_FAILURE(status))
                icu.reset();
        }
        return icu.get();
    }
};

NameKeys::NameKeys() : m_transliterator(std::make_unique<Transliterator>()) {}

NameKeys::~NameKeys() = default;

QString NameKeys::latinWord(QStringView word) {
    bool ascii = true;
    for (const QChar c : word)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return asciiLettersOf(word);
    const QString original = word.toString();
    if (const auto known = m_words.constFind(original); known != m_words.cend())
        return known.value();
    QString latin = original;
    if (icu::Transliterator* transliterator = m_transliterator->get()) {
        icu::UnicodeString text(reinterpret_cast<const UChar*>(original.utf16()),
                                static_cast<int32_t>(original.size()));
        transliterator->transliterate(text);
        latin = QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
    }
    // What has no Latin form (a sign ICU leaves alone) is kept as it is, case folded.
    QString key = asciiLettersOf(latin);
    if (key.isEmpty())
        key = original.toCaseFolded();
    m_words.insert(original, key);
    return key;
}

QString NameKeys::keyOf(QStringView name) {
    // Plain ASCII never needs ICU: its letters and digits are the words.
    if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return keyOfWindows1252(name.toLatin1());
    QStringList words;
    QString word;
    const auto endWord = [&] {
        if (!word.isEmpty())
            words.append(word);
        word.clear();
    };
    for (const char32_t c : name.toUcs4()) {
        if (isApostrophe(c))
            continue;
        if (isWordCharacter(c))
            word += QString::fromUcs4(&c, 1);
        else
            endWord();
    }
    endWord();
    if (words.size() == 1 && isWrittenTogether(words[0])) {
        const qsizetype first = words[0].front().isHighSurrogate() ? 2 : 1;
        words = {words[0].left(first), words[0].mid(first)};
    }
    for (QString& w : words)
        w = latinWord(w);
    return sortedKey(words);
}

QString NameKeys::keyOfPage(const PlainRecord& page) {
    return page.encoding() == TextEncoding::Windows1252 ? keyOfWindows1252(page.field(Field::Name))
                                                        : keyOf(page.text(Field::Name));
}

QString NameKeys::keyOfWindows1252(QByteArrayView name) {
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii)
        return keyOf(fromWindows1252(name));
    // The words' lower-case letters and digits one after another, then the words sorted.
    QVarLengthArray<char, 64> letters;
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 8> spans; // start, length
    qsizetype start = 0;
    for (const char c : name) {
        if (c == '\'' || c == '`')
            continue;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            letters.append(c);
        } else if (c >= 'A' && c <= 'Z') {
            letters.append(static_cast<char>(c + 32));
        } else if (letters.size() > start) {
            spans.append({start, letters.size() - start});
            start = letters.size();
        }
    }
    if (letters.size() > start)
        spans.append({start, letters.size() - start});
    QVarLengthArray<QByteArrayView, 8> words;
    for (const auto& [at, length] : spans)
        words.append(QByteArrayView(letters.constData() + at, length));
    std::sort(words.begin(), words.end());
    QString key;
    key.reserve(letters.size() + words.size());
    for (const QByteArrayView word : words) {
        if (!key.isEmpty())
            key += u' ';
        key += QLatin1StringView(word);
    }
    return key;
}

QString emailKey(const QString& email) {
    const QString key = email.trimmed().toCaseFolded();
    return key.contains(u'@') ? key : QString();
}

} // namespace orvelan
