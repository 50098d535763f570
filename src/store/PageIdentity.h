#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <QHashFunctions>

namespace orvelan {

// The identity a page keeps while it is synchronised with a contacts server, held in the page's
// Reserved field (plain, never enciphered) beside the page's text encoding:
//   byte 0     'I'  (the page has an identity)
//   byte 1     'S'  (texts in SCSU), '8' (texts in UTF-8) or 'W' (texts in Windows-1252)
//   bytes 2-7  the identity: six bytes, none of them a zero byte or a space
// A page without an identity keeps the Reserved field of its encoding (zero bytes, spaces or the
// SCSU or UTF-8 marker), as every page written before its book was first synchronised does.
// docs/page-text-encoding.md describes the layout.
class PageId {
public:
    PageId() = default;
    // The value as it is. A page holds only an identity with no zero byte or space among its
    // six bytes (as random() and derivedFrom() make them); see fitsAPage().
    static PageId fromValue(quint64 value) { return PageId(value & Mask); }
    // Twelve lower-case hexadecimal digits of an identity that fits a page; a null identity for
    // anything else (a damaged or hand-edited file).
    static PageId fromString(QStringView text);
    // A fresh identity: six random bytes, none of them a zero byte or a space, so that an
    // identity can never be mistaken for an empty field.
    static PageId random();
    // An identity derived from a text (a server resource name), following the same byte rule.
    static PageId derivedFrom(QByteArrayView text);

    bool isNull() const { return m_value == 0; }
    // None of its six bytes is a zero byte or a space: a page can hold it and read it back.
    bool fitsAPage() const;
    quint64 value() const { return m_value; }
    QString toString() const;

    friend bool operator==(PageId, PageId) = default;

    static constexpr int Size = 6;
    static constexpr char Tag = 'I';
    static constexpr char Utf8Flag = '8';
    static constexpr char ScsuFlag = 'S';
    static constexpr char Windows1252Flag = 'W';

private:
    explicit PageId(quint64 value) : m_value(value) {}
    static constexpr quint64 Mask = 0xffffffffffffULL;
    quint64 m_value = 0;
};

inline size_t qHash(PageId id, size_t seed = 0) {
    return ::qHash(id.value(), seed);
}

// The identity held by a stored record (RecordSize bytes); null when it holds none.
PageId pageIdOf(QByteArrayView storedRecord);
PageId pageIdOfReserved(QByteArrayView reserved);
// Writes `id` into a stored record, keeping the record's text encoding. A null id gives the
// record the Reserved field of its encoding when it had an identity, and leaves it alone
// otherwise (a blank page keeps its spaces). An identity that does not fit a page is never
// written: it would make the page's texts read in another encoding.
void setPageId(QByteArray& storedRecord, PageId id);

} // namespace orvelan
