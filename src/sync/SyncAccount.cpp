#include "sync/SyncAccount.h"

#include "store/AtomicFile.h"
#include "store/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace orvelan {

QString syncAccountPath(const BookFolder& folder) {
    return folder.syncDir() + QStringLiteral("/account.json");
}

QString syncStatePath(const BookFolder& folder) {
    return folder.syncDir() + QStringLiteral("/state.json");
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
    return true;
}

int SyncAccount::save(const BookFolder& folder) const {
    const QJsonObject root{{QStringLiteral("url"), url},
                           {QStringLiteral("user"), user},
                           {QStringLiteral("addressBookName"), addressBook},
                           {QStringLiteral("addressBookUrl"), addressBookUrl},
                           {QStringLiteral("caFile"), caFile},
                           {QStringLiteral("syncOnOpenClose"), syncOnOpenClose}};
    makePrivateFolder(folder.syncDir());
    return replaceFileAtomically(syncAccountPath(folder),
                                 QJsonDocument(root).toJson(QJsonDocument::Indented));
}

} // namespace orvelan
