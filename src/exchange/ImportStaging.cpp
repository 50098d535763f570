#include "exchange/ImportStaging.h"

#include "store/HiddenCharacters.h"

#include "store/AtomicFile.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <QFile>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <deque>
#include <optional>
#include <utility>

namespace orvelan {

namespace {

// A line break in a one-line field becomes a space; the notes keep theirs (stored as carriage
// return + line feed).
void normaliseLineBreaks(int k, QString& text) {
    if (k == MappedFieldCount - 1 || (!text.contains(u'\r') && !text.contains(u'\n')))
        return;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
}

// Staging files are replaced through a new file renamed into place, or appended to without
// following a link: a link planted at a staging path never leads a write out of the book.
bool writeWhole(const TabFile& file, QByteArrayView records) {
    const QByteArray stored = file.storedForm(1, records);
    return (records.isEmpty() || !stored.isEmpty()) &&
           replaceFileAtomically(file.path(), stored) == 0;
}

} // namespace

ImportStaging::ImportStaging(BookFolder folder) : m_folder(std::move(folder)) {
    m_counts.fill(-1);
}

qint64& ImportStaging::countOf(int tab) {
    qint64& count = m_counts[tab];
    if (count < 0)
        count = m_folder.tabTempFile(tab).pageCount().value_or(0);
    return count;
}

int ImportStaging::reset() {
    m_keys = {};
    int failures = 0;
    for (int tab = 0; tab < TabCount; ++tab) {
        m_pending[tab].clear();
        // Tab 0 is rewritten too, so its never-listed records do not pile up run after run.
        const bool ok = writeWhole(m_folder.tabTempFile(tab), blankRecord());
        m_counts[tab] = ok ? 1 : -1;
        failures += ok ? 0 : 1;
    }
    return failures;
}

ImportStaging::Staged ImportStaging::stage(const ImportRecord& record, const QDateTime& now,
                                           PageId id) {
    PageTexts texts;
    for (int k = 0; k < MappedFieldCount; ++k)
        texts[k] = QString::fromUtf8(record[k]);
    return stageTexts(std::move(texts), now, id);
}

ImportStaging::Staged ImportStaging::stageTexts(PageTexts texts, const QDateTime& now, PageId id) {
    Staged result;
    // Most texts are printable ASCII: no line break, hidden or replaced character, and their
    // own Windows-1252 form.
    std::array<bool, MappedFieldCount> printable{};
    bool allPrintable = true;
    for (int k = 0; k < MappedFieldCount; ++k) {
        QString& text = texts[k];
        if (text.isEmpty())
            continue;
        printable[k] = isPrintableAscii(text);
        allPrintable = allPrintable && printable[k];
        if (!printable[k]) {
            normaliseLineBreaks(k, text);
            result.hiddenRemoved += removeHiddenCharacters(text, k == MappedFieldCount - 1);
        }
        if (const QStringView trimmed = trimSpaces(QStringView(text));
            trimmed.size() != text.size())
            text = trimmed.toString();
    }
    result.name = texts[0];
    if (result.name.isEmpty()) {
        result.outcome = Staged::Outcome::NoName;
        return result;
    }
    // A name that begins with a digit or a sign goes to the first tab; one that begins with a
    // control character or a combining mark is refused and named.
    const int tab = tabForName(QStringView(result.name));
    if (!nameStartAllowed(QStringView(result.name))) {
        result.outcome = Staged::Outcome::NotFileable;
        return result;
    }
    result.tab = tab;
    const TextEncoding encoding = allPrintable ? TextEncoding::Windows1252 : encodingFor(texts);
    PageRecord page;
    for (int k = 0; k < MappedFieldCount; ++k) {
        if (texts[k].isEmpty())
            continue;
        if (printable[k] && encoding == TextEncoding::Windows1252) {
            QByteArray stored = texts[k].toLatin1();
            if (stored.size() > specOf(viewField(k)).width)
                result.cutFields.append(k);
            page[viewField(k)] = std::move(stored);
            continue;
        }
        // Bytes the file did not hold as text came in as replacement characters.
        result.replacedCharacters += texts[k].count(QChar::ReplacementCharacter);
        QByteArray stored = storedFormOf(k, texts[k], encoding);
        if (stored.size() > specOf(viewField(k)).width)
            result.cutFields.append(k);
        page[viewField(k)] = std::move(stored);
    }
    page[Field::Reserved] = reservedFor(encoding);
    qint64& count = countOf(tab);
    ++count;
    page[Field::PageNo] = QByteArray::number(count);
    // Every record of a run carries the same time: it is written out once.
    if (now != m_stampedAt) {
        m_stampedAt = now;
        m_stampDate = now.toString(QStringLiteral("dd/MM/yy")).toLatin1();
        m_stampTime = now.toString(QStringLiteral("HH:mm")).toLatin1();
    }
    page[Field::DateModified] = m_stampDate;
    page[Field::TimeModified] = m_stampTime;
    QByteArray stored = page.toStored();
    if (!id.isNull())
        setPageId(stored, id);
    // The keys are taken from the page as it is stored, so they are those it would give when
    // read back.
    if (m_names) {
        m_keys.keys.add(page, stored, *m_names, std::uint32_t(m_keys.tabs.size()));
        m_keys.tabs.push_back(std::uint8_t(tab));
        if (m_keys.firstRecord[tab] == 0)
            m_keys.firstRecord[tab] = count;
    }
    QByteArray& pending = m_pending[tab];
    // Room for as many records as the tab's last batch held, so a batch is seldom copied to
    // grow.
    if (pending.capacity() < pending.size() + stored.size())
        pending.reserve(std::max<qsizetype>(
            {2 * pending.capacity(), 16 * RecordSize, m_lastBatch[tab] + RecordSize}));
    pending += stored;
    return result;
}

int ImportStaging::flush() {
    int failures = 0;
    for (int tab = 0; tab < TabCount; ++tab) {
        if (m_pending[tab].isEmpty())
            continue;
        m_lastBatch[tab] = m_pending[tab].size();
        if (m_folder.tabTempFile(tab).appendPages(m_pending[tab]) != 0) {
            ++failures;
            m_counts[tab] = -1; // count afresh from the file next time
            m_names.reset();    // the keys kept no longer tell where their records are
            m_keys = {};
        }
        m_pending[tab].clear();
    }
    return failures;
}

void ImportStaging::keepMatchKeys(qsizetype expected) {
    if (!m_names)
        m_names = std::make_unique<NameKeys>();
    m_keys.keys.reserve(expected);
    m_keys.tabs.reserve(std::size_t(expected));
}

StagedKeys ImportStaging::takeMatchKeys() {
    return std::exchange(m_keys, {});
}

namespace {

// Whether a stored page may hold hidden characters. A Windows-1252 page can hold only control
// bytes (line breaks stay in Notes); its texts are decoded only when it has one.
bool mayHoldHidden(QByteArrayView stored) {
    const PlainRecord plain(stored);
    if (plain.encoding() != TextEncoding::Windows1252)
        return true;
    for (int i = 0; i < ViewFieldCount; ++i) {
        for (const char c : plain.field(viewField(i))) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 || byte == 0x7F) &&
                (i != NotesViewIndex || (byte != '\r' && byte != '\n')))
                return true;
        }
    }
    return false;
}

// The records of `records` with their hidden characters removed; `removed` counts them.
QByteArray withoutHiddenCharacters(const QByteArray& records, qint64& removed) {
    QByteArray kept = records;
    for (qsizetype at = 0; at + RecordSize <= kept.size(); at += RecordSize) {
        const QByteArrayView stored = QByteArrayView(records).sliced(at, RecordSize);
        if (!mayHoldHidden(stored))
            continue;
        PageRecord page = PageRecord::fromStored(stored);
        PageTexts texts = textsOf(page);
        qint64 here = 0;
        for (int i = 0; i < ViewFieldCount; ++i)
            here += removeHiddenCharacters(texts[i], i == NotesViewIndex);
        if (here == 0)
            continue;
        // A page whose cleaned texts would not fit whole (a full Notes whose lone line breaks
        // become CR LF on disk) stays as the file has it: no text is cut to take a character out.
        const TextEncoding encoding = encodingFor(texts);
        bool fits = true;
        for (int i = 0; i < ViewFieldCount && fits; ++i)
            fits = fitsWhole(i, texts[i], encoding);
        if (!fits)
            continue;
        const QByteArray reserved = page[Field::Reserved];
        fillRecord(page, texts);
        if (page.encoding() == encodingOfReserved(reserved))
            page[Field::Reserved] = reserved;
        QByteArray cleaned = page.toStored();
        setPageId(cleaned, pageIdOf(stored)); // the page identity stays, whatever the encoding
        kept.replace(at, RecordSize, cleaned);
        removed += here;
    }
    return kept;
}

} // namespace

int ImportStaging::replaceLetterTabs(const std::array<QByteArray, 25>& contents,
                                     qint64* hiddenRemoved) {
    removeLetterTabs();
    int failures = 0;
    qint64 removed = 0;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (!writeWhole(m_folder.tabTempFile(tab),
                        withoutHiddenCharacters(contents[tab - 1], removed)))
            ++failures;
    }
    if (hiddenRemoved)
        *hiddenRemoved += removed;
    return failures;
}

int ImportStaging::startLetterTabs() {
    removeLetterTabs();
    int failures = 0;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab)
        failures += writeWhole(m_folder.tabTempFile(tab), {}) ? 0 : 1;
    return failures;
}

int ImportStaging::appendLetterRecords(int tab, QByteArrayView records, qint64* hiddenRemoved) {
    qint64 removed = 0;
    const QByteArray kept = withoutHiddenCharacters(records.toByteArray(), removed);
    if (hiddenRemoved)
        *hiddenRemoved += removed;
    return m_folder.tabTempFile(tab).appendPages(kept) == 0 ? 0 : 1;
}

void ImportStaging::removeLetterTabs() {
    // The first tab's records of an earlier read go too: an exchange file has none.
    for (int tab = 0; tab <= LastTab; ++tab) {
        QFile::remove(m_folder.tabTempFilePath(tab));
        m_pending[tab].clear();
        m_counts[tab] = -1;
    }
    m_keys = {};
}

QList<ListedRecord> ImportStaging::list(const QString& filter, const TabProgress& progress,
                                        bool withLines) const {
    QList<ListedRecord> listed;
    const QString text = trimSpaces(QStringView(filter)).toString();
    if (text.isEmpty()) {
        // Room for every page staged, not twice what was listed last (a list of 250,000
        // records is some 10 MB).
        qint64 pages = 0;
        for (int tab = 0; tab <= LastTab; ++tab)
            pages += m_folder.tabTempFile(tab).pageCount().value_or(0);
        listed.reserve(qsizetype(pages));
    }
    for (int tab = 0; tab <= LastTab; ++tab) {
        m_folder.tabTempFile(tab).scan([&](qint64 number, QByteArrayView stored) {
            if (isBlankStored(stored))
                return true;
            if (text.isEmpty() && !withLines) {
                listed.append({tab, number, {}});
                return true;
            }
            const PlainRecord record(stored);
            if (recordMatches(record, text))
                listed.append({tab, number, withLines ? listLine(record, tab, number) : QString()});
            return true;
        });
        if (progress)
            progress(listed.size());
    }
    return listed;
}

namespace {

// One tab's data file during an import run: its page count and the blank pages not yet used.
struct TabCursor {
    bool ready = false;
    qint64 count = 0;
    std::deque<qint64> blanks;
};

} // namespace

void returnStagingMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

QString importFailureText(const ImportOutcome& outcome) {
    QString text = QStringLiteral("%1 record(s) could not be imported; %2 were.")
                       .arg(outcome.failures)
                       .arg(outcome.written);
    if (outcome.error)
        text += u' ' + writeErrorMessage(outcome.error);
    return text;
}

QString stagingFailureText() {
    return QStringLiteral("The import could not be prepared: its work files in the book "
                          "folder could not be written (is the disk full?). Nothing was "
                          "imported.");
}

ImportOutcome importListed(const BookFolder& folder, const QList<ListedRecord>& records,
                           const Yield& yield) {
    ImportOutcome outcome;
    std::array<TabCursor, 26> cursors;
    std::array<std::optional<TabFile>, 26> dataFiles;
    std::array<std::optional<TabFile>, 26> stagingFiles;
    // The staging file of the tab being imported, read a run of records at a time (those that
    // follow one another both in the list and in the file, at most a batch): an import of any
    // size holds one run of it.
    QFile staging;
    int stagingTab = -1;
    qint64 stagingSize = 0;
    QByteArray record;
    QByteArray run;
    qint64 runFirst = 0; // the record number of the first record in `run`
    qint64 done = 0;

    // Records that go behind the last page of their tab are written a batch at a time. A batch
    // that does not fit is written again record by record, each checked: a record that does not
    // fit is cut back off, so the count is exactly the pages that are in the book.
    constexpr qsizetype BatchRecords = 1024;
    int batchTab = -1;
    QByteArray batch;
    batch.reserve(BatchRecords * RecordSize);
    std::vector<qsizetype> batchAt; // the batch's records by place in `records`
    batchAt.reserve(BatchRecords);
    const auto failed = [&](qsizetype at) {
        ++outcome.failures;
        outcome.notFiled.push_back(at);
    };
    const auto writeOne = [&](int tab, qint64 page, QByteArrayView one, qsizetype at) {
        if (const int error = dataFiles[tab]->writePage(page, one)) {
            if (!outcome.error)
                outcome.error = error;
            failed(at);
            return false;
        }
        ++outcome.perTab[tab];
        ++outcome.written;
        return true;
    };
    const auto writeBatch = [&] {
        if (batch.isEmpty())
            return;
        TabCursor& cursor = cursors[batchTab];
        const qint64 count = batch.size() / RecordSize;
        if (dataFiles[batchTab]->writePages(cursor.count + 1, batch) == 0) {
            cursor.count += count;
            outcome.perTab[batchTab] += count;
            outcome.written += count;
        } else {
            for (qint64 i = 0; i < count; ++i) {
                if (writeOne(batchTab, cursor.count + 1,
                             QByteArrayView(batch).sliced(i * RecordSize, RecordSize),
                             batchAt[std::size_t(i)]))
                    ++cursor.count;
            }
        }
        batch.truncate(0); // keeps its room
        batchAt.clear();
    };

    for (qsizetype at = 0; at < records.size(); ++at) {
        const ListedRecord& entry = records[at];
        if (yield && (++done % 256) == 0)
            yield();
        if (entry.tab < 0 || entry.tab > LastTab || entry.record < 1) {
            failed(at);
            continue;
        }
        TabCursor& cursor = cursors[entry.tab];
        if (!dataFiles[entry.tab]) {
            dataFiles[entry.tab] = folder.tabFile(entry.tab);
            stagingFiles[entry.tab] = folder.tabTempFile(entry.tab);
        }
        const TabFile& data = *dataFiles[entry.tab];
        if (!cursor.ready) {
            cursor.ready = true;
            data.scan([&](qint64 page, QByteArrayView stored) {
                if (isBlankStored(stored))
                    cursor.blanks.push_back(page);
                return true;
            });
            // Counted from the file: a damaged last page is neither blank nor written over.
            cursor.count = data.pageCount().value_or(0);
        }
        const TabFile& staged = *stagingFiles[entry.tab];
        bool read = false;
        if (staged.sealed()) {
            // A sealed staged record is opened on its own; one that fails its tag is not filed.
            const TabFile::Read sealed = staged.readPage(entry.record);
            read = !sealed.error && sealed.record.size() == RecordSize;
            if (read)
                record = sealed.record;
        } else {
            if (stagingTab != entry.tab) {
                staging.close();
                staging.setFileName(staged.path());
                stagingTab =
                    staging.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? entry.tab : -1;
                stagingSize = staging.size(); // asked once: the file does not change here
                run.truncate(0);
            }
            const qint64 inRun = entry.record - runFirst;
            if (inRun < 0 || (inRun + 1) * RecordSize > run.size()) {
                // The records listed next that follow this one in the file come in one read; when
                // that read fails, this record is read by itself.
                const qint64 offset = (entry.record - 1) * RecordSize;
                qint64 count = 1;
                while (count < BatchRecords && at + count < records.size() &&
                       records[at + count].tab == entry.tab &&
                       records[at + count].record == entry.record + count &&
                       offset + (count + 1) * RecordSize <= stagingSize)
                    ++count;
                const auto readRun = [&](qint64 records) {
                    run.resize(records * RecordSize);
                    runFirst = entry.record;
                    const bool whole = stagingTab >= 0 && offset + run.size() <= stagingSize &&
                                       staging.seek(offset) &&
                                       staging.read(run.data(), run.size()) == run.size();
                    if (!whole)
                        run.truncate(0);
                    return whole;
                };
                read = readRun(count) || (count > 1 && readRun(1));
            } else {
                read = true;
            }
            if (read)
                record = QByteArray::fromRawData(
                    run.constData() + (entry.record - runFirst) * RecordSize, RecordSize);
        }
        if (!read) {
            failed(at);
            continue;
        }
        if (!cursor.blanks.empty()) {
            // Into the first blank page still free.
            if (writeOne(entry.tab, cursor.blanks.front(), record, at))
                cursor.blanks.pop_front();
            continue;
        }
        if (batchTab != entry.tab) {
            writeBatch();
            batchTab = entry.tab;
        }
        batch += record;
        batchAt.push_back(at);
        if (batch.size() >= BatchRecords * RecordSize)
            writeBatch();
    }
    writeBatch();
    return outcome;
}

} // namespace orvelan
