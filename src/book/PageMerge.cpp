#include "book/PageMerge.h"

#include "book/PageCaptions.h"
#include "search/NameKey.h"
#include "store/PageIdentity.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/Trash.h"

#include <QSet>

#include <algorithm>

namespace orvelan {

namespace {

constexpr int NumberFields[] = {VPhone1, VPhone2, VMobile, VFax, VPager};

bool isNumber(int viewIndex) {
    return viewIndex >= VPhone1 && viewIndex <= VPager;
}
bool isAddressLine(int viewIndex) {
    return (viewIndex >= VAddr1 && viewIndex < VAddr1 + AddressLines) ||
           (viewIndex >= VOrgAddr1 && viewIndex < VOrgAddr1 + AddressLines);
}

bool isLatin1(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

// Letter case and runs of spaces do not make two values differ.
QString comparable(QStringView text) {
    return text.toString().simplified().toCaseFolded();
}

int widthOf(int viewIndex) {
    return specOf(viewField(viewIndex)).width;
}

// An address as one line: its lines joined by ", ".
QString addressLine(const PageTexts& texts, int first) {
    QStringList lines;
    for (int i = first; i < first + AddressLines; ++i) {
        const QString line = texts[i].trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines.join(QStringLiteral(", "));
}

class Merger {
public:
    Merger(const PageTexts& kept, const PhoneNumbers& phones, NameKeys& names)
        : m_phones(phones), m_names(names) {
        m_merged.texts = kept;
    }

    void add(const PageTexts& other) {
        for (int i = 0; i < NotesViewIndex; ++i) {
            if (!isAddressLine(i))
                addValue(i, other[i].trimmed());
        }
        addAddress(other, VAddr1, QStringLiteral("Address"));
        addAddress(other, VOrgAddr1, QStringLiteral("Work address"));
        const QString notes = other[NotesViewIndex].trimmed();
        if (!notes.isEmpty() && notes != m_merged.texts[NotesViewIndex] &&
            !comparable(m_merged.texts[NotesViewIndex]).contains(comparable(notes)))
            m_otherNotes << notes;
    }

    // Whether `other` holds no value the kept page does not: the texts first, and libphonenumber
    // asked about a number only when every other value is held.
    bool addsNothing(const PageTexts& other) {
        const PageTexts kept = m_merged.texts;
        const auto unchanged = [&] { return m_noted.isEmpty() && m_merged.texts == kept; };
        for (int i = 0; i < NotesViewIndex; ++i) {
            if (isAddressLine(i) || isNumber(i))
                continue;
            addValue(i, other[i].trimmed());
            if (!unchanged())
                return false;
        }
        addAddress(other, VAddr1, QStringLiteral("Address"));
        addAddress(other, VOrgAddr1, QStringLiteral("Work address"));
        const QString notes = other[NotesViewIndex].trimmed();
        if (!unchanged() || (!notes.isEmpty() && notes != kept[NotesViewIndex] &&
                             !comparable(kept[NotesViewIndex]).contains(comparable(notes))))
            return false;
        for (const int i : NumberFields) {
            addValue(i, other[i].trimmed());
            if (!unchanged())
                return false;
        }
        return true;
    }

    MergedTexts finish() {
        PageTexts& texts = m_merged.texts;
        // What its field cannot hold whole in the merged page's encoding (the notes added
        // count: a name in Cyrillic makes an SCSU page) goes to Notes instead.
        const TextEncoding encoding = encodingFor(withNotes());
        for (const int first : {int(VAddr1), int(VOrgAddr1)}) {
            bool fits = true;
            for (int i = first; i < first + AddressLines; ++i)
                fits = fits && fitsWhole(i, texts[i], encoding);
            if (!fits) {
                m_noted << QStringLiteral("%1: %2").arg(
                    first == VAddr1 ? QStringLiteral("Address") : QStringLiteral("Work address"),
                    addressLine(texts, first));
                for (int i = first; i < first + AddressLines; ++i)
                    texts[i].clear();
            }
        }
        for (int i = 0; i < NotesViewIndex; ++i) {
            if (!isAddressLine(i) && !fitsWhole(i, texts[i], encoding)) {
                m_noted << QStringLiteral("%1: %2").arg(pageCaptionOf(i), texts[i]);
                texts[i].clear();
            }
        }
        if (texts[VName].trimmed().isEmpty()) {
            m_merged.problem = QStringLiteral("The merged page would have no name.");
            return m_merged;
        }
        texts = withNotes();
        const qsizetype length =
            storedLengthOf(NotesViewIndex, texts[NotesViewIndex], encodingFor(texts));
        if (length > widthOf(NotesViewIndex))
            m_merged.problem =
                QStringLiteral("The merged page's notes would need %1 bytes, and Notes hold %2. "
                               "Nothing was merged: shorten the notes of these pages first.")
                    .arg(length)
                    .arg(widthOf(NotesViewIndex));
        m_merged.noted = m_noted;
        return m_merged;
    }

private:
    // The texts with Notes as they will be: the kept page's notes, the values noted, then the
    // others' notes.
    PageTexts withNotes() const {
        PageTexts texts = m_merged.texts;
        QStringList notes;
        if (!texts[NotesViewIndex].trimmed().isEmpty())
            notes << texts[NotesViewIndex];
        notes << m_noted << m_otherNotes;
        texts[NotesViewIndex] = notes.join(u'\n');
        return texts;
    }

    bool alreadyHeld(int viewIndex, const QString& value) const {
        const PageTexts& texts = m_merged.texts;
        // The very same text first (a record imported again holds nothing else).
        if (texts[viewIndex] == value)
            return true;
        const QString wanted = comparable(value);
        if (isNumber(viewIndex)) {
            // The same text anywhere next: libphonenumber reads only numbers written otherwise.
            for (const int n : NumberFields) {
                if (!texts[n].isEmpty() && comparable(texts[n]) == wanted)
                    return true;
            }
            for (const int n : NumberFields) {
                if (!texts[n].isEmpty() && m_phones.sameNumber(texts[n], value))
                    return true;
            }
        } else if (comparable(texts[viewIndex]) == wanted) {
            return true;
        } else if (viewIndex == VName && isLatin1(value) &&
                   m_names.keyOf(texts[VName]) == m_names.keyOf(value)) {
            return true; // "IVAN IVANOV" for "Ivanov, Ivan"; a spelling in another script stays
        }
        // A short value ("12") is not taken for one the notes hold somewhere in their words.
        if (wanted.size() >= 4 && comparable(texts[NotesViewIndex]).contains(wanted))
            return true;
        for (const QString& line : m_noted) {
            if (comparable(line).endsWith(wanted))
                return true;
        }
        return false;
    }

    void addValue(int i, QString value) {
        PageTexts& texts = m_merged.texts;
        if (i == VGroup)
            value = newGroups(texts[i], value);
        if (value.isEmpty() || alreadyHeld(i, value))
            return;
        if (texts[i].trimmed().isEmpty()) {
            texts[i] = value;
            return;
        }
        // Phone and Phone 2 take either's second number.
        if ((i == VPhone1 || i == VPhone2) && texts[VPhone2].trimmed().isEmpty()) {
            texts[VPhone2] = value;
            return;
        }
        // A page belongs to several groups as "Friends, Work" when the field holds them.
        if (i == VGroup) {
            const QString joined = texts[i] + QStringLiteral(", ") + value;
            if (fitsWhole(i, joined, encodingFor(QStringView(joined)))) {
                texts[i] = joined;
                return;
            }
        }
        m_noted << QStringLiteral("%1: %2").arg(pageCaptionOf(i), value);
    }

    // The groups of `theirs` ("Chess, Work") that `ours` ("Friends, chess") does not hold.
    static QString newGroups(const QString& ours, const QString& theirs) {
        QStringList held;
        for (const QString& group : ours.split(u',', Qt::SkipEmptyParts))
            held << comparable(group);
        QStringList added;
        for (const QString& group : theirs.split(u',', Qt::SkipEmptyParts)) {
            if (!held.contains(comparable(group)) && !group.trimmed().isEmpty())
                added << group.trimmed();
        }
        return added.join(QStringLiteral(", "));
    }

    void addAddress(const PageTexts& other, int first, const QString& label) {
        const QString line = addressLine(other, first);
        PageTexts& texts = m_merged.texts;
        const QString kept = addressLine(texts, first);
        if (line.isEmpty() || kept == line || comparable(kept) == comparable(line) ||
            comparable(texts[NotesViewIndex]).contains(comparable(line)))
            return;
        if (kept.isEmpty()) {
            for (int i = first; i < first + AddressLines; ++i)
                texts[i] = other[i].trimmed();
            return;
        }
        m_noted << QStringLiteral("%1: %2").arg(label, line);
    }

    const PhoneNumbers& m_phones;
    NameKeys& m_names;
    MergedTexts m_merged;
    QStringList m_noted;
    QStringList m_otherNotes;
};

QString placeOf(const PagePosition& position) {
    return trashPlace(position.tab, position.page);
}

TrashEntry entryOf(const QByteArray& stored, const QString& name, const QDateTime& now,
                   const QString& why, const PagePosition& from) {
    TrashEntry entry;
    entry.name = name;
    entry.deletedAt = now.toUTC();
    entry.why = why;
    entry.from = placeOf(from);
    entry.record = stored;
    entry.id = pageIdOf(stored);
    return entry;
}

// Keeps `entries` in the trash first, then writes `record` over the page at `page`; when the
// page cannot be written, the entries leave the trash again, so nothing changed. False with
// `error` (ending in `suffix`) when either write failed; `numbers` are the trash entries.
bool trashThenWrite(const BookFolder& folder, const QList<TrashEntry>& entries,
                    const PagePosition& page, const QByteArray& record, const QString& suffix,
                    QList<int>& numbers, QString& error) {
    TrashedWrites writes(folder);
    if (!writes.open(error))
        return false;
    writes.add(page, record, entries);
    const TrashedWrites::Written written = writes.flush().constFirst();
    if (!written.failed) {
        numbers = written.entries;
        return true;
    }
    if (written.trashFailed) {
        error =
            QStringLiteral("Cannot write the trash %1: %2%3")
                .arg(writes.trashPath(), describeRuntimeError(written.failed).chopped(1), suffix);
        return false;
    }
    writes.finish();
    error = QStringLiteral("Cannot write %1: %2%3")
                .arg(placeOf(page), describeRuntimeError(written.failed).chopped(1), suffix);
    return false;
}

} // namespace

QByteArray pageWithTexts(const QByteArray& stored, const PageTexts& texts, const QDateTime& now) {
    PageRecord record = PageRecord::fromStored(stored);
    fillRecord(record, texts);
    record[Field::DateModified] = now.toString(QStringLiteral("dd/MM/yy")).toLatin1();
    record[Field::TimeModified] = now.toString(QStringLiteral("HH:mm")).toLatin1();
    QByteArray written = record.toStored();
    setPageId(written, pageIdOf(stored));
    return written;
}

bool TrashedWrites::open(QString& error) {
    m_open = m_trash.load(error);
    return m_open;
}

void TrashedWrites::add(const PagePosition& page, const QByteArray& record,
                        const QList<TrashEntry>& entries) {
    const auto at = m_queuedAt.constFind(pageKey(page));
    if (at != m_queuedAt.cend()) {
        m_queue[*at].record = record;
        m_queue[*at].entries << entries;
        return;
    }
    m_queuedAt.insert(pageKey(page), m_queue.size());
    m_queue.append({page, record, entries});
}

const QByteArray* TrashedWrites::queued(const PagePosition& page) const {
    const auto at = m_queuedAt.constFind(pageKey(page));
    return at == m_queuedAt.cend() ? nullptr : &m_queue[*at].record;
}

bool TrashedWrites::full() const {
    return m_queue.size() >= std::max(SmallestBatch, m_trash.entries().size());
}

QList<TrashedWrites::Written> TrashedWrites::flush() {
    QList<Written> written;
    written.reserve(m_queue.size());
    for (Queued& queued : m_queue) {
        Written& page = written.emplace_back();
        page.page = queued.page;
        for (TrashEntry& entry : queued.entries)
            page.entries << m_trash.add(std::move(entry));
    }
    const int trashFailed = m_open ? m_trash.save() : RuntimeError::PathFileAccessError;
    for (qsizetype i = 0; i < m_queue.size(); ++i) {
        Written& page = written[i];
        page.failed =
            trashFailed
                ? trashFailed
                : m_folder.tabFile(page.page.tab).writePage(page.page.page, m_queue[i].record);
        page.trashFailed = trashFailed != 0;
        if (page.failed) {
            // Out of the trash again: in the file until the next trash write when it was kept.
            for (const int number : std::as_const(page.entries))
                m_trash.remove(number);
            page.entries.clear();
        }
    }
    if (!trashFailed)
        m_unsaved = std::any_of(written.cbegin(), written.cend(),
                                [](const Written& w) { return w.failed != 0; });
    m_queue.clear();
    m_queuedAt.clear();
    return written;
}

int TrashedWrites::finish() {
    if (!m_unsaved)
        return 0;
    const int failed = m_trash.save();
    m_unsaved = failed != 0;
    return failed;
}

bool mergeIntoPage(TrashedWrites& writes, const QDateTime& now, const PhoneNumbers& phones,
                   NameKeys& names, const PagePosition& page, const PageTexts& incoming,
                   QString& error) {
    QByteArray stored;
    bool queued = false;
    if (const QByteArray* record = writes.queued(page)) {
        stored = *record;
        queued = true;
    } else {
        const TabFile::Read read = writes.folder().tabFile(page.tab).readPage(page.page);
        if (read.error || read.record.isEmpty() || isBlankStored(read.record)) {
            error = QStringLiteral("%1 cannot be read.").arg(placeOf(page));
            return false;
        }
        stored = read.record;
    }
    const PageTexts texts = textsOf(PageRecord::fromStored(stored));
    const MergedTexts merged = mergeTexts({texts, incoming}, phones, names);
    if (!merged.problem.isEmpty()) {
        error = merged.problem;
        return false;
    }
    // A page queued already has its form as stored in the trash's batch.
    QList<TrashEntry> entries;
    if (!queued)
        entries << entryOf(stored, texts[VName], now, TrashReason::BeforeMerge, page);
    writes.add(page, pageWithTexts(stored, merged.texts, now), entries);
    return true;
}

MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones) {
    NameKeys names;
    return mergeTexts(pages, phones, names);
}

MergedTexts mergeTexts(const QList<PageTexts>& pages, const PhoneNumbers& phones, NameKeys& names) {
    if (pages.isEmpty())
        return {};
    Merger merger(pages.first(), phones, names);
    for (qsizetype i = 1; i < pages.size(); ++i)
        merger.add(pages[i]);
    return merger.finish();
}

bool addsNothing(const PageTexts& page, const PageTexts& other, const PhoneNumbers& phones,
                 NameKeys& names) {
    return Merger(page, phones, names).addsNothing(other);
}

bool mergePages(const BookFolder& folder, const Clock& clock, const PhoneNumbers& phones,
                const QList<PagePosition>& pages, int into, MergeOutcome& outcome, QString& error) {
    if (pages.size() < 2 || into < 0 || into >= pages.size()) {
        error = QStringLiteral("A merge needs two pages or more, and one of them to keep.");
        return false;
    }
    QList<PagePosition> order{pages[into]};
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i != into)
            order << pages[i];
    }
    QSet<QString> seen;
    QList<QByteArray> stored;
    QList<PageTexts> texts;
    for (const PagePosition& position : std::as_const(order)) {
        if (seen.contains(placeOf(position))) {
            error = QStringLiteral("%1 is given twice; nothing was merged.").arg(placeOf(position));
            return false;
        }
        seen.insert(placeOf(position));
        const TabFile::Read read = folder.tabFile(position.tab).readPage(position.page);
        if (read.error) {
            error = QStringLiteral("Cannot read %1: %2; nothing was merged.")
                        .arg(placeOf(position), describeRuntimeError(read.error));
            return false;
        }
        if (read.record.isEmpty() || isBlankStored(read.record)) {
            error = QStringLiteral("%1 is %2; nothing was merged.")
                        .arg(placeOf(position), read.record.isEmpty()
                                                    ? QStringLiteral("not in the book")
                                                    : QStringLiteral("a blank page"));
            return false;
        }
        stored << read.record;
        texts << textsOf(PageRecord::fromStored(read.record));
    }
    const MergedTexts merged = mergeTexts(texts, phones);
    if (!merged.problem.isEmpty()) {
        error = merged.problem;
        return false;
    }

    const QDateTime now = clock.now();
    QList<TrashEntry> entries;
    for (qsizetype i = 0; i < order.size(); ++i)
        entries << entryOf(stored[i], texts[i][VName], now,
                           i == 0 ? TrashReason::BeforeMerge : TrashReason::Merged, order[i]);
    if (!trashThenWrite(folder, entries, order[0], pageWithTexts(stored[0], merged.texts, now),
                        QStringLiteral("; nothing was merged."), outcome.trashEntries, error))
        return false;
    outcome.kept = order[0];
    outcome.noted = merged.noted;
    for (qsizetype i = 1; i < order.size(); ++i) {
        if (const int failed =
                folder.tabFile(order[i].tab).writePage(order[i].page, blankRecord())) {
            error = QStringLiteral("The pages were merged into %1, but %2 could not be blanked "
                                   "(%3); it is in the trash too, and can be deleted by hand.")
                        .arg(placeOf(order[0]), placeOf(order[i]), describeRuntimeError(failed));
            return false;
        }
        outcome.trashed << order[i];
    }
    return true;
}

} // namespace orvelan
