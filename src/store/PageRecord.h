#pragma once

#include "store/PageEncoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

namespace orvelan {

// The 30 fields of a page record, in their order on disk.
enum class Field {
    PageNo,
    Name,
    Addr1,
    Addr2,
    Addr3,
    Addr4,
    Addr5,
    Addr6,
    Phone1,
    Phone2,
    Mobile,
    Fax,
    Pager,
    Email,
    Group,
    Organisation,
    JobTitle,
    Department,
    OrgAddr1,
    OrgAddr2,
    OrgAddr3,
    OrgAddr4,
    OrgAddr5,
    OrgAddr6,
    OrgEmail,
    OrgWeb,
    Notes,
    DateModified,
    TimeModified,
    Reserved
};

struct FieldSpec {
    const char* name;    // "Name", "Addr1" ...
    int offset;          // byte offset in the record
    int width;           // bytes on disk
    const char* control; // the page text box that shows it, or "" for none
};

inline constexpr int RecordSize = 1690;
inline constexpr int FieldCount = 30;
inline constexpr int EncipheredFieldCount = 29; // every field but Reserved
inline constexpr int ViewFieldCount = 26;       // Name .. Notes, the page text boxes

extern const std::array<FieldSpec, FieldCount> RecordLayout;

inline const FieldSpec& specOf(Field f) {
    return RecordLayout[static_cast<int>(f)];
}
// The record field shown in page text box number `viewIndex` (0 = Name .. 25 = Notes).
inline Field viewField(int viewIndex) {
    return static_cast<Field>(viewIndex + 1);
}
// A field by its record name ("Name", "Phone1", ...), case-insensitive; -1 when unknown.
int fieldByName(QStringView name);

// One record deciphered in place: fields are read as trimmed views into the buffer, so scans
// over whole tabs allocate nothing per page.
class PlainRecord {
public:
    // `stored` must hold RecordSize bytes as they are on disk.
    explicit PlainRecord(QByteArrayView stored);

    QByteArrayView field(Field f) const;
    // A field's text, decoded by the page's encoding.
    QString text(Field f) const { return decodeText(field(f), m_encoding); }
    TextEncoding encoding() const { return m_encoding; }
    bool isBlank() const { return field(Field::Name).isEmpty(); }

private:
    std::array<char, RecordSize> m_bytes;
    TextEncoding m_encoding;
};

// The fields of a stored record read where the record lies (a chunk of a tab file, a mapping),
// for scans that read a few fields of many pages: where a field's text ends is found by comparing
// its stored bytes with those of a blank field, so the padding is never deciphered, and only the
// text is. Gives the same trimmed views as PlainRecord. `stored` must outlive the object; each
// field's view stays valid until that field is asked for again.
class StoredRecordView {
public:
    explicit StoredRecordView(QByteArrayView stored);

    QByteArrayView field(Field f) const;
    QString text(Field f) const { return decodeText(field(f), m_encoding); }
    TextEncoding encoding() const { return m_encoding; }
    bool isBlank() const;

private:
    // Runs of neighbouring fields that most pages leave empty, each compared at once the first
    // time one of its fields is asked for: the addresses, the numbers, the group to the
    // department, the work address to the web address.
    enum Run : std::uint8_t { Unknown, Blank, Written };
    mutable std::array<Run, 4> m_runs{};
    const char* m_stored;
    const char* m_blank; // blankRecord()
    const char* m_mask;  // the keystream over the record
    TextEncoding m_encoding;
    mutable std::array<char, RecordSize> m_plain; // each field deciphered at its own offset
};

// How many stored bytes of field `f` (of the record at `stored`) hold text: the field without
// the spaces that pad it, found without deciphering it. `blank` is blankRecord().
qsizetype storedTextLength(const char* stored, const char* blank, Field f);

// A page in memory: each field as its plain stored bytes, already trimmed, in the encoding its
// Reserved field announces (Windows-1252, or UTF-8 with the marker). Notes keep their line
// breaks as carriage return + line feed, as on disk.
class PageRecord {
public:
    QByteArray& operator[](Field f) { return m_fields[static_cast<int>(f)]; }
    const QByteArray& operator[](Field f) const { return m_fields[static_cast<int>(f)]; }

    TextEncoding encoding() const { return encodingOfReserved(m_fields[FieldCount - 1]); }
    QString text(Field f) const { return decodeText((*this)[f], encoding()); }

    static PageRecord fromStored(QByteArrayView stored);
    static PageRecord fromPlain(const PlainRecord& plain);
    // The stored form: every field trimmed, space-padded (cut at its width, never inside a
    // character) and enciphered by itself. Reserved is written as given (empty: 8 zero bytes,
    // as for a page saved from the view).
    QByteArray toStored() const;

    bool isBlank() const;

private:
    std::array<QByteArray, FieldCount> m_fields;
};

// A freshly written blank page: fields 1..29 enciphered from spaces, Reserved 8 plain spaces.
const QByteArray& blankRecord();

// The stored bytes of a field whose text is empty: a record is blank when its Name equals this.
bool isBlankStored(QByteArrayView storedRecord);

// Encipher or decipher one field of a stored record in place (fields 1..29; Reserved untouched).
void cipherRecordInPlace(char* record);

} // namespace orvelan
