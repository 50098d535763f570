#include "exchange/vcard/VCardExport.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardWriter.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"

namespace orvelan {

bool VCardExportWriter::begin(const TabCounts&) {
    m_out.chunk().reserve(ChunkedSink::ChunkBytes + 4096);
    return true;
}

bool VCardExportWriter::page(int tab, qint64, QByteArrayView stored) {
    const PageRecord record = PageRecord::fromStored(stored);
    if (record.isBlank())
        return true;
    if (tab != m_tab) {
        m_tab = tab;
        m_seen.clear();
    }
    const PageTexts texts = textsOf(record);
    const QString name = texts[0].trimmed();
    const int occurrence = ++m_seen[name];
    PageCardOptions options;
    options.version = m_version;
    options.uid = derivedUid(occurrence == 1 ? name : name + u'#' + QString::number(occurrence));
    const QByteArray stamp = record[Field::DateModified] + ' ' + record[Field::TimeModified];
    auto revision = m_revisions.constFind(stamp);
    if (revision == m_revisions.cend())
        revision =
            m_revisions.insert(stamp, pageRevision(QString::fromLatin1(record[Field::DateModified]),
                                                   QString::fromLatin1(record[Field::TimeModified]))
                                          .toUTC());
    options.revision = *revision;
    appendVCard(m_out.chunk(), cardFromPage(texts, options), m_version);
    return m_out.pass();
}

bool VCardExportWriter::finish() {
    return m_out.flush();
}

} // namespace orvelan
