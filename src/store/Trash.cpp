#include "store/Trash.h"

#include "store/AtomicFile.h"
#include "store/PageRecord.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"
#include "store/SealedFiles.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace orvelan {

namespace {

const QString Format = QStringLiteral("orvelan-trash");
constexpr int Version = 1;

QJsonObject toJson(const TrashEntry& entry) {
    QJsonObject object{{QStringLiteral("number"), entry.number},
                       {QStringLiteral("name"), entry.name},
                       {QStringLiteral("deleted"), entry.deletedAt.toUTC().toString(Qt::ISODate)},
                       {QStringLiteral("why"), entry.why},
                       {QStringLiteral("from"), entry.from}};
    if (!entry.id.isNull())
        object.insert(QStringLiteral("id"), entry.id.toString());
    if (!entry.record.isEmpty())
        object.insert(QStringLiteral("record"), QString::fromLatin1(entry.record.toBase64()));
    if (!entry.card.isEmpty())
        object.insert(QStringLiteral("card"), QString::fromUtf8(entry.card));
    if (!entry.href.isEmpty())
        object.insert(QStringLiteral("href"), entry.href);
    return object;
}

bool fromJson(const QJsonObject& object, TrashEntry& entry) {
    entry.number = object.value(QStringLiteral("number")).toInt();
    entry.name = object.value(QStringLiteral("name")).toString();
    entry.deletedAt =
        QDateTime::fromString(object.value(QStringLiteral("deleted")).toString(), Qt::ISODate);
    entry.why = object.value(QStringLiteral("why")).toString();
    entry.from = object.value(QStringLiteral("from")).toString();
    entry.id = PageId::fromString(object.value(QStringLiteral("id")).toString());
    entry.record =
        QByteArray::fromBase64(object.value(QStringLiteral("record")).toString().toLatin1());
    entry.card = object.value(QStringLiteral("card")).toString().toUtf8();
    entry.href = object.value(QStringLiteral("href")).toString();
    return entry.number > 0 && entry.deletedAt.isValid() &&
           (entry.record.isEmpty() || entry.record.size() == RecordSize) &&
           (!entry.record.isEmpty() || !entry.card.isEmpty());
}

// Whether any page of the book carries the identity.
bool identityInUse(const BookFolder& folder, PageId id) {
    bool found = false;
    for (int tab = 0; tab < TabCount && !found; ++tab) {
        folder.tabFile(tab).scan([&](qint64, QByteArrayView record) {
            found = pageIdOf(record) == id && !isBlankStored(record);
            return !found;
        });
    }
    return found;
}

// Nothing is deleted while the trash cannot keep it.
QString damagedTrash(const QString& path) {
    return QStringLiteral("The trash %1 is damaged; it is left as it is, and nothing is deleted "
                          "until it is moved aside.")
        .arg(path);
}

QString pageName(QByteArrayView stored) {
    return PageRecord::fromStored(stored).text(Field::Name);
}

} // namespace

QString Trash::path() const {
    return m_folder.root() + QStringLiteral("/trash.json");
}

bool Trash::load(QString& error) {
    m_entries.clear();
    m_sendBack.clear();
    m_next = 1;
    // In an encrypted book the trash is sealed whole, as every file that holds pages is.
    const WholeFileRead read = readWholeFile(path(), SealLabel, m_folder.sealing());
    if (read.missing)
        return true;
    if (read.error && read.error != RuntimeError::PageDamaged) {
        error = QStringLiteral("Cannot read the trash %1: %2")
                    .arg(path(), describeRuntimeError(read.error));
        return false;
    }
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(read.contents, &parsed);
    const QJsonObject root = document.object();
    if (read.error || parsed.error != QJsonParseError::NoError ||
        root.value(QStringLiteral("format")).toString() != Format ||
        root.value(QStringLiteral("version")).toInt() != Version) {
        error = damagedTrash(path());
        return false;
    }
    for (const QJsonValue& value : root.value(QStringLiteral("entries")).toArray()) {
        TrashEntry entry;
        if (!fromJson(value.toObject(), entry)) {
            error = damagedTrash(path());
            return false;
        }
        m_next = std::max(m_next, entry.number + 1);
        m_entries.append(entry);
    }
    m_next = std::max(m_next, root.value(QStringLiteral("next")).toInt());
    for (const QJsonValue& value : root.value(QStringLiteral("sendBack")).toArray()) {
        const QJsonObject object = value.toObject();
        const PageId id = PageId::fromString(object.value(QStringLiteral("id")).toString());
        if (!id.isNull())
            m_sendBack.insert(id, object.value(QStringLiteral("card")).toString().toUtf8());
    }
    return true;
}

int Trash::save() const {
    QJsonArray sendBack;
    for (auto it = m_sendBack.cbegin(); it != m_sendBack.cend(); ++it)
        sendBack.append(QJsonObject{{QStringLiteral("id"), it.key().toString()},
                                    {QStringLiteral("card"), QString::fromUtf8(it.value())}});
    const QJsonObject root{{QStringLiteral("format"), Format},
                           {QStringLiteral("version"), Version},
                           {QStringLiteral("next"), m_next},
                           {QStringLiteral("sendBack"), sendBack}};
    if (!makePrivateFolder(m_folder.root()))
        return RuntimeError::PathNotFound;
    // The entries are written one by one into the text, so a trash of thousands of pages is not
    // held a second time as JSON values.
    QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Compact);
    json.chop(1); // the closing brace
    json.reserve(json.size() + m_entries.size() * (RecordSize * 4 / 3 + 256));
    json += ",\"entries\":[";
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (i > 0)
            json += ",\n";
        json += QJsonDocument(toJson(m_entries[i])).toJson(QJsonDocument::Compact);
    }
    json += "]}\n";
    return writeWholeFile(path(), SealLabel, m_folder.sealing(), json);
}

QList<TrashEntry> Trash::newestFirst() const {
    QList<TrashEntry> list = m_entries;
    std::stable_sort(list.begin(), list.end(), [](const TrashEntry& a, const TrashEntry& b) {
        return a.deletedAt != b.deletedAt ? a.deletedAt > b.deletedAt : a.number > b.number;
    });
    return list;
}

const TrashEntry* Trash::find(int number) const {
    for (const TrashEntry& entry : m_entries) {
        if (entry.number == number)
            return &entry;
    }
    return nullptr;
}

TrashEntry* Trash::findWithoutCard(PageId id) {
    for (qsizetype i = m_entries.size() - 1; i >= 0 && !id.isNull(); --i) {
        if (m_entries[i].id == id && m_entries[i].card.isEmpty())
            return &m_entries[i];
    }
    return nullptr;
}

int Trash::add(TrashEntry entry) {
    entry.number = m_next++;
    m_entries.append(std::move(entry));
    return m_entries.last().number;
}

bool Trash::remove(int number) {
    return m_entries.removeIf([number](const TrashEntry& e) { return e.number == number; }) > 0;
}

int Trash::removeOlderThan(const QDateTime& cutoff) {
    return int(m_entries.removeIf([&cutoff](const TrashEntry& e) { return e.deletedAt < cutoff; }));
}

QString trashPlace(int tab, qint64 page) {
    return QStringLiteral("tab %1, page %2").arg(tabCaption(tab)).arg(page);
}

QString trashLine(const TrashEntry& entry) {
    return QStringLiteral("%1  %2  %3  %4, from %5%6")
        .arg(entry.number, 4)
        .arg(textColumn(entry.name, 32))
        .arg(entry.deletedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
        .arg(entry.why, entry.from)
        .arg(entry.card.isEmpty() ? QString() : QStringLiteral(" (with its card)"));
}

int deletePageToTrash(const BookFolder& folder, const Clock& clock, int tab, qint64 page,
                      const QString& why, QString& error) {
    const TabFile file = folder.tabFile(tab);
    const TabFile::Read read = file.readPage(page);
    if (read.error)
        return read.error;
    if (!read.record.isEmpty() && !isBlankStored(read.record)) {
        Trash trash(folder);
        if (!trash.load(error))
            return RuntimeError::PathFileAccessError;
        TrashEntry entry;
        entry.name = pageName(read.record);
        entry.deletedAt = clock.now().toUTC();
        entry.why = why;
        entry.from = trashPlace(tab, page);
        entry.record = read.record;
        entry.id = pageIdOf(read.record);
        trash.add(entry);
        if (const int failed = trash.save()) {
            error = QStringLiteral("Cannot write the trash %1: %2")
                        .arg(trash.path(), describeRuntimeError(failed));
            return failed;
        }
    }
    return file.writePage(page, blankRecord());
}

int removeExpiredTrash(const BookFolder& folder, const QDateTime& now) {
    Trash trash(folder);
    QString error;
    if (!QFile::exists(trash.path()) || !trash.load(error))
        return 0;
    const int removed = trash.removeOlderThan(now.toUTC().addDays(-Trash::KeepDays));
    return removed > 0 && trash.save() == 0 ? removed : 0;
}

bool restoreFromTrash(const BookFolder& folder, const Clock& clock, int number,
                      const CardToPage& cardToPage, RestoredPage& restored, QString& error) {
    Trash trash(folder);
    if (!trash.load(error))
        return false;
    const TrashEntry* found = trash.find(number);
    if (!found) {
        error = QStringLiteral("The trash holds no entry %1.").arg(number);
        return false;
    }
    const TrashEntry entry = *found;
    QByteArray stored = entry.record;
    if (stored.isEmpty()) {
        PageTexts texts = cardToPage ? cardToPage(entry.card) : PageTexts();
        if (trimSpaces(QStringView(texts[0])).isEmpty())
            texts[0] = entry.name.isEmpty() ? QStringLiteral("No Name") : entry.name;
        const QDateTime now = clock.now();
        PageRecord record;
        fillRecord(record, texts);
        record[Field::DateModified] = now.toString(QStringLiteral("dd/MM/yy")).toLatin1();
        record[Field::TimeModified] = now.toString(QStringLiteral("HH:mm")).toLatin1();
        stored = record.toStored();
    }
    // The page keeps its identity, so a card still on the server stays its card; a page that
    // took the identity meanwhile keeps it, and this one goes back as a new card.
    PageId id = pageIdOf(stored);
    if (!id.isNull() && identityInUse(folder, id))
        id = PageId();
    if (id.isNull() && !entry.card.isEmpty())
        id = PageId::random(); // the card waits for the page under this identity
    setPageId(stored, id);

    restored.name = pageName(stored);
    restored.tab = tabForName(QStringView(restored.name));
    const TabFile file = folder.tabFile(restored.tab);
    qint64 slot = 0;
    qint64 count = 0;
    if (const int failed = file.findFirstBlank(slot, count);
        failed && failed != RuntimeError::FileNotFound) {
        error = QStringLiteral("Cannot read %1: %2").arg(file.path(), describeRuntimeError(failed));
        return false;
    }
    restored.page = slot > 0 ? slot : count + 1;
    if (const int failed = file.writePage(restored.page, stored)) {
        error =
            QStringLiteral("Cannot write %1: %2").arg(file.path(), describeRuntimeError(failed));
        return false;
    }
    // The page is back before the entry leaves: a crash in between keeps both, never neither.
    if (!entry.card.isEmpty())
        trash.keepCardToSendBack(id, entry.card);
    trash.remove(number);
    if (const int failed = trash.save()) {
        error = QStringLiteral("The page is back, but the trash %1 could not be written: %2")
                    .arg(trash.path(), describeRuntimeError(failed));
        return false;
    }
    return true;
}

} // namespace orvelan
