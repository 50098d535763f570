#include "exchange/vcard/VCardExport.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "store/Windows1252.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace orvelan {

namespace {

// Copies `n` bytes; the few bytes of most pieces without a call (in words, the last one
// overlapping).
inline void copyBytes(char* to, const char* from, qsizetype n) {
    if (n > 64) {
        std::memcpy(to, from, static_cast<std::size_t>(n));
    } else if (n > 16) {
        for (qsizetype at = 0; at < n - 16; at += 16)
            std::memcpy(to + at, from + at, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        quint64 head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
        quint32 head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// Appends at the end of `out`. Pieces are a few bytes each, so the room the chunk keeps is
// written into directly; QByteArray's append goes through its general insert.
void put(QByteArray& out, QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    if (n == 0)
        return;
    QByteArray::DataPointer& d = out.data_ptr();
    if (!d.needsDetach() && n < d.freeSpaceAtEnd()) { // one byte stays for the terminator
        char* at = d.data() + d.size;
        copyBytes(at, bytes.data(), n);
        d.size += n;
        at[n] = '\0';
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + n); // grows by halves, like an append
    std::memcpy(out.data() + at, bytes.data(), static_cast<std::size_t>(n));
}

void put(QByteArray& out, char c) {
    put(out, QByteArrayView(&c, 1));
}

// The end of the white-space character (as QChar::isSpace counts them) that starts at `at` in
// UTF-8, or nullptr when none starts there.
const char* spaceEnd(const char* at, const char* end) {
    const auto b = [&](qsizetype i) { return static_cast<unsigned char>(at[i]); };
    if (b(0) == ' ' || (b(0) >= 0x09 && b(0) <= 0x0D))
        return at + 1;
    if (end - at >= 2 && b(0) == 0xC2 && (b(1) == 0x85 || b(1) == 0xA0))
        return at + 2;
    if (end - at < 3 || (b(0) != 0xE1 && b(0) != 0xE2 && b(0) != 0xE3))
        return nullptr;
    const unsigned code = (unsigned(b(0)) << 16) | (unsigned(b(1)) << 8) | b(2);
    const bool space = code == 0xE19A80                          // U+1680
                       || (code >= 0xE28080 && code <= 0xE2808A) // U+2000..U+200A
                       || code == 0xE280A8 || code == 0xE280A9   // U+2028, U+2029
                       || code == 0xE280AF || code == 0xE2819F   // U+202F, U+205F
                       || code == 0xE38080;                      // U+3000
    return space ? at + 3 : nullptr;
}

// UTF-8 `text` without the white space at either end, as QStringView::trimmed() cuts it.
QByteArrayView trimmed(QByteArrayView text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end) {
        const char* next = spaceEnd(begin, end);
        if (!next)
            break;
        begin = next;
    }
    while (end > begin) {
        const char* last = end - 1; // the first byte of the last character
        while (last > begin && end - last < 3 && (static_cast<unsigned char>(*last) & 0xC0) == 0x80)
            --last;
        if (spaceEnd(last, end) != end)
            break;
        end = last;
    }
    return QByteArrayView(begin, end - begin);
}

// UTF-8 `utf8` with the text escapes of a value: backslash, comma, semicolon, line breaks.
void appendEscaped(QByteArray& line, QByteArrayView utf8) {
    const char* const end = utf8.data() + utf8.size();
    const char* run = utf8.data(); // the plain bytes not yet appended
    for (const char* at = run; at < end; ++at) {
        const char c = *at;
        if (c != '\\' && c != ',' && c != ';' && c != '\r' && c != '\n')
            continue;
        put(line, QByteArrayView(run, at - run));
        if (c == '\r' || c == '\n') {
            if (c == '\r' && at + 1 < end && at[1] == '\n')
                ++at;
            put(line, "\\n");
        } else {
            put(line, '\\');
            put(line, c);
        }
        run = at + 1;
    }
    put(line, QByteArrayView(run, end - run));
}

// Writes the property lines of a card straight into `out`; the rare line longer than a line
// may be is taken out again and folded.
class CardLines {
public:
    CardLines(QByteArray& out, QByteArray& scratch, bool v4)
        : m_out(out), m_scratch(scratch), m_v4(v4) {}

    // "NAME" or "NAME;TYPE=a,b"; types in lower case for 4.0.
    QByteArray& start(QByteArrayView name, std::initializer_list<QByteArrayView> types = {}) {
        m_start = m_out.size();
        put(m_out, name);
        bool first = true;
        for (const QByteArrayView type : types) {
            put(m_out, first ? QByteArrayView(";TYPE=") : QByteArrayView(","));
            first = false;
            const qsizetype at = m_out.size();
            put(m_out, type);
            if (m_v4) {
                for (char* c = m_out.data() + at; c < m_out.data() + m_out.size(); ++c)
                    *c = static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
            }
        }
        return m_out;
    }
    QByteArray& colon() {
        put(m_out, ':');
        return m_out;
    }
    void end() {
        if (m_out.size() - m_start <= VCardLineOctets) {
            put(m_out, "\r\n");
            return;
        }
        m_scratch.truncate(0);
        put(m_scratch, QByteArrayView(m_out).sliced(m_start));
        m_out.truncate(m_start);
        appendFolded(m_out, m_scratch);
    }
    void text(QByteArrayView name, QByteArrayView value,
              std::initializer_list<QByteArrayView> types = {}) {
        start(name, types);
        colon();
        appendEscaped(m_out, value);
        end();
    }

private:
    QByteArray& m_out;
    QByteArray& m_scratch;
    qsizetype m_start = 0; // where the line being written starts in m_out
    bool m_v4;
};

// The card of a page from the UTF-8 forms of its texts (Notes' line breaks as carriage return +
// line feed or line feed alike), with its UID and REV ("yyyyMMddTHHmmssZ") already written out;
// either may be empty.
void appendPageCard(QByteArray& out, CardScratch& scratch, const CardTexts& texts,
                    VCardVersion version, QByteArrayView uid, QByteArrayView revision) {
    const bool v4 = version == VCardVersion::V40;
    CardLines card(out, scratch.line, v4);
    QByteArray& line = out; // the line being written goes straight to the card
    put(out, "BEGIN:VCARD\r\nVERSION:");
    put(out, v4 ? "4.0" : version == VCardVersion::V30 ? "3.0" : "2.1");
    put(out, "\r\n");

    // "Last, First", else the whole name is the given name (as structuredName splits it).
    const QByteArrayView name = trimmed(texts[VName]);
    card.text("FN", name);
    const qsizetype comma = name.indexOf(',');
    card.start("N");
    card.colon();
    if (comma >= 0)
        appendEscaped(line, trimmed(name.first(comma)));
    put(line, ';');
    appendEscaped(line, comma >= 0 ? trimmed(name.sliced(comma + 1)) : name);
    put(line, ";;;");
    card.end();

    QByteArray& label = scratch.label;
    QByteArray& street = scratch.street;
    const auto address = [&](int firstView, QByteArrayView kind) {
        // The label keeps the empty lines between the address lines; the street drops them.
        QByteArrayView lines[AddressLines];
        int count = 0;
        for (int i = 0; i < AddressLines; ++i) {
            lines[i] = trimmed(texts[firstView + i]);
            if (!lines[i].isEmpty())
                count = i + 1;
        }
        if (count == 0)
            return;
        label.truncate(0);
        street.truncate(0);
        for (int i = 0; i < count; ++i) {
            if (i)
                put(label, '\n');
            put(label, lines[i]);
            if (lines[i].isEmpty())
                continue;
            if (!street.isEmpty())
                put(street, '\n');
            put(street, lines[i]);
        }
        card.start("ADR", {kind});
        if (v4) {
            // The label as a parameter value: text escapes, then the parameter's own.
            bool quote = label.isEmpty();
            for (const char c : label)
                quote = quote || c == ':' || c == ';' || c == ',' || c == ' ';
            put(line, ";LABEL=");
            if (quote)
                put(line, '"');
            for (const char c : label) {
                switch (c) {
                case '\\':
                    put(line, "\\\\");
                    break;
                case '\n':
                    put(line, "\\n");
                    break;
                case '^':
                    put(line, "^^");
                    break;
                case '\r':
                    put(line, "^n");
                    break;
                case '"':
                    put(line, "^'");
                    break;
                default:
                    put(line, c);
                }
            }
            if (quote)
                put(line, '"');
        }
        card.colon();
        put(line, ";;");
        appendEscaped(line, QByteArrayView(street));
        put(line, ";;;;");
        card.end();
        if (!v4) {
            card.start("LABEL", {kind});
            card.colon();
            appendEscaped(line, QByteArrayView(label));
            card.end();
        }
    };
    address(VAddr1, "HOME");
    address(VOrgAddr1, "WORK");

    const auto phone = [&](int view, std::initializer_list<QByteArrayView> kinds) {
        const QByteArrayView number = trimmed(texts[view]);
        if (!number.isEmpty())
            card.text("TEL", number, kinds);
    };
    phone(VPhone1, {"HOME", "VOICE"});
    phone(VPhone2, {"WORK", "VOICE"});
    phone(VMobile, {"CELL"});
    phone(VFax, {"FAX"});
    phone(VPager, {"PAGER"});

    const auto email = [&](int view, QByteArrayView kind) {
        const QByteArrayView address = trimmed(texts[view]);
        if (address.isEmpty())
            return;
        if (v4)
            card.text("EMAIL", address, {kind});
        else
            card.text("EMAIL", address, {"INTERNET", kind});
    };
    email(VEmail, "HOME");
    email(VOrgEmail, "WORK");

    const QByteArrayView organisation = trimmed(texts[VOrganisation]);
    const QByteArrayView department = trimmed(texts[VDepartment]);
    if (!organisation.isEmpty() || !department.isEmpty()) {
        card.start("ORG");
        card.colon();
        appendEscaped(line, organisation);
        if (!department.isEmpty()) {
            put(line, ';');
            appendEscaped(line, department);
        }
        card.end();
    }
    for (const auto& [property, view] : {std::pair{QByteArrayView("TITLE"), int(VJobTitle)},
                                         {QByteArrayView("URL"), int(VOrgWeb)}}) {
        if (const QByteArrayView value = trimmed(texts[view]); !value.isEmpty())
            card.text(property, value);
    }
    bool categories = false;
    const QByteArrayView groups = texts[VGroup];
    for (qsizetype from = 0; from <= groups.size();) {
        qsizetype to = groups.indexOf(',', from);
        to = to < 0 ? groups.size() : to;
        const QByteArrayView category = trimmed(groups.sliced(from, to - from));
        from = to + 1;
        if (category.isEmpty())
            continue;
        if (!categories) {
            card.start("CATEGORIES");
            card.colon();
        } else {
            put(line, ',');
        }
        categories = true;
        appendEscaped(line, category);
    }
    if (categories)
        card.end();
    if (!trimmed(texts[VNotes]).isEmpty())
        card.text("NOTE", texts[VNotes]);
    if (!uid.isEmpty()) {
        card.start("UID");
        card.colon();
        put(line, uid);
        card.end();
    }
    if (!revision.isEmpty()) {
        card.start("REV");
        card.colon();
        put(line, revision);
        card.end();
    }
    put(out, "PRODID:-//ORVELAN//Secure Address Book//EN\r\nEND:VCARD\r\n");
}

} // namespace

void appendPageCard(QByteArray& out, const PageTexts& texts, const PageCardOptions& options) {
    std::array<QByteArray, ViewFieldCount> utf8;
    CardTexts views;
    for (int i = 0; i < ViewFieldCount; ++i)
        views[i] = utf8[i] = texts[i].toUtf8();
    CardScratch scratch;
    appendPageCard(out, scratch, views, options.version, options.uid.toUtf8(),
                   options.revision.isValid() ? revisionText(options.revision).toLatin1()
                                              : QByteArray());
}

int NameCounts::next(std::string_view name) {
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const std::size_t hash = std::hash<std::string_view>()(name);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.entry == 0) {
            m_entries.push_back({hash, m_names.size(), name.size(), 1});
            const std::size_t at = m_names.size();
            m_names.resize(at + name.size());
            copyBytes(m_names.data() + at, name.data(), static_cast<qsizetype>(name.size()));
            slot = {tag, static_cast<std::uint32_t>(m_entries.size())};
            return 1;
        }
        if (slot.tag != tag)
            continue;
        Entry& entry = m_entries[slot.entry - 1];
        if (entry.hash == hash &&
            std::string_view(m_names).substr(entry.offset, entry.length) == name)
            return ++entry.count;
    }
}

void NameCounts::clear() {
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_entries.clear();
    m_names.clear();
}

void NameCounts::grow() {
    m_slots.assign(std::max<std::size_t>(256, m_slots.size() * 2), Slot{});
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t e = 0; e < m_entries.size(); ++e) {
        std::size_t i = m_entries[e].hash & mask;
        while (m_slots[i].entry != 0)
            i = (i + 1) & mask;
        m_slots[i] = {static_cast<std::uint32_t>(m_entries[e].hash >> 32),
                      static_cast<std::uint32_t>(e + 1)};
    }
}

bool VCardExportWriter::begin(const TabCounts&) {
    m_out.chunk().reserve(ChunkedSink::ChunkBytes + 4096);
    return true;
}

bool VCardExportWriter::page(int tab, qint64, QByteArrayView stored) {
    const StoredRecordView record(stored);
    if (record.isBlank())
        return true;
    if (tab != m_tab) {
        m_tab = tab;
        m_seen.clear(); // keeps its buckets for the next tab
    }
    // The texts in UTF-8: a Windows-1252 page's plain ASCII text is used where it was deciphered.
    const TextEncoding encoding = record.encoding();
    for (int i = 0; i < ViewFieldCount; ++i) {
        const QByteArrayView bytes = record.field(viewField(i));
        if (encoding == TextEncoding::Windows1252) {
            if (std::all_of(bytes.begin(), bytes.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
                m_texts[i] = bytes;
                continue;
            }
            m_utf8[i].truncate(0);
            appendWindows1252AsUtf8(m_utf8[i], bytes);
        } else {
            viewFormOf(i, bytes, encoding, m_text);
            m_utf8[i] = m_text.toUtf8();
        }
        m_texts[i] = m_utf8[i];
    }
    const QByteArrayView name = trimmed(m_texts[VName]);
    const QByteArrayView uid = m_uids.uid(
        name, m_seen.next(std::string_view(name.data(), static_cast<std::size_t>(name.size()))));
    const QByteArrayView date = record.field(Field::DateModified);
    const QByteArrayView time = record.field(Field::TimeModified);
    m_stamp.assign(date.data(), static_cast<std::size_t>(date.size()));
    m_stamp += ' ';
    m_stamp.append(time.data(), static_cast<std::size_t>(time.size()));
    auto revision = m_revisions.find(m_stamp);
    if (revision == m_revisions.end()) {
        const QDateTime at = pageRevision(QString::fromLatin1(date), QString::fromLatin1(time));
        Revision text{};
        if (at.isValid()) {
            const QByteArray written = revisionText(at).toLatin1();
            text.size = static_cast<char>(std::min<qsizetype>(written.size(), sizeof text.text));
            std::memcpy(text.text, written.constData(), static_cast<std::size_t>(text.size));
        }
        revision = m_revisions.emplace(m_stamp, text).first;
    }
    const QByteArrayView rev(revision->second.text, revision->second.size);
    appendPageCard(m_out.chunk(), m_scratch, m_texts, m_version, uid, rev);
    return m_out.pass();
}

bool VCardExportWriter::finish() {
    return m_out.flush();
}

} // namespace orvelan
