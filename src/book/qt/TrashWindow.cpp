#include "book/qt/TrashWindow.h"

#include "store/Trash.h"
#include "sync/VCardSyncMapping.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace orvelan {

TrashWindow::TrashWindow(BookFolder folder, const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(folder)), m_clock(clock) {
    setObjectName(QStringLiteral("frmTrash"));
    setWindowTitle(QStringLiteral("ORVELAN Trash"));
    auto* intro = new QLabel(QStringLiteral("Pages and cards that left the book in the last %1 "
                                            "days, newest first:")
                                 .arg(Trash::KeepDays),
                             this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("TrashList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_restore = new QPushButton(QStringLiteral("Restore"), this);
    m_restore->setObjectName(QStringLiteral("TrashRestoreBu"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("TrashCloseBu"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("TrashResultLa"));
    m_result->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_restore);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_result);
    resize(640, 360);
    connect(m_restore, &QPushButton::clicked, this, &TrashWindow::restoreChosen);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_restore->setEnabled(!m_list->selectedItems().isEmpty()); });
}

void TrashWindow::open() {
    m_result->clear();
    fill();
    show();
    raise();
    activateWindow();
}

void TrashWindow::fill() {
    m_list->clear();
    Trash trash(m_folder);
    QString error;
    if (!trash.load(error)) {
        m_result->setText(error);
    } else {
        for (const TrashEntry& entry : trash.newestFirst()) {
            auto* item = new QListWidgetItem(trashLine(entry), m_list);
            item->setData(Qt::UserRole, entry.number);
        }
        if (m_list->count() == 0)
            m_result->setText(QStringLiteral("The trash is empty."));
    }
    m_restore->setEnabled(false);
    fitToLines();
}

void TrashWindow::fitToLines() {
    // As wide as the longest line beside the scroll bar, so no line is cut and no scroll bar
    // runs across the window's foot; never wider than the screen.
    const QFontMetrics metrics(m_list->font());
    int widest = 0;
    for (int row = 0; row < m_list->count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(m_list->item(row)->text()));
    const QStyle* style = m_list->style();
    const int wanted = widest +
                       2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1) +
                       2 * m_list->frameWidth() +
                       style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list) + 4;
    const QScreen* screen = this->screen();
    const int room = screen ? screen->availableGeometry().width() * 9 / 10 : wanted;
    m_list->setMinimumWidth(std::min(wanted, room));
    resize(std::max(width(), sizeHint().width()), height());
}

void TrashWindow::restoreChosen() {
    QList<int> numbers;
    for (const QListWidgetItem* item : m_list->selectedItems())
        numbers.append(item->data(Qt::UserRole).toInt());
    const VCardSyncMapping mapping;
    const CardToPage cardToPage = [&mapping](const QByteArray& card) {
        return mapping.pageOf(card);
    };
    QStringList lines;
    for (const int number : std::as_const(numbers)) {
        RestoredPage placed;
        QString error;
        if (restoreFromTrash(m_folder, m_clock, number, cardToPage, placed, error))
            lines << QStringLiteral("Restored %1 to %2.")
                         .arg(placed.name, trashPlace(placed.tab, placed.page));
        else
            lines << error;
    }
    fill();
    m_result->setText(lines.join(u'\n'));
    if (!numbers.isEmpty())
        Q_EMIT restored();
}

} // namespace orvelan
