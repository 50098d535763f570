#include "book/DuplicateReview.h"

#include "book/PageCaptions.h"
#include "book/PageMerge.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/Trash.h"

namespace orvelan {

namespace {

QString addressOf(const PageTexts& texts, int first) {
    QStringList lines;
    for (int i = first; i < first + AddressLines; ++i) {
        if (!texts[i].trimmed().isEmpty())
            lines << texts[i].trimmed();
    }
    return lines.join(QStringLiteral(", "));
}

} // namespace

DuplicateReview::DuplicateReview(BookFolder folder, const Clock& clock)
    : m_folder(std::move(folder)), m_clock(clock),
      m_phones(phoneRegionSetting(m_folder.configPath())) {}

qsizetype DuplicateReview::find() {
    const DuplicateOutcome outcome = DuplicateFinder(m_folder, m_phones).run();
    m_damaged = outcome.damaged.size();
    m_groups.clear();
    for (const DuplicateGroup& found : outcome.groups) {
        Group group;
        for (const PagePosition& position : found.pages) {
            const TabFile::Read read = m_folder.tabFile(position.tab).readPage(position.page);
            if (!read.error && !read.record.isEmpty())
                group.pages.append({position, textsOf(PageRecord::fromStored(read.record))});
        }
        if (group.pages.size() < 2)
            continue;
        group.title = QStringLiteral("%1%2: %3")
                          .arg(found.possible ? QStringLiteral("possible: ") : QString(),
                               group.pages.first().texts[VName], reasonsText(found.reasons));
        m_groups.append(group);
    }
    return m_groups.size();
}

QList<DuplicateReview::Row> DuplicateReview::rows(qsizetype group) const {
    QList<Row> rows;
    if (group < 0 || group >= m_groups.size())
        return rows;
    const QList<Page>& pages = m_groups[group].pages;
    const auto addRow = [&](const QString& caption, const std::function<QString(const Page&)>& of) {
        Row row{caption, {}, false};
        bool any = false;
        for (const Page& page : pages) {
            row.values << of(page);
            any = any || !row.values.last().isEmpty();
            row.differ = row.differ || row.values.last() != row.values.first();
        }
        if (any)
            rows << row;
    };
    for (int i = 0; i < ViewFieldCount; ++i) {
        if (i == VAddr1 || i == VOrgAddr1) {
            addRow(i == VAddr1 ? QStringLiteral("Address") : QStringLiteral("Work address"),
                   [i](const Page& page) { return addressOf(page.texts, i); });
        } else if ((i > VAddr1 && i < VAddr1 + AddressLines) ||
                   (i > VOrgAddr1 && i < VOrgAddr1 + AddressLines)) {
            continue;
        } else {
            addRow(pageCaptionOf(i), [i](const Page& page) { return page.texts[i].trimmed(); });
        }
    }
    return rows;
}

bool DuplicateReview::merge(qsizetype group, qsizetype into, QString& message) {
    if (group < 0 || group >= m_groups.size())
        return false;
    QList<PagePosition> positions;
    for (const Page& page : std::as_const(m_groups[group].pages))
        positions << page.position;
    MergeOutcome outcome;
    if (!mergePages(m_folder, m_clock, m_phones, positions, int(into), outcome, message))
        return false;
    message = QStringLiteral("Merged %1 pages into %2; the others are in the trash.")
                  .arg(positions.size())
                  .arg(trashPlace(outcome.kept.tab, outcome.kept.page));
    if (!outcome.noted.isEmpty())
        message +=
            QStringLiteral(" Added to Notes: %1.").arg(outcome.noted.join(QStringLiteral("; ")));
    m_groups.removeAt(group);
    return true;
}

} // namespace orvelan
