#include "exchange/VCardExport.h"

#include "exchange/VCardMapping.h"
#include "exchange/VCardWriter.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/TabTable.h"

#include <QFile>
#include <QHash>

#include <memory>

namespace orvelan {

namespace {

// Reads listed pages through a small window of records, so a whole tab file is never held.
class PageWindow {
public:
    explicit PageWindow(const BookFolder& folder) : m_folder(folder) {}

    QByteArrayView stored(int tab, qint64 record) {
        if (tab < 0 || tab >= TabCount || record < 1)
            return {};
        if (tab != m_tab) {
            m_tab = tab;
            m_first = 0;
            m_chunk.clear();
            m_file = std::make_unique<QFile>(m_folder.tabFilePath(tab));
            if (!m_file->open(QIODevice::ReadOnly))
                m_file.reset();
        }
        if (!m_file)
            return {};
        const qint64 count = m_chunk.size() / RecordSize;
        if (record < m_first || record >= m_first + count) {
            if (!m_file->seek((record - 1) * RecordSize))
                return {};
            m_chunk = m_file->read(qint64(RecordsPerChunk) * RecordSize);
            m_first = record;
            if (m_chunk.size() < RecordSize)
                return {};
        }
        const qint64 offset = (record - m_first) * RecordSize;
        if (offset + RecordSize > m_chunk.size())
            return {};
        return QByteArrayView(m_chunk).sliced(offset, RecordSize);
    }

private:
    static constexpr int RecordsPerChunk = 64;
    const BookFolder& m_folder;
    int m_tab = -1;
    std::unique_ptr<QFile> m_file;
    QByteArray m_chunk;
    qint64 m_first = 0;
};

constexpr qsizetype ChunkBytes = 1 << 16;

} // namespace

VCardExportOutcome writeVCardExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                                    VCardVersion version, const ByteSink& sink,
                                    const Yield& yield) {
    VCardExportOutcome outcome;
    PageWindow source(folder);
    QHash<QString, int> seen; // pages of each name so far, for their UIDs
    QByteArray chunk;
    chunk.reserve(ChunkBytes + 4096);
    qint64 done = 0;
    for (const ListedRecord& entry : pages) {
        if (yield && (++done % 256) == 0)
            yield();
        const QByteArrayView stored = source.stored(entry.tab, entry.record);
        if (stored.isEmpty()) {
            ++outcome.missing;
            continue;
        }
        const PageRecord record = PageRecord::fromStored(stored);
        if (record.isBlank())
            continue;
        const PageTexts texts = textsOf(record);
        const QString name = texts[0].trimmed();
        const int occurrence = ++seen[name];
        const QString seed = occurrence == 1 ? name : name + u'#' + QString::number(occurrence);
        PageCardOptions options;
        options.version = version;
        options.uid = derivedUid(seed);
        options.revision = pageRevision(QString::fromLatin1(record[Field::DateModified]),
                                        QString::fromLatin1(record[Field::TimeModified]));
        appendVCard(chunk, cardFromPage(texts, options), version);
        ++outcome.cards;
        if (chunk.size() >= ChunkBytes) {
            if (!sink(chunk)) {
                outcome.written = false;
                return outcome;
            }
            chunk.clear();
        }
    }
    if (!chunk.isEmpty() && !sink(chunk))
        outcome.written = false;
    return outcome;
}

} // namespace orvelan
