#include "sync/net/SyncSession.h"

#include "sync/net/QtHttpTransport.h"

namespace orvelan {

bool listAddressBooks(const SyncAccount& account, const QString& password,
                      QList<DavClient::AddressBook>& books, QString& error) {
    return listAddressBooks(account, password, qtHttpTransport, books, error);
}

SyncOutcome runSync(const BookFolder& folder, const Clock& clock, const SyncRequest& request,
                    const SyncProgress& progress) {
    return runSync(folder, clock, request, qtHttpTransport, progress);
}

} // namespace orvelan
