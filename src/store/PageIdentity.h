#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <QHashFunctions>

namespace orvelan {

// The identity a page keeps while it is synchronised with a contacts server. It lives in bytes
// 2..7 of the page's Reserved field (plain, never enciphered); bytes 0..1 belong to the marker
// of the page's text encoding. A page without an identity has zero bytes or spaces there, as
// every page written before its book was first synchronised does. docs/page-record.md describes
// the layout.
class PageId {
public:
    PageId() = default;
    static PageId fromValue(quint64 value) { return PageId(value & Mask); }
    // Twelve lower-case hexadecimal digits; a null identity for anything else.
    static PageId fromString(QStringView text);
    // A fresh identity: six random bytes, none of them a zero byte or a space, so that an
    // identity can never be mistaken for an empty field.
    static PageId random();
    // An identity derived from a text (a server resource name), following the same byte rule.
    static PageId derivedFrom(QByteArrayView text);

    bool isNull() const { return m_value == 0; }
    quint64 value() const { return m_value; }
    QString toString() const;

    friend bool operator==(PageId, PageId) = default;

    static constexpr int ReservedOffset = 2; // within the Reserved field
    static constexpr int Size = 6;

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
// Writes `id` into a stored record; a null id clears the identity bytes to zero.
void setPageId(QByteArray& storedRecord, PageId id);

} // namespace orvelan
