#include "sync/Synchroniser.h"

#include "store/BookCheck.h"
#include "store/PageRecord.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Trash.h"
#include "sync/CardMerge.h"

#include <QSet>

#include <algorithm>

namespace orvelan {

namespace {

constexpr int FetchBatch = 100;
// The state is saved after this many steps, or after a quarter of the cards it holds when that
// is more: a sync cut short keeps most of its work, and a big book is not written out again
// for every hundred cards.
constexpr qsizetype SaveEvery = 100;
constexpr int RetriesAfterPrecondition = 3;
constexpr int MaxListingParts = 1000;

const QString ConflictMark = QStringLiteral(" (conflict)");

// The texts as they read back once stored: trimmed and cut to the field widths.
PageTexts normalised(const PageTexts& texts) {
    PageRecord record;
    fillRecord(record, texts);
    return textsOf(PageRecord::fromStored(record.toStored()));
}

// A page needs a name: a card without one is filed under its organisation or e-mail address.
PageTexts withName(PageTexts texts) {
    if (trimSpaces(QStringView(texts[0])).isEmpty())
        texts[0] = nameForUnnamed(texts);
    return normalised(texts);
}

QString uidFor(PageId id) {
    return QStringLiteral("orvelan-") + id.toString();
}

} // namespace

QString conflictCopyName(const QString& name) {
    QString base = trimSpaces(QStringView(name)).toString();
    const int width = specOf(Field::Name).width;
    // Measured as UTF-8, the widest form the page can take; never cut inside a character.
    while (!base.isEmpty() && storedLengthOf(0, base + ConflictMark, TextEncoding::Utf8) > width)
        base.chop(base.size() > 1 && base.back().isLowSurrogate() ? 2 : 1);
    return trimSpaces(QStringView(base)).toString() + ConflictMark;
}

QString syncSummary(const SyncReport& report) {
    QString text = QStringLiteral("Sent %1, received %2, deleted here %3, deleted on the server "
                                  "%4, conflicts %5.")
                       .arg(report.sent)
                       .arg(report.received)
                       .arg(report.deletedHere)
                       .arg(report.deletedThere)
                       .arg(report.conflicts);
    for (const QString& name : report.conflictNames)
        text += QStringLiteral("\nChanged on both sides: %1 (the server's version is filed as "
                               "\"%2\")")
                    .arg(name, conflictCopyName(name));
    if (!report.cut.isEmpty())
        text += QStringLiteral("\nValues cut to fit their fields here, kept whole on the server: "
                               "%1 page(s): %2")
                    .arg(report.cut.size())
                    .arg(report.cut.join(QStringLiteral("; ")));
    return text;
}

bool overDeleteLimit(int deletions, int total) {
    return deletions > DeleteLimit && deletions * 4 > total;
}

QString heldDeletionsText(const SyncReport& report) {
    QStringList parts;
    if (report.heldDeletionsThere)
        parts << QStringLiteral("%1 of the %2 cards on the server")
                     .arg(report.heldDeletionsThere)
                     .arg(report.cardsThere);
    if (report.heldDeletionsHere)
        parts << QStringLiteral("%1 of the %2 pages here")
                     .arg(report.heldDeletionsHere)
                     .arg(report.pagesHere);
    return QStringLiteral("The sync would delete %1, more than %2 and more than a quarter.")
        .arg(parts.join(QStringLiteral(" and ")))
        .arg(DeleteLimit);
}

QString syncStatus(const SyncReport& report) {
    if (report.conflicts)
        return QStringLiteral("Synced: %1 conflict copies").arg(report.conflicts);
    return QStringLiteral("Synced: %1 in, %2 out")
        .arg(report.received + report.deletedHere)
        .arg(report.sent + report.deletedThere);
}

class Synchroniser::Run {
public:
    Run(Synchroniser& owner, const QUrl& book, bool dryRun, SyncReport& report)
        : m_owner(owner), m_book(book), m_bookPath(book.path(QUrl::FullyDecoded)), m_dryRun(dryRun),
          m_report(report) {}

    bool run(QString& error, const SyncProgress& progress);

private:
    bool listRemote(RemoteCards& remote, QString& token);
    void linkEqualContacts(QList<SyncStep>& steps);
    bool link(const SyncStep& step);
    bool fetch(const QStringList& hrefs);
    bool step(const SyncStep& step);
    bool send(const LocalPage& page, PageId id);
    bool update(const LocalPage& page, const SyncStep& step);
    bool resolve(const LocalPage& page, PageId id, const QString& href, int retries);
    bool refresh(const LocalPage& page, PageId id, const QString& href);
    bool receive(const QString& href, PageId id);
    bool restore(const SyncStep& step);
    bool leaveForNextSync(const QString& href);
    bool deleteThere(const SyncStep& step);
    bool deleteHere(const LocalPage& page, PageId id);
    bool putLocal(const LocalPage& page, const PageTexts& texts, PageId id, const QString& href,
                  const QByteArray& base, const QByteArray& ifMatch, const QString& uid,
                  int retries);
    bool settle(const QString& token);
    bool bookCanBeVouchedFor();
    bool saveTrash();
    bool keepCardInTrash(const SyncStep& step);
    bool withinDeleteLimit(const QList<SyncStep>& steps, int cards);

    bool readPage(const LocalPage& page, PageTexts& texts);
    // The page a card gives, as it is filed here; cut values are counted and named.
    PageTexts filedPage(const QByteArray& card);
    PageId freshId(PageId preferred = {});
    void record(PageId id, const QString& href, const QByteArray& etag, const QByteArray& hash,
                int tab, qint64 page);
    void note(const QString& line) { m_report.changes.append(line); }
    bool davFailed(const DavError& error) {
        m_error = error.message;
        return false;
    }
    bool saveState();

    Synchroniser& m_owner;
    QUrl m_book;
    QString m_bookPath;
    bool m_dryRun;
    SyncReport& m_report;
    SyncState m_state;
    Trash m_trash{m_owner.m_book.folder()};
    QList<LocalPage> m_local;
    QSet<PageId> m_usedIds;
    QHash<QString, DavClient::Card> m_cards; // fetched cards by href
    bool m_wroteServer = false;
    bool m_stateChanged = false;
    bool m_leftForNextSync = false; // a card to read again: the sync token stays as it was
    QString m_error;
};

bool Synchroniser::run(const QUrl& addressBook, bool dryRun, SyncReport& report, QString& error,
                       const SyncProgress& progress) {
    Run run(*this, addressBook, dryRun, report);
    const int before = m_client.requestCount();
    const bool ok = run.run(error, progress);
    report.requests = m_client.requestCount() - before;
    return ok;
}

bool Synchroniser::Run::run(QString& error, const SyncProgress& progress) {
    if (!SyncState::load(m_owner.m_statePath, m_state, error, &m_owner.m_book.folder().sealing()))
        return false;
    if (m_state.addressBookUrl != m_book.toString()) {
        // Another address book: every page and card is compared afresh.
        m_state.clear();
        m_state.addressBookUrl = m_book.toString();
    }
    if (!bookCanBeVouchedFor() || (!m_dryRun && !m_trash.load(m_error))) {
        error = m_error;
        return false;
    }
    RemoteCards remote;
    QString token;
    if (!listRemote(remote, token) || !m_owner.m_book.snapshot(m_local, m_error)) {
        error = m_error;
        return false;
    }
    for (const LocalPage& page : std::as_const(m_local))
        m_usedIds.insert(page.id);
    for (const CardState& card : m_state.cards())
        m_usedIds.insert(card.id);

    QList<SyncStep> steps = planSync(m_local, remote, m_state, m_bookPath);
    if (!withinDeleteLimit(steps, int(remote.size()))) {
        error = m_error;
        return false;
    }
    QStringList wanted;
    for (const SyncStep& s : steps) {
        switch (s.action) {
        case SyncAction::Update:
        case SyncAction::Receive:
        case SyncAction::Refresh:
        case SyncAction::Conflict:
        case SyncAction::Restore:
        case SyncAction::Match:
        case SyncAction::DeleteThere: // kept in the trash as the server last had it
            wanted.append(s.href);
            break;
        default:
            break;
        }
    }
    bool ok = fetch(wanted);
    if (ok)
        linkEqualContacts(steps);
    int done = 0;
    int savedAt = 0;
    for (const SyncStep& s : steps) {
        if (!ok)
            break;
        ok = step(s);
        ++done; // counted with or without a progress bar: the state is saved part-way
        if (progress)
            progress(done, int(steps.size()));
        const qsizetype saveAfter = std::max(SaveEvery, m_state.cards().size() / 4);
        if (ok && !m_dryRun && m_stateChanged && done - savedAt >= saveAfter) {
            ok = saveState();
            savedAt = done;
        }
    }
    if (ok && !m_dryRun && !m_leftForNextSync) {
        if (token != m_state.syncToken) {
            m_state.syncToken = token;
            m_stateChanged = true;
        }
        if (m_wroteServer)
            ok = settle(token);
    }
    if (!m_dryRun && m_stateChanged && !saveState() && ok)
        ok = false;
    if (!ok)
        error = m_error;
    return ok;
}

// Every tab file is read whole before anything is planned: a page that cannot be read is
// never taken as deleted, so damage here stops the sync before it changes either side. A tab
// file that is empty while the last sync saw pages in it was cut, not emptied by the user:
// deleting a page blanks it and blank-page removal keeps one page in every tab.
bool Synchroniser::Run::bookCanBeVouchedFor() {
    BookCheckResult found = checkBook(m_owner.m_book.folder());
    QSet<int> emptied;
    for (const CardState& card : m_state.cards()) {
        if (card.tab < 0 || card.tab >= TabCount || emptied.contains(card.tab))
            continue;
        const TabFile file = m_owner.m_book.folder().tabFile(card.tab);
        if (file.pageCount().value_or(-1) == 0) {
            emptied.insert(card.tab);
            BookProblem problem;
            problem.kind = BookProblem::Kind::Unreadable;
            problem.tab = card.tab;
            problem.path = file.path();
            problem.detail = QStringLiteral("it is empty, but the last sync saw pages in it");
            found.problems.append(problem);
        }
    }
    if (!found.stopsSync())
        return true;
    m_error = syncStopMessage(found);
    return false;
}

// A sync that would delete many contacts at once is more likely an accident (a damaged or
// emptied book, the wrong address book on the server) than the user's wish: it stops before
// changing anything and says how many, unless the user allowed it. A dry run only tells.
bool Synchroniser::Run::withinDeleteLimit(const QList<SyncStep>& steps, int cards) {
    int here = 0;
    int there = 0;
    for (const SyncStep& s : steps) {
        here += s.action == SyncAction::DeleteHere ? 1 : 0;
        there += s.action == SyncAction::DeleteThere ? 1 : 0;
    }
    const int pages = int(m_local.size());
    m_report.pagesHere = pages;
    m_report.cardsThere = cards;
    m_report.heldDeletionsHere = overDeleteLimit(here, pages) ? here : 0;
    m_report.heldDeletionsThere = overDeleteLimit(there, cards) ? there : 0;
    if (!m_report.deletionsHeld() || m_owner.m_allowDeletions) {
        if (m_owner.m_allowDeletions) {
            m_report.heldDeletionsHere = 0;
            m_report.heldDeletionsThere = 0;
        }
        return true;
    }
    if (m_dryRun)
        return true;
    m_error = heldDeletionsText(m_report) +
              QStringLiteral(" It stopped before changing anything on either side. If the "
                             "deletions are what you want, allow them and sync again.");
    return false;
}

bool Synchroniser::Run::saveTrash() {
    if (const int failed = m_trash.save()) {
        m_error = QStringLiteral("Cannot write the trash %1 (error %2); nothing more was deleted.")
                      .arg(m_trash.path())
                      .arg(failed);
        return false;
    }
    return true;
}

// A card deleted on the server is kept in the trash first, as the server last had it: with the
// page the user deleted here when the trash has it, else on its own.
bool Synchroniser::Run::keepCardInTrash(const SyncStep& s) {
    const DavClient::Card card = m_cards.value(s.href);
    if (card.data.isEmpty())
        return true; // gone from the server already: the delete finds nothing to delete
    if (TrashEntry* deleted = m_trash.findWithoutCard(s.id)) {
        deleted->card = card.data;
        deleted->href = s.href;
        return saveTrash();
    }
    TrashEntry entry;
    entry.name = withName(m_owner.m_mapping.pageOf(card.data))[0];
    entry.deletedAt = m_owner.m_book.clock().now().toUTC();
    entry.why = TrashReason::DeletedBySync;
    entry.from = QStringLiteral("the server");
    entry.id = s.id;
    entry.card = card.data;
    entry.href = s.href;
    m_trash.add(entry);
    return saveTrash();
}

bool Synchroniser::Run::saveState() {
    // The pages first: the state must never record a page the book could still lose.
    if (!m_owner.m_book.flush(m_error))
        return false;
    if (const int failed = m_state.save(m_owner.m_statePath, &m_owner.m_book.folder().sealing())) {
        m_error = QStringLiteral("Cannot write the sync state %1 (error %2).")
                      .arg(m_owner.m_statePath)
                      .arg(failed);
        return false;
    }
    m_stateChanged = false;
    return true;
}

bool Synchroniser::Run::listRemote(RemoteCards& remote, QString& token) {
    DavClient& client = m_owner.m_client;
    DavClient::Listing listing;
    DavError error;
    bool unsupported = false;
    QString since = m_state.syncToken;
    bool ok = client.syncChanges(m_book, since, listing, unsupported, error);
    if (!ok && unsupported && !since.isEmpty()) {
        since.clear(); // the server no longer knows the token: start from all cards
        ok = client.syncChanges(m_book, since, listing, unsupported, error);
    }
    if (!ok && unsupported)
        ok = client.listCards(m_book, listing, error);
    if (!ok)
        return davFailed(error);
    // What the listing says, part by part: a later part overrides an earlier one.
    QHash<QString, QByteArray> etags;
    QStringList removed;
    const auto absorb = [&etags, &removed](const DavClient::Listing& part) {
        for (auto it = part.etags.cbegin(); it != part.etags.cend(); ++it) {
            etags.insert(it.key(), it.value());
            removed.removeAll(it.key());
        }
        for (const QString& href : part.removed) {
            etags.remove(href);
            removed.append(href);
        }
    };
    absorb(listing);
    // A server that sends its changes in parts goes on from the token of each part. A card left
    // out of a part is not known to be gone, so a listing that came in parts never counts as
    // complete: cards it did not name keep what the state knows of them.
    const bool complete = listing.complete && !listing.truncated;
    for (int part = 1; listing.truncated; ++part) {
        if (part >= MaxListingParts) {
            m_error = QStringLiteral("The server %1 keeps sending only part of the address "
                                     "book's changes; try again later.")
                          .arg(m_book.host());
            return false;
        }
        const QString partToken = listing.syncToken; // the call starts a fresh listing
        if (!client.syncChanges(m_book, partToken, listing, unsupported, error)) {
            if (error.message.isEmpty())
                error.message = QStringLiteral("The server %1 stopped sending the address "
                                               "book's changes half-way; try again later.")
                                    .arg(m_book.host());
            return davFailed(error);
        }
        absorb(listing);
    }
    token = listing.syncToken;
    if (complete) {
        remote = etags;
        return true;
    }
    for (const CardState& card : m_state.cards())
        remote.insert(card.href, card.etag);
    for (auto it = etags.cbegin(); it != etags.cend(); ++it)
        remote.insert(it.key(), it.value());
    for (const QString& href : std::as_const(removed))
        remote.remove(href);
    return true;
}

bool Synchroniser::Run::fetch(const QStringList& hrefs) {
    for (qsizetype first = 0; first < hrefs.size(); first += FetchBatch) {
        QList<DavClient::Card> cards;
        DavError error;
        if (!m_owner.m_client.fetchCards(m_book, hrefs.mid(first, FetchBatch), cards, error))
            return davFailed(error);
        for (const DavClient::Card& card : std::as_const(cards))
            m_cards.insert(card.href, card);
    }
    return true;
}

// A page never synchronised and a card this book never saw that hold the same contact (the
// book and the phone both had it before their first sync) become one, instead of each side
// getting a second copy.
void Synchroniser::Run::linkEqualContacts(QList<SyncStep>& steps) {
    QMultiHash<QByteArray, qsizetype> newPages; // page hash -> Send step
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const SyncStep& s = steps[i];
        if (s.action == SyncAction::Send && !m_state.find(s.id))
            newPages.insert(m_local[s.local].hash, i);
    }
    if (newPages.isEmpty())
        return;
    for (SyncStep& received : steps) {
        if (received.action != SyncAction::Receive)
            continue;
        const DavClient::Card card = m_cards.value(received.href);
        if (card.data.isEmpty())
            continue;
        const QByteArray hash = pageHash(withName(m_owner.m_mapping.pageOf(card.data)));
        const auto it = newPages.constFind(hash);
        if (it == newPages.cend())
            continue;
        SyncStep& sent = steps[*it];
        newPages.erase(it);
        received.action = SyncAction::Link;
        received.local = sent.local;
        received.id = sent.id;
        sent.action = SyncAction::Forget; // nothing more to do for the page
        sent.id = {};
    }
}

bool Synchroniser::Run::link(const SyncStep& s) {
    const LocalPage& page = m_local[s.local];
    if (m_dryRun)
        return true;
    PageId id = s.id;
    if (id.isNull()) {
        id = freshId(PageId::derivedFrom(s.href.toUtf8()));
        if (!m_owner.m_book.setId(page.tab, page.page, id, m_error))
            return false;
    }
    record(id, s.href, m_cards.value(s.href).etag, page.hash, page.tab, page.page);
    return true;
}

PageTexts Synchroniser::Run::filedPage(const QByteArray& card) {
    QStringList cut;
    const PageTexts texts = withName(m_owner.m_mapping.pageOf(card, &cut));
    if (!cut.isEmpty())
        m_report.cut.append(
            QStringLiteral("%1 (%2)").arg(texts[0], cut.join(QStringLiteral(", "))));
    return texts;
}

bool Synchroniser::Run::readPage(const LocalPage& page, PageTexts& texts) {
    PageId id;
    return m_owner.m_book.readPage(page.tab, page.page, texts, id, m_error);
}

PageId Synchroniser::Run::freshId(PageId preferred) {
    PageId id = preferred;
    while (id.isNull() || m_usedIds.contains(id))
        id = PageId::random();
    m_usedIds.insert(id);
    return id;
}

void Synchroniser::Run::record(PageId id, const QString& href, const QByteArray& etag,
                               const QByteArray& hash, int tab, qint64 page) {
    m_state.put({id, href, etag, hash, tab, page});
    m_stateChanged = true;
}

bool Synchroniser::Run::step(const SyncStep& s) {
    const LocalPage none;
    const LocalPage& page = s.local >= 0 ? m_local[s.local] : none;
    switch (s.action) {
    case SyncAction::Send:
    case SyncAction::Recreate:
        return send(page, s.id);
    case SyncAction::Update:
        return update(page, s);
    case SyncAction::Receive:
        return receive(s.href, {});
    case SyncAction::Refresh:
        return refresh(page, s.id, s.href);
    case SyncAction::Conflict:
    case SyncAction::Match:
        return resolve(page, s.id, s.href, RetriesAfterPrecondition);
    case SyncAction::Link:
        return link(s);
    case SyncAction::DeleteHere:
        return deleteHere(page, s.id);
    case SyncAction::DeleteThere:
        return deleteThere(s);
    case SyncAction::Restore:
        return restore(s);
    case SyncAction::Forget:
        if (!m_dryRun && !s.id.isNull()) {
            m_state.remove(s.id);
            m_stateChanged = true;
        }
        return true;
    }
    return true;
}

bool Synchroniser::Run::send(const LocalPage& page, PageId id) {
    PageTexts texts;
    if (!readPage(page, texts))
        return false;
    note(QStringLiteral("server: add %1").arg(texts[0]));
    if (m_dryRun) {
        ++m_report.sent; // a real write counts once the server took it
        return true;
    }
    if (id.isNull()) {
        id = freshId();
        if (!m_owner.m_book.setId(page.tab, page.page, id, m_error))
            return false;
    }
    const QString href = cardHrefFor(m_bookPath, id);
    // A page restored from the trash takes the card it had back to the server, photo and all.
    const QByteArray kept = m_trash.cardToSendBack(id);
    if (!putLocal(page, texts, id, href, kept, {}, uidFor(id), RetriesAfterPrecondition))
        return false;
    return kept.isEmpty() || !m_trash.forgetCardToSendBack(id) || saveTrash();
}

// Writes the page, whose stored texts are `texts`, over the card at `href` (a new card when
// `ifMatch` is empty) and records both. A card that changed meanwhile (412) is read again and
// the rules are applied again.
bool Synchroniser::Run::putLocal(const LocalPage& page, const PageTexts& texts, PageId id,
                                 const QString& href, const QByteArray& base,
                                 const QByteArray& ifMatch, const QString& uid, int retries) {
    DavClient::Write outcome;
    QByteArray etag;
    DavError error;
    if (!m_owner.m_client.putCard(m_book, href, m_owner.m_mapping.cardOf(texts, base, uid), ifMatch,
                                  outcome, etag, error))
        return davFailed(error);
    m_wroteServer = true;
    if (outcome == DavClient::Write::PreconditionFailed) {
        if (retries <= 0) {
            m_error =
                QStringLiteral("The card %1 keeps changing on the server; try again.").arg(href);
            return false;
        }
        if (!fetch({href}))
            return false;
        return resolve(page, id, href, retries - 1);
    }
    ++m_report.sent;
    record(id, href, etag, pageHash(texts), page.tab, page.page);
    return true;
}

bool Synchroniser::Run::update(const LocalPage& page, const SyncStep& s) {
    const DavClient::Card card = m_cards.value(s.href);
    if (card.data.isEmpty())
        return leaveForNextSync(s.href);
    if (card.etag != s.etag)
        return resolve(page, s.id, s.href, RetriesAfterPrecondition);
    PageTexts texts;
    if (!readPage(page, texts))
        return false;
    note(QStringLiteral("server: update %1").arg(texts[0]));
    if (m_dryRun) {
        ++m_report.sent; // a real write counts once the server took it
        return true;
    }
    return putLocal(page, texts, s.id, s.href, card.data, card.etag, {}, RetriesAfterPrecondition);
}

// The page and the card both changed (or met without a record of an earlier sync). Equal
// texts need nothing but a record; otherwise the page stays and goes to the server, and the
// server's version is filed here, and on the server, as a conflict copy.
bool Synchroniser::Run::resolve(const LocalPage& page, PageId id, const QString& href,
                                int retries) {
    const DavClient::Card card = m_cards.value(href);
    if (card.data.isEmpty())
        return leaveForNextSync(href);
    PageTexts local;
    if (!readPage(page, local))
        return false;
    const PageTexts theirs = withName(m_owner.m_mapping.pageOf(card.data));
    const QByteArray theirHash = pageHash(theirs);
    if (theirHash == page.hash) {
        if (!m_dryRun)
            record(id, href, card.etag, page.hash, page.tab, page.page);
        return true;
    }
    if (const CardState* known = m_state.find(id); known && known->hash == theirHash) {
        // The card changed nothing the page shows (a photo was added, or only an ETag the
        // server never told is new): the page's change goes out over it, keeping the rest.
        note(QStringLiteral("server: update %1").arg(local[0]));
        if (m_dryRun) {
            ++m_report.sent; // a real write counts once the server took it
            return true;
        }
        return putLocal(page, local, id, href, card.data, card.etag, {}, retries);
    }
    ++m_report.conflicts;
    m_report.conflictNames.append(local[0]);
    filedPage(card.data); // the conflict copy
    note(QStringLiteral("here: conflict copy of %1").arg(local[0]));
    if (m_dryRun) {
        // Both versions go to the server: the page over its card, the copy as a card of its own.
        m_report.sent += 2;
        return true;
    }
    // The copy's identity follows from the card's version, so a sync that stops after filing
    // the copy does not file it twice.
    const PageId copyId = PageId::derivedFrom((href + u'\n').toUtf8() + card.etag);
    if (!m_usedIds.contains(copyId)) {
        PageTexts copy = theirs;
        copy[0] = conflictCopyName(theirs[0]);
        LocalBook::Placed placed;
        if (!m_owner.m_book.addPage(copy, copyId, placed, m_error))
            return false;
        m_usedIds.insert(copyId);
        const LocalPage copyPage{copyId, placed.tab, placed.page, placed.hash};
        PageTexts stored; // as filed: cut to the field widths
        if (!readPage(copyPage, stored) ||
            !putLocal(copyPage, stored, copyId, cardHrefFor(m_bookPath, copyId), card.data, {},
                      uidFor(copyId), 0))
            return false;
    }
    return putLocal(page, local, id, href, card.data, card.etag, {}, retries);
}

bool Synchroniser::Run::refresh(const LocalPage& page, PageId id, const QString& href) {
    const DavClient::Card card = m_cards.value(href);
    if (card.data.isEmpty())
        return leaveForNextSync(href);
    PageTexts texts = withName(m_owner.m_mapping.pageOf(card.data));
    if (pageHash(texts) == page.hash) {
        // A change to properties the page does not show (a photo): nothing to write here.
        if (!m_dryRun)
            record(id, href, card.etag, page.hash, page.tab, page.page);
        return true;
    }
    texts = filedPage(card.data);
    note(QStringLiteral("here: update %1").arg(texts[0]));
    ++m_report.received;
    if (m_dryRun)
        return true;
    LocalBook::Placed placed;
    if (!m_owner.m_book.writePage(page.tab, page.page, texts, id, placed, m_error))
        return false;
    record(id, href, card.etag, placed.hash, placed.tab, placed.page);
    return true;
}

// Deleted here, and the card's ETag differs from the one last synced. A card that still reads as
// the page did then is the one this book wrote (a server that gave no ETag for the write, or
// lists another than it gave): nothing changed on the server, and the deletion goes out. Any
// other change on the server wins, and the card comes back as a page.
bool Synchroniser::Run::restore(const SyncStep& s) {
    const DavClient::Card card = m_cards.value(s.href);
    const CardState* known = m_state.find(s.id);
    if (known && !card.data.isEmpty() &&
        pageHash(withName(m_owner.m_mapping.pageOf(card.data))) == known->hash) {
        if (!m_dryRun) {
            CardState written = *known;
            written.etag = card.etag;
            m_state.put(written);
        }
        return deleteThere(s);
    }
    return receive(s.href, s.id);
}

// A card listed as changed that the server then did not send (deleted meanwhile, or an answer
// that left it out) proves nothing: page and card stay as they are, and the sync token is kept,
// so the next sync lists the card again and applies the rules to what it finds then.
bool Synchroniser::Run::leaveForNextSync(const QString& href) {
    note(QStringLiteral("server: %1 could not be read; left for the next sync").arg(href));
    m_leftForNextSync = true;
    return true;
}

bool Synchroniser::Run::receive(const QString& href, PageId id) {
    const DavClient::Card card = m_cards.value(href);
    if (card.data.isEmpty())
        return leaveForNextSync(href);
    const PageTexts texts = filedPage(card.data);
    note(QStringLiteral("here: add %1").arg(texts[0]));
    ++m_report.received;
    if (m_dryRun)
        return true;
    if (id.isNull())
        id = freshId(PageId::derivedFrom(href.toUtf8()));
    LocalBook::Placed placed;
    if (!m_owner.m_book.addPage(texts, id, placed, m_error))
        return false;
    record(id, href, card.etag, placed.hash, placed.tab, placed.page);
    return true;
}

bool Synchroniser::Run::deleteHere(const LocalPage& page, PageId id) {
    PageTexts texts;
    if (!readPage(page, texts))
        return false;
    note(QStringLiteral("here: delete %1").arg(texts[0]));
    ++m_report.deletedHere;
    if (m_dryRun)
        return true;
    // The page goes to the trash before it is blanked.
    TrashEntry entry;
    if (!m_owner.m_book.readStored(page.tab, page.page, entry.record, m_error))
        return false;
    entry.name = texts[0];
    entry.deletedAt = m_owner.m_book.clock().now().toUTC();
    entry.why = TrashReason::DeletedOnServer;
    entry.from = trashPlace(page.tab, page.page);
    entry.id = id;
    m_trash.add(entry);
    if (!saveTrash() || !m_owner.m_book.blankPage(page.tab, page.page, m_error))
        return false;
    m_state.remove(id);
    m_stateChanged = true;
    return true;
}

bool Synchroniser::Run::deleteThere(const SyncStep& s) {
    const CardState* known = m_state.find(s.id);
    note(QStringLiteral("server: delete %1").arg(s.href));
    if (m_dryRun) {
        ++m_report.deletedThere;
        return true;
    }
    if (!keepCardInTrash(s))
        return false;
    DavClient::Write outcome;
    DavError error;
    if (!m_owner.m_client.deleteCard(m_book, s.href, known ? known->etag : s.etag, outcome, error))
        return davFailed(error);
    m_wroteServer = true;
    if (outcome == DavClient::Write::PreconditionFailed) {
        // Changed on the server after all: the change wins and comes back here.
        m_report.changes.removeLast();
        if (!fetch({s.href}))
            return false;
        return receive(s.href, s.id);
    }
    ++m_report.deletedThere;
    m_state.remove(s.id);
    m_stateChanged = true;
    return true;
}

// After writing to the server, the token taken at the start lists our own writes as changes.
// Asks once more, so that the next sync starts from a token that knows them; any change by
// someone else in between keeps the older token, so it is seen next time.
bool Synchroniser::Run::settle(const QString& token) {
    if (token.isEmpty())
        return true;
    DavClient::Listing listing;
    DavError error;
    bool unsupported = false;
    if (!m_owner.m_client.syncChanges(m_book, token, listing, unsupported, error))
        return unsupported ? true : davFailed(error);
    for (auto it = listing.etags.cbegin(); it != listing.etags.cend(); ++it) {
        const CardState* known = m_state.findByHref(it.key());
        if (!known)
            return true;
        if (known->etag.isEmpty()) {
            CardState updated = *known;
            updated.etag = it.value();
            m_state.put(updated);
        } else if (known->etag != it.value()) {
            return true;
        }
    }
    for (const QString& href : std::as_const(listing.removed)) {
        if (m_state.findByHref(href))
            return true;
    }
    m_state.syncToken = listing.syncToken;
    m_stateChanged = true;
    return true;
}

} // namespace orvelan
