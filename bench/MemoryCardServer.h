#pragma once

#include "sync/HttpTransport.h"

#include <QHash>
#include <QString>

namespace orvelan::bench {

// One address book held in memory, answering the requests a sync makes (sync reports,
// multiget, PUT and DELETE under their preconditions) at once. It lets a benchmark measure what
// the sync itself costs on a big book, with no server time in the figure.
class MemoryCardServer final : public HttpTransport {
public:
    HttpResponse send(const HttpRequest& request) override;

    qsizetype cardCount() const { return m_cards.size(); }

private:
    struct Card {
        QByteArray data;
        QByteArray etag;
        qint64 version = 0; // the change number that last wrote it
    };

    HttpResponse report(const HttpRequest& request) const;
    HttpResponse changesSince(const HttpRequest& request, qint64 since) const;
    HttpResponse multiget(const HttpRequest& request) const;
    HttpResponse put(const HttpRequest& request);
    HttpResponse remove(const HttpRequest& request);

    QHash<QString, Card> m_cards;       // by path
    QHash<QString, qint64> m_removedAt; // path -> change number of its deletion
    qint64 m_version = 0;
};

} // namespace orvelan::bench
