#include "exchange/csv/CsvExport.h"

#include "store/PageRecord.h"
#include "store/Windows1252.h"

#include <algorithm>

namespace orvelan {

const char CsvExportHeader[] =
    "Name,E-mail Address,Home Street,Home City,Home State,Home Country/Region,Home Postal Code,"
    "Home Phone,Home Fax,Mobile Phone,Business Street,Business City,Business State,"
    "Business Country/Region,Business Postal Code,Business Web Page,Business Phone,Pager,"
    "Company,Job Title,Department,Notes";

namespace {

// A stored value in the export's encoding. Pages stored in the export's own encoding are copied
// byte for byte.
QByteArray recoded(QByteArrayView value, TextEncoding stored, CsvEncoding wanted,
                   qsizetype* unmappable) {
    if (stored == TextEncoding::Windows1252) {
        if (wanted == CsvEncoding::Windows1252)
            return value.toByteArray();
        return fromWindows1252(value).toUtf8();
    }
    if (wanted == CsvEncoding::Utf8)
        return stored == TextEncoding::Utf8 ? value.toByteArray()
                                            : decodeText(value, stored).toUtf8();
    qsizetype bad = 0;
    QByteArray bytes = toWindows1252(decodeText(value, stored), &bad);
    if (unmappable)
        *unmappable += bad;
    return bytes;
}

// A value as the file takes it: commas become full stops (the Windows program's way), and a
// value with a quote or a line break is quoted.
void appendValue(QByteArray& line, QByteArrayView text) {
    const bool quoted = std::any_of(text.begin(), text.end(),
                                    [](char c) { return c == '"' || c == '\r' || c == '\n'; });
    if (quoted) {
        QByteArray copy = text.toByteArray();
        copy.replace(',', '.');
        copy.replace("\"", "\"\"");
        line += '"' + copy + '"';
        return;
    }
    if (text.isEmpty())
        return;
    const qsizetype start = line.size();
    line.resize(start + text.size()); // grows by halves, like an append
    char* out = line.data() + start;
    for (const char c : text)
        *out++ = c == ',' ? '.' : c;
}

template <typename Record>
QByteArrayView either(const Record& record, Field first, Field fallback) {
    const QByteArrayView value = record.field(first);
    return value.isEmpty() ? record.field(fallback) : value;
}

// The values of a line, read from a PlainRecord or straight from the stored page.
template <typename Record>
void appendLine(QByteArray& line, const Record& r, CsvEncoding encoding, qsizetype* unmappable) {
    const QByteArrayView values[] = {
        r.field(Field::Name),
        either(r, Field::Email, Field::OrgEmail),
        r.field(Field::Addr1),
        r.field(Field::Addr2),
        r.field(Field::Addr3),
        r.field(Field::Addr4),
        either(r, Field::Addr5, Field::Addr6),
        r.field(Field::Phone1),
        r.field(Field::Fax),
        r.field(Field::Mobile),
        r.field(Field::OrgAddr1),
        r.field(Field::OrgAddr2),
        r.field(Field::OrgAddr3),
        r.field(Field::OrgAddr4),
        either(r, Field::OrgAddr5, Field::OrgAddr6),
        r.field(Field::OrgWeb),
        r.field(Field::Phone2),
        r.field(Field::Pager),
        r.field(Field::Organisation),
        r.field(Field::JobTitle),
        r.field(Field::Department),
        r.field(Field::Notes),
    };
    // A page stored in the export's own encoding is copied byte for byte.
    const bool same =
        (r.encoding() == TextEncoding::Windows1252 && encoding == CsvEncoding::Windows1252) ||
        (r.encoding() == TextEncoding::Utf8 && encoding == CsvEncoding::Utf8);
    bool first = true;
    for (const QByteArrayView value : values) {
        if (!first)
            line += ',';
        first = false;
        if (same)
            appendValue(line, value);
        else
            appendValue(line, recoded(value, r.encoding(), encoding, unmappable));
    }
}

// A line of a page in the export's own encoding, written into room made for the longest one
// (every value quoted with each byte a doubled quote), with no call per value.
constexpr qsizetype LongestSameLine = 2 * RecordSize + 64;

char* putValue(char* out, QByteArrayView text) {
    const char* const end = text.data() + text.size();
    char* const start = out;
    for (const char* at = text.data(); at < end; ++at) {
        const char c = *at;
        if (c == '"' || c == '\r' || c == '\n') {
            out = start;
            *out++ = '"';
            for (const char q : text) {
                *out++ = q == ',' ? '.' : q;
                if (q == '"')
                    *out++ = '"';
            }
            *out++ = '"';
            return out;
        }
        *out++ = c == ',' ? '.' : c;
    }
    return out;
}

void appendSameLine(QByteArray& line, const StoredRecordView& r) {
    const qsizetype at = line.size();
    line.resize(at + LongestSameLine);
    char* out = line.data() + at;
    const auto value = [&](QByteArrayView text, bool last = false) {
        out = putValue(out, text);
        if (!last)
            *out++ = ',';
    };
    value(r.field(Field::Name));
    value(either(r, Field::Email, Field::OrgEmail));
    for (const Field f : {Field::Addr1, Field::Addr2, Field::Addr3, Field::Addr4})
        value(r.field(f));
    value(either(r, Field::Addr5, Field::Addr6));
    for (const Field f : {Field::Phone1, Field::Fax, Field::Mobile, Field::OrgAddr1,
                          Field::OrgAddr2, Field::OrgAddr3, Field::OrgAddr4})
        value(r.field(f));
    value(either(r, Field::OrgAddr5, Field::OrgAddr6));
    for (const Field f : {Field::OrgWeb, Field::Phone2, Field::Pager, Field::Organisation,
                          Field::JobTitle, Field::Department})
        value(r.field(f));
    value(r.field(Field::Notes), true);
    *out++ = '\r';
    *out++ = '\n';
    line.resize(out - line.data());
}

} // namespace

QByteArray csvExportLine(const PlainRecord& r, CsvEncoding encoding, qsizetype* unmappable) {
    QByteArray line;
    line.reserve(256);
    appendLine(line, r, encoding, unmappable);
    return line;
}

bool CsvExportWriter::begin(const TabCounts&) {
    m_out.chunk().reserve(ChunkedSink::ChunkBytes + LongestSameLine);
    if (m_encoding == CsvEncoding::Utf8 && !m_out.direct("\xEF\xBB\xBF"))
        return false;
    return m_out.direct(QByteArrayView(CsvExportHeader)) && m_out.direct("\r\n");
}

bool CsvExportWriter::page(int, qint64, QByteArrayView stored) {
    QByteArray& chunk = m_out.chunk();
    const StoredRecordView record(stored);
    if (record.encoding() == TextEncoding::Windows1252 && m_encoding == CsvEncoding::Windows1252) {
        appendSameLine(chunk, record);
    } else {
        appendLine(chunk, record, m_encoding, m_counts ? &m_counts->unmappable : nullptr);
        chunk += "\r\n";
    }
    return m_out.pass();
}

bool CsvExportWriter::finish() {
    return m_out.flush();
}

} // namespace orvelan
