#include "search/FindIndex.h"

#include "book/PageCaptions.h"
#include "store/BookCheck.h"
#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QCollator>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

constexpr int NumberFields = 5; // Phone 1, Phone 2, Mobile, Fax, Pager
constexpr int ListedTabs = 26;
// Longer than the timestamp step of any file system a book may live on (FAT's is two seconds).
constexpr qint64 UnsettledMs = 2500;

std::string_view block(const std::string& arena, quint32 offset, int fields) {
    std::size_t end = offset;
    for (int i = 0; i < fields; ++i)
        end = arena.find('\0', end) + 1;
    return std::string_view(arena).substr(offset, end - offset);
}

int fieldAt(std::string_view texts, std::size_t position) {
    return static_cast<int>(std::count(texts.begin(), texts.begin() + position, '\0'));
}

} // namespace

FindQuery::FindQuery(QStringView text, const PhoneNumbers& phones)
    : m_folded(text.trimmed().toString().toCaseFolded().toUtf8().toStdString()),
      m_phone(text.trimmed(), phones) {}

FindIndex::FindIndex(const BookFolder& folder) : m_folder(folder) {}

bool FindIndex::refresh() {
    bool changed = false;
    // Tab 0 first: names that begin with a digit or a sign come before the letters.
    for (int tab = 0; tab < ListedTabs; ++tab) {
        const QFileInfo file(m_folder.tabFilePath(tab));
        const qint64 bytes = file.exists() ? file.size() : -1;
        const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
        Tab& entry = m_tabs[tab];
        // A file changed again within the file system's timestamp step after it was read keeps
        // its time (and its size, when a page was rewritten): such a file is read again until
        // its time lies well before the reading.
        if (entry.read && entry.bytes == bytes && entry.modified == modified &&
            modified < entry.readAt.addMSecs(-UnsettledMs))
            continue;
        entry = Tab();
        entry.readAt = QDateTime::currentDateTimeUtc();
        readTab(tab, entry);
        entry.bytes = bytes;
        entry.modified = modified;
        entry.read = true;
        changed = true;
    }
    for (int slot = 0; slot < ListedTabs; ++slot)
        m_firstRow[slot + 1] = m_firstRow[slot] + static_cast<int>(m_tabs[slot].entries.size());
    m_size = m_firstRow[ListedTabs];
    m_damagedCount = 0;
    for (const Tab& tab : m_tabs)
        m_damagedCount += static_cast<int>(tab.damaged.size());
    return changed;
}

QList<PagePosition> FindIndex::damaged() const {
    QList<PagePosition> pages;
    pages.reserve(m_damagedCount);
    for (int tab = 0; tab < ListedTabs; ++tab) {
        for (const qint64 page : m_tabs[tab].damaged)
            pages.append({tab, page});
    }
    return pages;
}

void FindIndex::readTab(int tab, Tab& into) const {
    struct Named {
        Entry entry;
        QCollatorSortKey key;
    };
    std::vector<Named> named;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::string& arena = into.arena;
    const auto visit = [&](qint64 page, QByteArrayView stored) {
        if (isBlankStored(stored))
            return true;
        const PlainRecord record(stored);
        if (record.isBlank())
            return true;
        // Texts that do not decode would be found by what they are not: the page is damaged.
        if (!undecodableReason(stored, record).isEmpty()) {
            into.damaged.push_back(page);
            return true;
        }
        Entry entry{static_cast<qint32>(page), 0, 0, 0};
        std::array<QByteArray, ViewFieldCount> texts;
        for (int i = 0; i < ViewFieldCount; ++i)
            texts[i] = viewFormOf(i, record.field(viewField(i)), record.encoding()).toUtf8();
        entry.texts = static_cast<quint32>(arena.size());
        for (const QByteArray& text : texts)
            arena.append(text.constData(), text.size()).push_back('\0');
        entry.folded = static_cast<quint32>(arena.size());
        for (const QByteArray& text : texts) {
            const QByteArray folded = QString::fromUtf8(text).toCaseFolded().toUtf8();
            arena.append(folded.constData(), folded.size()).push_back('\0');
        }
        entry.digits = static_cast<quint32>(arena.size());
        for (int i = 0; i < NumberFields; ++i) {
            const QByteArray& number = texts[VPhone1 + i];
            if (std::any_of(number.begin(), number.end(), [](char c) { return c & 0x80; })) {
                arena += PhoneNumbers::digits(QString::fromUtf8(number)).toStdString();
            } else {
                std::copy_if(number.begin(), number.end(), std::back_inserter(arena),
                             [](char c) { return c >= '0' && c <= '9'; });
            }
            arena.push_back('\0');
        }
        named.push_back({entry, collator.sortKey(QString::fromUtf8(texts[VName]))});
        return true;
    };
    // A sealed page that fails its tag is never visited: it joins the damaged pages instead.
    m_folder.tabFile(tab).scan(visit, [&into](qint64 page) { into.damaged.push_back(page); });
    std::stable_sort(named.begin(), named.end(),
                     [](const Named& a, const Named& b) { return a.key.compare(b.key) < 0; });
    into.entries.reserve(named.size());
    for (const Named& n : named)
        into.entries.push_back(n.entry);
}

std::pair<const FindIndex::Tab*, const FindIndex::Entry*> FindIndex::locate(int row) const {
    const auto after = std::upper_bound(m_firstRow.begin(), m_firstRow.end(), row);
    const int slot = static_cast<int>(after - m_firstRow.begin()) - 1;
    const Tab& tab = m_tabs[slot];
    return {&tab, &tab.entries[row - m_firstRow[slot]]};
}

PagePosition FindIndex::position(int row) const {
    const auto after = std::upper_bound(m_firstRow.begin(), m_firstRow.end(), row);
    const int slot = static_cast<int>(after - m_firstRow.begin()) - 1;
    return {slot, m_tabs[slot].entries[row - m_firstRow[slot]].page};
}

QString FindIndex::text(int row, int field) const {
    const auto [tab, entry] = locate(row);
    const std::string_view texts = block(tab->arena, entry->texts, field + 1);
    const std::size_t start = field == 0 ? 0 : texts.rfind('\0', texts.size() - 2) + 1;
    return QString::fromUtf8(texts.substr(start, texts.size() - 1 - start));
}

int FindIndex::match(const Tab& tab, const Entry& entry, const FindQuery& query) const {
    int field = ViewFieldCount;
    const std::string_view folded(tab.arena.data() + entry.folded, entry.digits - entry.folded);
    const std::size_t at = folded.find(query.m_folded);
    if (at != std::string_view::npos)
        field = fieldAt(folded, at);
    if (query.m_phone.isActive() && field > VPhone1) {
        const char* digits = tab.arena.data() + entry.digits;
        for (int i = 0; i < NumberFields && VPhone1 + i < field; ++i) {
            const std::string_view number(digits);
            if (query.m_phone.matchesDigits(number))
                field = VPhone1 + i;
            digits += number.size() + 1;
        }
    }
    return field == ViewFieldCount ? -1 : field;
}

FindIndex::Batch FindIndex::find(const FindQuery& query, int from, int limit) const {
    Batch batch;
    int row = std::max(from, 0);
    for (; row < m_size && batch.hits.size() < limit; ++row) {
        if (query.isEmpty()) {
            batch.hits.append({row, -1});
            continue;
        }
        const auto [tab, entry] = locate(row);
        const int field = match(*tab, *entry, query);
        if (field >= 0)
            batch.hits.append({row, field});
    }
    batch.next = row;
    batch.done = row >= m_size;
    return batch;
}

QString FindIndex::line(const FindHit& hit) const {
    const PagePosition where = position(hit.row);
    QString line;
    line.reserve(84);
    line += u' ';
    line += textColumn(text(hit.row, VName), 21);
    line += u"  "_s;
    if (hit.field < 0) {
        line += textColumn(text(hit.row, VOrganisation), 26);
        line += u"  "_s;
        line += textColumn(text(hit.row, VPhone1), 18);
    } else {
        QString found = pageCaptionOf(hit.field) + u": "_s + text(hit.row, hit.field);
        found.replace(u'\n', u' ');
        line += textColumn(found, 46);
    }
    line += u"  "_s;
    line += resultTabText(where.tab);
    line += u" / "_s;
    line += QString::number(where.page).rightJustified(5, u' ');
    return line;
}

} // namespace orvelan
