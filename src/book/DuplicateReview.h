#pragma once

#include "platform/Clock.h"
#include "search/DuplicateFinder.h"
#include "store/BookFolder.h"
#include "store/PageTexts.h"
#include "telephony/PhoneNumbers.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace orvelan {

// What the Duplicates window shows and does: the groups of pages that hold the same person, each
// page's texts side by side, and the merge of a group. The window only lists and asks.
class DuplicateReview {
public:
    struct Page {
        PagePosition position;
        PageTexts texts;
    };
    struct Group {
        QString title; // "Ivanov, Ivan: same telephone number, same name" ("possible: " first)
        QList<Page> pages;
    };
    // One field of a group's pages side by side.
    struct Row {
        QString caption; // "Phone", "Address" (a whole address on one line) ...
        QStringList values;
        bool differ = false; // the pages do not all hold the same
    };

    DuplicateReview(BookFolder folder, const Clock& clock);

    // Finds the groups again; returns how many. Damaged pages are left out and counted.
    qsizetype find();
    const QList<Group>& groups() const { return m_groups; }
    qsizetype damagedPages() const { return m_damaged; }
    // The fields that any page of group `group` holds, in page order.
    QList<Row> rows(qsizetype group) const;
    // Merges group `group` into its page `into`; the group leaves the list. The message says
    // where the pages went, or why nothing was merged.
    bool merge(qsizetype group, qsizetype into, QString& message);

private:
    BookFolder m_folder;
    const Clock& m_clock;
    PhoneNumbers m_phones;
    QList<Group> m_groups;
    qsizetype m_damaged = 0;
};

} // namespace orvelan
