#include "book/qt/DuplicatesWindow.h"

#include "store/Trash.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvelan {

DuplicatesWindow::DuplicatesWindow(BookFolder folder, const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), m_review(std::move(folder), clock) {
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("ORVELAN Duplicates"));
    auto* intro = new QLabel(QStringLiteral("Pages that hold the same person or organisation. "
                                            "Choose a group, then the column of the page to keep, "
                                            "and Merge: every other value goes into it, and the "
                                            "other pages go to the trash."),
                             this);
    intro->setWordWrap(true);
    m_groups = new QListWidget(this);
    m_groups->setObjectName(QStringLiteral("DupGroupList"));
    m_groups->setWordWrap(true); // a long name and its reasons stay whole
    m_groups->setResizeMode(QListView::Adjust);
    m_pages = new QTableWidget(this);
    m_pages->setObjectName(QStringLiteral("DupPagesTable"));
    m_pages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pages->setSelectionBehavior(QAbstractItemView::SelectColumns);
    m_pages->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pages->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_merge = new QPushButton(QStringLiteral("Merge"), this);
    m_merge->setObjectName(QStringLiteral("DupMergeBu"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("DupCloseBu"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("DupResultLa"));
    m_result->setWordWrap(true);
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_groups, 1);
    lists->addWidget(m_pages, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_merge);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_result);
    resize(900, 420);
    connect(m_merge, &QPushButton::clicked, this, &DuplicatesWindow::mergeChosen);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_groups, &QListWidget::currentRowChanged, this, &DuplicatesWindow::showGroup);
}

void DuplicatesWindow::open() {
    m_result->clear();
    m_review.find();
    fillGroups();
    if (m_review.groups().isEmpty())
        m_result->setText(QStringLiteral("No duplicates in the book."));
    if (m_review.damagedPages() > 0)
        m_result->setText(QStringLiteral("%1 damaged pages were left out ('orvelan-book check' "
                                         "says more).")
                              .arg(m_review.damagedPages()));
    show();
    raise();
    activateWindow();
}

void DuplicatesWindow::fillGroups() {
    m_groups->clear();
    for (const DuplicateReview::Group& group : m_review.groups())
        m_groups->addItem(group.title);
    if (m_groups->count() > 0)
        m_groups->setCurrentRow(0);
    else
        showGroup(-1);
}

void DuplicatesWindow::showGroup(int group) {
    m_pages->clear();
    const bool shown = group >= 0 && group < m_review.groups().size();
    m_merge->setEnabled(shown);
    if (!shown) {
        m_pages->setRowCount(0);
        m_pages->setColumnCount(0);
        return;
    }
    const QList<DuplicateReview::Page>& pages = m_review.groups()[group].pages;
    const QList<DuplicateReview::Row> rows = m_review.rows(group);
    m_pages->setColumnCount(int(pages.size()));
    m_pages->setRowCount(int(rows.size()));
    QStringList headers;
    for (const DuplicateReview::Page& page : pages)
        headers << trashPlace(page.position.tab, page.position.page);
    m_pages->setHorizontalHeaderLabels(headers);
    QStringList captions;
    for (int r = 0; r < rows.size(); ++r) {
        captions << rows[r].caption;
        for (int c = 0; c < rows[r].values.size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r].values[c]);
            if (rows[r].differ) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            m_pages->setItem(r, c, item);
        }
    }
    m_pages->setVerticalHeaderLabels(captions);
    m_pages->selectColumn(0);
}

void DuplicatesWindow::mergeChosen() {
    const int group = m_groups->currentRow();
    const QModelIndexList chosen = m_pages->selectionModel()->selectedColumns();
    const int into = chosen.isEmpty() ? 0 : chosen.first().column();
    QString message;
    const bool done = m_review.merge(group, into, message);
    if (done) {
        fillGroups();
        Q_EMIT merged();
    }
    m_result->setText(message);
}

} // namespace orvelan
