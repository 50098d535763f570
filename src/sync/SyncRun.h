#pragma once

#include "platform/Clock.h"
#include "store/BookFolder.h"
#include "sync/DavClient.h"
#include "sync/HttpTransport.h"
#include "sync/SyncAccount.h"
#include "sync/Synchroniser.h"

#include <functional>
#include <memory>

namespace orvelan {

struct SyncRequest {
    SyncAccount account;
    QString password;
    bool dryRun = false;
    int timeoutMs = 30000;
    bool allowDeletions = false; // past the delete limit
};

struct SyncOutcome {
    bool ok = false;
    QString error;
    SyncReport report;
    SyncAccount account; // with the address book the sync found
    QString warning;     // said beside the result (a server reached without encryption)
    bool createdAddressBook = false;
};

// Makes the HTTP transport a sync speaks through, for the request's user, password, extra
// certificate authority and time limit; null with a message when it cannot be had.
using HttpTransportMaker =
    std::function<std::unique_ptr<HttpTransport>(const SyncRequest& request, QString& error)>;

// The address book to sync with among those found: the one named (by display name or path,
// ignoring case), else the only or first one. Null when a name was given and none has it.
const DavClient::AddressBook* chooseAddressBook(const QList<DavClient::AddressBook>& books,
                                                const QString& name);

// The user's address books on the account's server.
bool listAddressBooks(const SyncAccount& account, const QString& password,
                      const HttpTransportMaker& transport, QList<DavClient::AddressBook>& books,
                      QString& error);

// One whole sync of the book in `folder` with the account's server: finds the address book
// (creating one when the user has none, unless it is a dry run), then syncs both ways. The
// caller holds the book's lock.
SyncOutcome runSync(const BookFolder& folder, const Clock& clock, const SyncRequest& request,
                    const HttpTransportMaker& transport, const SyncProgress& progress = {});

} // namespace orvelan
