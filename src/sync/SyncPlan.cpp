#include "sync/SyncPlan.h"

#include <QSet>

namespace orvelan {

QString cardHrefFor(const QString& bookPath, PageId id) {
    QString path = bookPath;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + QStringLiteral("orvelan-") + id.toString() + QStringLiteral(".vcf");
}

QList<SyncStep> planSync(const QList<LocalPage>& local, const RemoteCards& remote,
                         const SyncState& state, const QString& bookPath) {
    QList<SyncStep> steps;

    // Which page holds each identity; copies of a record lose theirs. Of pages that share one,
    // the page still as last synced keeps it (a renamed copy must not overwrite the card), then
    // the page where the last sync left it, then the first.
    const auto claim = [&state](const LocalPage& page) {
        const CardState* known = state.find(page.id);
        if (!known)
            return 0;
        return (page.hash == known->hash ? 2 : 0) +
               (known->tab == page.tab && known->page == page.page ? 1 : 0);
    };
    QHash<PageId, int> byId;
    QList<int> withoutId;
    for (int i = 0; i < local.size(); ++i) {
        const LocalPage& page = local[i];
        if (page.id.isNull()) {
            withoutId.append(i);
            continue;
        }
        const auto it = byId.find(page.id);
        if (it == byId.end()) {
            byId.insert(page.id, i);
        } else if (claim(page) > claim(local[*it])) {
            withoutId.append(*it);
            *it = i;
        } else {
            withoutId.append(i);
        }
    }

    QSet<QString> remoteSeen;
    // The page meets a card on the server that a sync sent and stopped before recording.
    const auto matchCard = [&](SyncStep& step, const QString& href) {
        step.action = SyncAction::Match;
        step.href = href;
        step.etag = remote.value(href);
        remoteSeen.insert(href);
    };
    QSet<PageId> localSeen;
    for (const CardState& known : state.cards()) {
        const auto page = byId.constFind(known.id);
        const auto card = remote.constFind(known.href);
        const bool here = page != byId.cend();
        const bool there = card != remote.cend();
        SyncStep step;
        step.id = known.id;
        step.href = known.href;
        step.local = here ? *page : -1;
        step.etag = there ? *card : QByteArray();
        if (here)
            localSeen.insert(known.id);
        if (there)
            remoteSeen.insert(known.href);
        const bool changedHere = here && local[*page].hash != known.hash;
        const bool changedThere = there && *card != known.etag;
        if (here && there) {
            if (changedHere && changedThere)
                step.action = SyncAction::Conflict;
            else if (changedHere)
                step.action = SyncAction::Update;
            else if (changedThere)
                step.action = SyncAction::Refresh;
            else
                continue;
        } else if (here && changedHere) {
            // The page goes back as a new card at the path its identity gives. When that card
            // is there already, a sync that sent it stopped before recording it: compare them.
            const QString sent = cardHrefFor(bookPath, known.id);
            if (sent != known.href && remote.contains(sent) && !state.findByHref(sent))
                matchCard(step, sent);
            else
                step.action = SyncAction::Recreate;
        } else if (here) {
            step.action = SyncAction::DeleteHere;
        } else if (there) {
            step.action = changedThere ? SyncAction::Restore : SyncAction::DeleteThere;
        } else {
            step.action = SyncAction::Forget;
        }
        steps.append(step);
    }

    // Pages and cards the state does not know. A page and a card whose names belong together
    // were written by a sync that stopped before it could record them.
    QHash<PageId, QString> unknownCards;
    for (auto it = remote.cbegin(); it != remote.cend(); ++it) {
        if (!remoteSeen.contains(it.key()))
            unknownCards.insert(PageId::derivedFrom(it.key().toUtf8()), it.key());
    }
    for (auto it = byId.cbegin(); it != byId.cend(); ++it) {
        if (localSeen.contains(it.key()))
            continue;
        SyncStep step;
        step.id = it.key();
        step.local = *it;
        QString href = cardHrefFor(bookPath, it.key());
        if (!remote.contains(href) || remoteSeen.contains(href))
            href = unknownCards.value(it.key());
        if (!href.isEmpty() && remote.contains(href) && !remoteSeen.contains(href))
            matchCard(step, href);
        else
            step.action = SyncAction::Send;
        steps.append(step);
    }
    for (const int i : std::as_const(withoutId)) {
        SyncStep step;
        step.action = SyncAction::Send;
        step.local = i;
        steps.append(step);
    }
    for (auto it = remote.cbegin(); it != remote.cend(); ++it) {
        if (remoteSeen.contains(it.key()))
            continue;
        SyncStep step;
        step.action = SyncAction::Receive;
        step.href = it.key();
        step.etag = it.value();
        steps.append(step);
    }
    return steps;
}

} // namespace orvelan
