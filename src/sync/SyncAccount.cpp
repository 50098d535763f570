#include "sync/SyncAccount.h"

#include "store/AtomicFile.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace orvelan {

QString syncAccountPath(const BookFolder& folder) {
    return folder.syncDir() + QStringLiteral("/account.json");
}

QString syncStatePath(const BookFolder& folder) {
    return folder.syncDir() + QStringLiteral("/state.json");
}

bool isLoopbackHost(const QString& host) {
    const QString h = host.toLower();
    if (h == u"localhost" || h.endsWith(u".localhost") || h == u"::1" || h == u"[::1]")
        return true;
    const QStringList parts = h.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        if (!number || value < 0 || value > 255)
            return false;
    }
    return parts[0] == u"127";
}

QString plainHttpRefusal(const SyncAccount& account, QString& warning) {
    warning.clear();
    for (const QString& text : {account.url, account.addressBookUrl}) {
        const QUrl url = QUrl::fromUserInput(text);
        if (text.isEmpty() || url.scheme().compare(u"http", Qt::CaseInsensitive) != 0)
            continue;
        if (isLoopbackHost(url.host())) {
            warning = QStringLiteral("The server %1 is reached without encryption (http://); "
                                     "it is this machine, so nothing crosses the network.")
                          .arg(url.host());
            continue;
        }
        if (account.allowPlainHttp)
            continue;
        return QStringLiteral("The server %1 is reached without encryption (http://): the "
                              "password and every contact would cross the network readable. "
                              "Use its https:// address, or allow unencrypted http:// "
                              "(--allow-plain-http; in the sync window, the tick box) if you "
                              "accept that.")
            .arg(url.host());
    }
    return {};
}

bool SyncAccount::load(const BookFolder& folder, SyncAccount& account, QString& error) {
    account = SyncAccount();
    QFile file(syncAccountPath(folder));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read the sync account %1: %2")
                    .arg(file.fileName(), file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("The sync account %1 is damaged; give the server again with --url.")
                    .arg(file.fileName());
        return false;
    }
    account.url = root.value(QStringLiteral("url")).toString();
    account.user = root.value(QStringLiteral("user")).toString();
    account.addressBook = root.value(QStringLiteral("addressBookName")).toString();
    account.addressBookUrl = root.value(QStringLiteral("addressBookUrl")).toString();
    account.caFile = root.value(QStringLiteral("caFile")).toString();
    account.syncOnOpenClose = root.value(QStringLiteral("syncOnOpenClose")).toBool();
    account.allowPlainHttp = root.value(QStringLiteral("allowPlainHttp")).toBool();
    return true;
}

int SyncAccount::save(const BookFolder& folder) const {
    const QJsonObject root{{QStringLiteral("url"), url},
                           {QStringLiteral("user"), user},
                           {QStringLiteral("addressBookName"), addressBook},
                           {QStringLiteral("addressBookUrl"), addressBookUrl},
                           {QStringLiteral("caFile"), caFile},
                           {QStringLiteral("syncOnOpenClose"), syncOnOpenClose},
                           {QStringLiteral("allowPlainHttp"), allowPlainHttp}};
    if (QFileInfo(folder.syncDir()).isSymLink())
        return RuntimeError::PathFileAccessError; // never written through a link
    makePrivateFolder(folder.syncDir());
    return replaceFileAtomically(syncAccountPath(folder),
                                 QJsonDocument(root).toJson(QJsonDocument::Indented));
}

} // namespace orvelan
