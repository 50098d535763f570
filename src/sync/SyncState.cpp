#include "sync/SyncState.h"

#include "store/AtomicFile.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"
#include "store/SealedFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvelan {

namespace {

constexpr int FormatVersion = 1;

} // namespace

const CardState* SyncState::find(PageId id) const {
    const auto it = m_cards.constFind(id);
    return it == m_cards.cend() ? nullptr : &*it;
}

const CardState* SyncState::findByHref(const QString& href) const {
    const auto it = m_byHref.constFind(href);
    return it == m_byHref.cend() ? nullptr : find(*it);
}

void SyncState::put(const CardState& card) {
    if (const CardState* old = find(card.id); old && old->href != card.href)
        m_byHref.remove(old->href);
    m_cards.insert(card.id, card);
    m_byHref.insert(card.href, card.id);
}

void SyncState::remove(PageId id) {
    if (const CardState* old = find(id)) {
        m_byHref.remove(old->href);
        m_cards.remove(id);
    }
}

int SyncState::forgetPagesAfter(int tab, qint64 keptPages) {
    QList<PageId> lost;
    for (const CardState& card : std::as_const(m_cards))
        if (card.tab == tab && card.page > keptPages)
            lost.append(card.id);
    for (const PageId& id : std::as_const(lost))
        remove(id);
    if (!lost.isEmpty())
        syncToken.clear(); // the server lists every card again, the forgotten ones among them
    return int(lost.size());
}

void SyncState::clear() {
    m_cards.clear();
    m_byHref.clear();
    syncToken.clear();
}

bool SyncState::load(const QString& path, SyncState& state, QString& error,
                     const BookSealing* sealing) {
    state = SyncState();
    // A sync folder that is a link would take the sync's writes outside the book folder.
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isSymLink()) {
        error = QStringLiteral("The sync folder %1 is a link; the sync writes only inside the "
                               "book folder. Put a folder in its place.")
                    .arg(folder.filePath());
        return false;
    }
    const BookSealing plain(BookSealing::State::Plain);
    const WholeFileRead read = readWholeFile(path, SealLabel, sealing ? *sealing : plain);
    if (read.missing)
        return true;
    if (read.error && read.error != RuntimeError::PageDamaged) {
        error = QStringLiteral("Cannot read the sync state %1: %2")
                    .arg(path, describeRuntimeError(read.error));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(read.contents, &parseError);
    const QJsonObject root = document.object();
    if (read.error || parseError.error != QJsonParseError::NoError ||
        root.value(QStringLiteral("version")).toInt() != FormatVersion) {
        error = QStringLiteral("The sync state %1 is damaged; move it away to start the sync "
                               "afresh (every page and card is then compared again).")
                    .arg(path);
        return false;
    }
    state.addressBookUrl = root.value(QStringLiteral("addressBook")).toString();
    state.syncToken = root.value(QStringLiteral("syncToken")).toString();
    const QJsonArray cards = root.value(QStringLiteral("cards")).toArray();
    for (const QJsonValue& value : cards) {
        const QJsonObject object = value.toObject();
        CardState card;
        card.id = PageId::fromString(object.value(QStringLiteral("id")).toString());
        card.href = object.value(QStringLiteral("href")).toString();
        card.etag = object.value(QStringLiteral("etag")).toString().toUtf8();
        card.hash = object.value(QStringLiteral("hash")).toString().toLatin1();
        card.tab = object.value(QStringLiteral("tab")).toInt(-1);
        card.page = object.value(QStringLiteral("page")).toInteger();
        if (card.id.isNull() || card.href.isEmpty())
            continue;
        state.put(card);
    }
    return true;
}

int SyncState::save(const QString& path, const BookSealing* sealing) const {
    QJsonArray cards;
    for (const CardState& card : m_cards) {
        cards.append(QJsonObject{{QStringLiteral("id"), card.id.toString()},
                                 {QStringLiteral("href"), card.href},
                                 {QStringLiteral("etag"), QString::fromUtf8(card.etag)},
                                 {QStringLiteral("hash"), QString::fromLatin1(card.hash)},
                                 {QStringLiteral("tab"), card.tab},
                                 {QStringLiteral("page"), card.page}});
    }
    const QJsonObject root{{QStringLiteral("version"), FormatVersion},
                           {QStringLiteral("addressBook"), addressBookUrl},
                           {QStringLiteral("syncToken"), syncToken},
                           {QStringLiteral("cards"), cards}};
    makePrivateFolder(QFileInfo(path).absolutePath());
    const BookSealing plain(BookSealing::State::Plain);
    return writeWholeFile(path, SealLabel, sealing ? *sealing : plain,
                          QJsonDocument(root).toJson(QJsonDocument::Compact));
}

} // namespace orvelan
