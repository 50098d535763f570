#pragma once

#include "search/FindIndex.h"

#include <QAbstractListModel>

#include <optional>

namespace orvelan {

// The find box's list over the book's find index: with no query every page in name order, with
// one the pages found, the first batch at once and more as the list scrolls to its end. Lines
// are made only for the rows on screen.
class FindListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int BatchSize = 200;

    explicit FindListModel(const FindIndex& index, QObject* parent = nullptr);

    // Starts over with `query` (the index may have changed since).
    void setQuery(const FindQuery& query);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Every page found is listed (no more to fetch).
    bool complete() const { return !m_query || m_done; }
    std::optional<PagePosition> positionAt(int row) const;

private:
    const FindIndex& m_index;
    std::optional<FindQuery> m_query; // empty: every page
    QList<FindHit> m_hits;
    int m_next = 0;
    bool m_done = true;
};

} // namespace orvelan
