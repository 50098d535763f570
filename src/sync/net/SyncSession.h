#pragma once

#include "sync/SyncRun.h"

namespace orvelan {

// Listing address books and syncing over Qt Network.
bool listAddressBooks(const SyncAccount& account, const QString& password,
                      QList<DavClient::AddressBook>& books, QString& error);
SyncOutcome runSync(const BookFolder& folder, const Clock& clock, const SyncRequest& request,
                    const SyncProgress& progress = {});

} // namespace orvelan
