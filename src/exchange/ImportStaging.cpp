#include "exchange/ImportStaging.h"

#include "store/HiddenCharacters.h"

#include "store/AtomicFile.h"
#include "store/PageRecord.h"
#include "store/PageTexts.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QFile>

#include <deque>

namespace orvelan {

namespace {

// Line breaks stay in the notes as carriage return + line feed; a one-line field gets a space.
QByteArray normalisedValue(int k, const QByteArray& value) {
    if (!value.contains('\r') && !value.contains('\n'))
        return value;
    QByteArray text = value;
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    if (k == MappedFieldCount - 1)
        return text.replace("\n", "\r\n");
    return text.replace('\n', ' ');
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
    Staged result;
    PageTexts texts;
    for (int k = 0; k < MappedFieldCount; ++k) {
        QString text = QString::fromUtf8(normalisedValue(k, record[k]));
        result.hiddenRemoved += removeHiddenCharacters(text, k == MappedFieldCount - 1);
        texts[k] = trimSpaces(QStringView(text)).toString();
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
    const TextEncoding encoding = encodingFor(texts);
    for (int k = 0; k < MappedFieldCount; ++k) {
        // Bytes the file did not hold as text came in as replacement characters.
        result.replacedCharacters += texts[k].count(QChar::ReplacementCharacter);
        if (storedLengthOf(k, texts[k], encoding) > specOf(viewField(k)).width)
            result.cutFields.append(k);
    }
    qint64& count = countOf(tab);
    ++count;
    PageRecord page;
    page[Field::PageNo] = QByteArray::number(count);
    fillRecord(page, texts);
    page[Field::DateModified] = now.toString(QStringLiteral("dd/MM/yy")).toLatin1();
    page[Field::TimeModified] = now.toString(QStringLiteral("HH:mm")).toLatin1();
    QByteArray stored = page.toStored();
    if (!id.isNull())
        setPageId(stored, id);
    m_pending[tab] += stored;
    return result;
}

int ImportStaging::flush() {
    int failures = 0;
    for (int tab = 0; tab < TabCount; ++tab) {
        if (m_pending[tab].isEmpty())
            continue;
        if (m_folder.tabTempFile(tab).appendPages(m_pending[tab]) != 0) {
            ++failures;
            m_counts[tab] = -1; // count afresh from the file next time
        }
        m_pending[tab].clear();
    }
    return failures;
}

int ImportStaging::replaceLetterTabs(const std::array<QByteArray, 25>& contents) {
    removeLetterTabs();
    int failures = 0;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (!writeWhole(m_folder.tabTempFile(tab), contents[tab - 1]))
            ++failures;
    }
    return failures;
}

void ImportStaging::removeLetterTabs() {
    // The first tab's records of an earlier read go too: an exchange file has none.
    for (int tab = 0; tab <= LastTab; ++tab) {
        QFile::remove(m_folder.tabTempFilePath(tab));
        m_pending[tab].clear();
        m_counts[tab] = -1;
    }
}

QList<ListedRecord> ImportStaging::list(const QString& filter, const TabProgress& progress,
                                        bool withLines) const {
    QList<ListedRecord> listed;
    const QString text = trimSpaces(QStringView(filter)).toString();
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
    // The staging file of the tab being imported, read a record at a time: an import of any size
    // holds one record of it.
    QFile staging;
    int stagingTab = -1;
    QByteArray record(RecordSize, '\0');
    qint64 done = 0;
    for (const ListedRecord& entry : records) {
        if (yield && (++done % 256) == 0)
            yield();
        if (entry.tab < 0 || entry.tab > LastTab || entry.record < 1) {
            ++outcome.failures;
            continue;
        }
        TabCursor& cursor = cursors[entry.tab];
        const TabFile data = folder.tabFile(entry.tab);
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
        const TabFile staged = folder.tabTempFile(entry.tab);
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
                stagingTab = staging.open(QIODevice::ReadOnly) ? entry.tab : -1;
            }
            const qint64 offset = (entry.record - 1) * RecordSize;
            read = stagingTab >= 0 && offset + RecordSize <= staging.size() &&
                   staging.seek(offset) && staging.read(record.data(), RecordSize) == RecordSize;
        }
        if (!read) {
            ++outcome.failures;
            continue;
        }
        const bool reuse = !cursor.blanks.empty();
        const qint64 page = reuse ? cursor.blanks.front() : cursor.count + 1;
        // Each record is written on its own and checked: a record that does not fit is cut
        // back off, so the count is exactly the pages that are in the book.
        if (const int error = data.writePage(page, record)) {
            if (!outcome.error)
                outcome.error = error;
            ++outcome.failures;
            continue;
        }
        if (reuse)
            cursor.blanks.pop_front();
        else
            ++cursor.count;
        ++outcome.perTab[entry.tab];
        ++outcome.written;
    }
    return outcome;
}

} // namespace orvelan
