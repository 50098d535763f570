#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>

namespace orvelan {

// The key under which the same name written in any script, case or word order files together:
// each word transliterated to plain Latin letters (ICU: Any-Latin, then Latin-ASCII), case
// folded, apostrophes dropped, other punctuation taken as a space, and the words sorted.
// "Иванов Иван", "Ivanov, Ivan" and "IVAN IVANOV" all give "ivan ivanov". A name written in Han
// or Hangul without spaces ("王小明") is read as family name and given name ("wang xiaoming"),
// so it meets "Xiaoming Wang". The transliterator is built once per object, when a word first
// needs it, and every word it turned is remembered, so a book of many pages transliterates each
// distinct word once.
class PlainRecord;

class NameKeys {
public:
    NameKeys();
    ~NameKeys();
    NameKeys(const NameKeys&) = delete;
    NameKeys& operator=(const NameKeys&) = delete;

    QString keyOf(QStringView name);
    // The same for a Windows-1252 name as stored; plain ASCII names never reach ICU.
    QString keyOfWindows1252(QByteArrayView name);
    // The key of a stored page's Name, read by the page's encoding.
    QString keyOfPage(const PlainRecord& page);

private:
    QString latinWord(QStringView word);

    struct Transliterator; // ICU's, kept out of this header
    std::unique_ptr<Transliterator> m_transliterator;
    QHash<QString, QString> m_words;
};

// The key under which the same e-mail address meets itself whatever its letter case: the
// address trimmed and case folded, or empty for a text without "@".
QString emailKey(const QString& email);

} // namespace orvelan
