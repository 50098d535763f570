#include "exchange/Export.h"

#include "store/AtomicFile.h"
#include "store/RuntimeError.h"

#include "exchange/EabContainer.h"
#include "exchange/VCardExport.h"
#include "store/PageRecord.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace orvelan {

const char CsvExportHeader[] =
    "Name,E-mail Address,Home Street,Home City,Home State,Home Country/Region,Home Postal Code,"
    "Home Phone,Home Fax,Mobile Phone,Business Street,Business City,Business State,"
    "Business Country/Region,Business Postal Code,Business Web Page,Business Phone,Pager,"
    "Company,Job Title,Department,Notes";

QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const TabProgress& progress) {
    QList<ListedRecord> listed;
    const QString wanted = trimSpaces(QStringView(text)).toString();
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        TabFile(folder.tabFilePath(tab)).scan([&](qint64 page, QByteArrayView stored) {
            if (isBlankStored(stored))
                return true;
            const PlainRecord record(stored);
            if (recordMatches(record, wanted))
                listed.append({tab, page, listLine(record, tab, page)});
            return true;
        });
        if (progress)
            progress(listed.size());
    }
    return listed;
}

namespace {

void appendValue(QByteArray& line, QByteArrayView value) {
    QByteArray text = value.toByteArray();
    text.replace(',', '.');
    if (text.contains('"') || text.contains('\r') || text.contains('\n')) {
        text.replace("\"", "\"\"");
        line += '"' + text + '"';
    } else {
        line += text;
    }
}

QByteArrayView either(const PlainRecord& record, Field first, Field fallback) {
    const QByteArrayView value = record.field(first);
    return value.isEmpty() ? record.field(fallback) : value;
}

} // namespace

QByteArray csvExportLine(const PlainRecord& r) {
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
    QByteArray line;
    line.reserve(256);
    bool first = true;
    for (const QByteArrayView value : values) {
        if (!first)
            line += ',';
        first = false;
        appendValue(line, value);
    }
    return line;
}

ListedPages::~ListedPages() = default;

QByteArrayView ListedPages::stored(const ListedRecord& entry) {
    if (entry.tab < 0 || entry.tab >= TabCount || entry.record < 1)
        return {};
    if (!m_loaded[entry.tab]) {
        // Mapped rather than read: a whole book is not copied into memory to be exported.
        m_loaded[entry.tab] = true;
        auto file = std::make_unique<QFile>(m_folder.tabFilePath(entry.tab));
        if (file->open(QIODevice::ReadOnly) && file->size() > 0) {
            if (uchar* bytes = file->map(0, file->size())) {
                m_tabs[entry.tab] =
                    QByteArrayView(reinterpret_cast<const char*>(bytes), file->size());
                m_files[entry.tab] = std::move(file);
            } else {
                m_copies[entry.tab] = file->readAll();
                m_tabs[entry.tab] = m_copies[entry.tab];
            }
        }
    }
    const QByteArrayView bytes = m_tabs[entry.tab];
    const qint64 offset = (entry.record - 1) * RecordSize;
    if (offset + RecordSize > bytes.size())
        return {};
    return bytes.sliced(offset, RecordSize);
}

bool writeCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                    const ByteSink& sink, const Yield& yield) {
    ListedPages source(folder);
    if (!sink(QByteArrayView(CsvExportHeader)) || !sink("\r\n"))
        return false;
    QByteArray chunk;
    chunk.reserve(1 << 16);
    qint64 done = 0;
    for (const ListedRecord& entry : pages) {
        if (yield && (++done % 256) == 0)
            yield();
        const QByteArrayView stored = source.stored(entry);
        if (stored.isEmpty())
            continue;
        chunk += csvExportLine(PlainRecord(stored));
        chunk += "\r\n";
        if (chunk.size() >= (1 << 16)) {
            if (!sink(chunk))
                return false;
            chunk.clear();
        }
    }
    return chunk.isEmpty() || sink(chunk);
}

bool writeEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                    const ByteSink& sink, const Yield& yield) {
    ListedPages source(folder);
    std::array<QList<QByteArrayView>, EabSegments> records;
    qint64 done = 0;
    for (const ListedRecord& entry : pages) {
        if (yield && (++done % 256) == 0)
            yield();
        if (entry.tab < FirstLetterTab || entry.tab > LastTab)
            continue;
        const QByteArrayView stored = source.stored(entry);
        if (!stored.isEmpty())
            records[entry.tab - 1].append(stored);
    }
    std::array<qsizetype, EabSegments> lengths;
    for (int t = 0; t < EabSegments; ++t)
        lengths[t] = std::max<qsizetype>(1, records[t].size()) * RecordSize;
    if (!sink(eabHeader(lengths)))
        return false;
    for (int t = 0; t < EabSegments; ++t) {
        if (records[t].isEmpty() && !sink(blankRecord()))
            return false;
        for (const QByteArrayView record : records[t]) {
            if (!sink(record))
                return false;
        }
    }
    return true;
}

namespace {

bool collectExport(ExportFormat format, const BookFolder& folder, const QList<ListedRecord>& pages,
                   const Yield& yield, QByteArray& file) {
    const ByteSink sink = [&](QByteArrayView bytes) {
        file += bytes;
        return true;
    };
    return format == ExportFormat::Eab ? writeEabExport(folder, pages, sink, yield)
                                       : writeCsvExport(folder, pages, sink, yield);
}

} // namespace

QByteArray buildCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield) {
    QByteArray file;
    collectExport(ExportFormat::Csv, folder, pages, yield, file);
    return file;
}

QByteArray buildEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield) {
    QByteArray file;
    collectExport(ExportFormat::Eab, folder, pages, yield, file);
    return file;
}

QString exportToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                     const QList<ListedRecord>& pages, const Yield& yield) {
    // The new file replaces an old one only once it is written whole.
    AtomicFileWriter file(path);
    if (const int error = file.open())
        return describeRuntimeError(error);
    const ByteSink sink = [&](QByteArrayView bytes) { return file.write(bytes); };
    bool written = true;
    if (format == ExportFormat::VCard30 || format == ExportFormat::VCard40) {
        const VCardExportOutcome outcome = writeVCardExport(
            folder, pages, format == ExportFormat::VCard40 ? VCardVersion::V40 : VCardVersion::V30,
            sink, yield);
        if (outcome.written && outcome.missing)
            return QStringLiteral("%1 listed page(s) could not be read.").arg(outcome.missing);
        written = outcome.written;
    } else {
        written = format == ExportFormat::Eab ? writeEabExport(folder, pages, sink, yield)
                                              : writeCsvExport(folder, pages, sink, yield);
    }
    if (!written) // nothing replaces the old file: the new one is removed with the writer
        return QStringLiteral("The pages could not be written.");
    if (const int error = file.commit())
        return describeRuntimeError(error);
    return {};
}

void removeExportWorkFiles(const BookFolder& folder) {
    QDir dir(folder.dataBookDir());
    for (const QString& name : dir.entryList({QStringLiteral("*.exf")}, QDir::Files))
        dir.remove(name);
}

} // namespace orvelan
