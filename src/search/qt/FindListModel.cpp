#include "search/qt/FindListModel.h"

namespace orvelan {

FindListModel::FindListModel(const FindIndex& index, QObject* parent)
    : QAbstractListModel(parent), m_index(index) {}

void FindListModel::setQuery(const FindQuery& query) {
    beginResetModel();
    m_hits.clear();
    m_query.reset();
    m_done = true;
    if (!query.isEmpty()) {
        m_query = query;
        const FindIndex::Batch batch = m_index.find(query, 0, BatchSize);
        m_hits = batch.hits;
        m_next = batch.next;
        m_done = batch.done;
    }
    endResetModel();
}

int FindListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_query ? static_cast<int>(m_hits.size()) : m_index.size();
}

QVariant FindListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return m_index.line(m_query ? m_hits[index.row()] : FindHit{index.row(), -1});
}

bool FindListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete();
}

void FindListModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    const FindIndex::Batch batch = m_index.find(*m_query, m_next, BatchSize);
    m_next = batch.next;
    m_done = batch.done;
    if (batch.hits.isEmpty())
        return;
    const int first = static_cast<int>(m_hits.size());
    beginInsertRows({}, first, first + static_cast<int>(batch.hits.size()) - 1);
    m_hits += batch.hits;
    endInsertRows();
}

std::optional<PagePosition> FindListModel::positionAt(int row) const {
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return m_index.position(m_query ? m_hits[row].row : row);
}

} // namespace orvelan
