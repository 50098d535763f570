#include "exchange/vcard/VCardExport.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/PageViewIndex.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace orvelan {

namespace {

// Appends at the end of `out`. Pieces are a few bytes each, so the room the chunk keeps is
// written into directly; QByteArray's append goes through its general insert.
void put(QByteArray& out, QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    if (n == 0)
        return;
    QByteArray::DataPointer& d = out.data_ptr();
    if (!d.needsDetach() && n < d.freeSpaceAtEnd()) { // one byte stays for the terminator
        char* at = d.data() + d.size;
        std::memcpy(at, bytes.data(), static_cast<std::size_t>(n));
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

// Appends `text` in UTF-8; plain ASCII, the usual text, is copied without the converter.
void putUtf8(QByteArray& out, QStringView text) {
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        put(out, text.toUtf8());
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* to = out.data() + at;
    for (const QChar c : text)
        *to++ = static_cast<char>(c.unicode());
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

void appendEscaped(QByteArray& line, QStringView text) {
    QVarLengthArray<char, 256> ascii;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        ascii.resize(text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            ascii[i] = static_cast<char>(text[i].unicode());
        appendEscaped(line, QByteArrayView(ascii.constData(), ascii.size()));
    } else {
        appendEscaped(line, QByteArrayView(text.toUtf8()));
    }
}

// Writes the property lines of a card straight into `out`; the rare line longer than a line
// may be is taken out again and folded.
class CardLines {
public:
    CardLines(QByteArray& out, QByteArray& scratch, bool v4)
        : m_out(out), m_scratch(scratch), m_v4(v4) {}

    // "NAME" or "NAME;TYPE=a,b"; types in lower case for 4.0.
    QByteArray& start(const char* name, std::initializer_list<const char*> types = {}) {
        m_start = m_out.size();
        put(m_out, name);
        bool first = true;
        for (const char* type : types) {
            put(m_out, first ? ";TYPE=" : ",");
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
    void text(const char* name, QStringView value, std::initializer_list<const char*> types = {}) {
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

// The card of a page with its UID and REV ("yyyyMMddTHHmmssZ") already written out; either may
// be empty.
void appendPageCard(QByteArray& out, QByteArray& scratch, const PageTexts& texts,
                    VCardVersion version, QByteArrayView uid, QByteArrayView revision) {
    const bool v4 = version == VCardVersion::V40;
    CardLines card(out, scratch, v4);
    QByteArray& line = out; // the line being written goes straight to the card
    put(out, "BEGIN:VCARD\r\nVERSION:");
    put(out, v4 ? "4.0" : version == VCardVersion::V30 ? "3.0" : "2.1");
    put(out, "\r\n");

    // "Last, First", else the whole name is the given name (as structuredName splits it).
    const QStringView name = QStringView(texts[VName]).trimmed();
    card.text("FN", name);
    const qsizetype comma = name.indexOf(u',');
    card.start("N");
    card.colon();
    if (comma >= 0)
        appendEscaped(line, name.left(comma).trimmed());
    put(line, ';');
    appendEscaped(line, comma >= 0 ? name.sliced(comma + 1).trimmed() : name);
    put(line, ";;;");
    card.end();

    QByteArray label;
    QByteArray street;
    const auto address = [&](int firstView, const char* kind) {
        // The label keeps the empty lines between the address lines; the street drops them.
        QStringView lines[AddressLines];
        int count = 0;
        for (int i = 0; i < AddressLines; ++i) {
            lines[i] = QStringView(texts[firstView + i]).trimmed();
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
            const qsizetype at = label.size();
            putUtf8(label, lines[i]);
            if (lines[i].isEmpty())
                continue;
            if (!street.isEmpty())
                put(street, '\n');
            put(street, QByteArrayView(label).sliced(at));
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

    const auto phone = [&](int view, std::initializer_list<const char*> kinds) {
        const QStringView number = QStringView(texts[view]).trimmed();
        if (!number.isEmpty())
            card.text("TEL", number, kinds);
    };
    phone(VPhone1, {"HOME", "VOICE"});
    phone(VPhone2, {"WORK", "VOICE"});
    phone(VMobile, {"CELL"});
    phone(VFax, {"FAX"});
    phone(VPager, {"PAGER"});

    const auto email = [&](int view, const char* kind) {
        const QStringView address = QStringView(texts[view]).trimmed();
        if (address.isEmpty())
            return;
        if (v4)
            card.text("EMAIL", address, {kind});
        else
            card.text("EMAIL", address, {"INTERNET", kind});
    };
    email(VEmail, "HOME");
    email(VOrgEmail, "WORK");

    const QStringView organisation = QStringView(texts[VOrganisation]).trimmed();
    const QStringView department = QStringView(texts[VDepartment]).trimmed();
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
    for (const auto& [property, view] :
         {std::pair{"TITLE", int(VJobTitle)}, {"URL", int(VOrgWeb)}}) {
        if (const QStringView value = QStringView(texts[view]).trimmed(); !value.isEmpty())
            card.text(property, value);
    }
    bool categories = false;
    for (const QStringView group : QStringView(texts[VGroup]).tokenize(u',')) {
        const QStringView category = group.trimmed();
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
    if (!QStringView(texts[VNotes]).trimmed().isEmpty())
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
    QByteArray line;
    appendPageCard(out, line, texts, options.version, options.uid.toUtf8(),
                   options.revision.isValid() ? revisionText(options.revision).toLatin1()
                                              : QByteArray());
}

bool VCardExportWriter::begin(const TabCounts&) {
    m_out.chunk().reserve(ChunkedSink::ChunkBytes + 4096);
    return true;
}

bool VCardExportWriter::page(int tab, qint64, QByteArrayView stored) {
    const PlainRecord record(stored);
    if (record.isBlank())
        return true;
    if (tab != m_tab) {
        m_tab = tab;
        m_seen.clear(); // keeps its buckets for the next tab
    }
    PageTexts& texts = m_texts;
    for (int i = 0; i < ViewFieldCount; ++i)
        viewFormOf(i, record.field(viewField(i)), record.encoding(), texts[i]);
    const QString name = texts[0].trimmed();
    const int occurrence = ++m_seen[name];
    const QByteArrayView uid = m_uids.uid(name, occurrence);
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
    appendPageCard(m_out.chunk(), m_line, texts, m_version, uid, rev);
    return m_out.pass();
}

bool VCardExportWriter::finish() {
    return m_out.flush();
}

} // namespace orvelan
