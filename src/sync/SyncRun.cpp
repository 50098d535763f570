#include "sync/SyncRun.h"

#include "store/BookCheck.h"
#include "sync/LocalBook.h"
#include "sync/VCardSyncMapping.h"

namespace orvelan {

namespace {

QUrl userUrl(const QString& text) {
    return QUrl::fromUserInput(text);
}

} // namespace

const DavClient::AddressBook* chooseAddressBook(const QList<DavClient::AddressBook>& books,
                                                const QString& name) {
    if (books.isEmpty())
        return nullptr;
    if (name.isEmpty())
        return &books.first();
    for (const DavClient::AddressBook& book : books) {
        if (book.name.compare(name, Qt::CaseInsensitive) == 0 ||
            lastPathPart(book.url).compare(name, Qt::CaseInsensitive) == 0)
            return &book;
    }
    return nullptr;
}

bool listAddressBooks(const SyncAccount& account, const QString& password,
                      const HttpTransportMaker& makeTransport, QList<DavClient::AddressBook>& books,
                      QString& error) {
    QString warning;
    error = plainHttpRefusal(account, warning);
    if (!error.isEmpty())
        return false;
    SyncRequest request{account, password};
    const std::unique_ptr<HttpTransport> transport = makeTransport(request, error);
    if (!transport)
        return false;
    DavClient client(*transport);
    QUrl home;
    DavError davError;
    if (!client.discover(userUrl(account.url), books, home, davError)) {
        error = davError.message;
        return false;
    }
    return true;
}

SyncOutcome runSync(const BookFolder& folder, const Clock& clock, const SyncRequest& request,
                    const HttpTransportMaker& makeTransport, const SyncProgress& progress) {
    SyncOutcome outcome;
    outcome.account = request.account;
    outcome.error = plainHttpRefusal(request.account, outcome.warning);
    if (!outcome.error.isEmpty())
        return outcome;
    const std::unique_ptr<HttpTransport> transport = makeTransport(request, outcome.error);
    if (!transport)
        return outcome;
    DavClient client(*transport);
    SyncAccount& account = outcome.account;
    if (account.addressBookUrl.isEmpty()) {
        // Nothing goes to the server, not even a new address book, from a damaged book.
        if (const BookCheckResult found = checkBook(folder); found.stopsSync()) {
            outcome.error = syncStopMessage(found);
            return outcome;
        }
        QList<DavClient::AddressBook> books;
        QUrl home;
        DavError error;
        if (!client.discover(userUrl(account.url), books, home, error)) {
            outcome.error = error.message;
            return outcome;
        }
        const DavClient::AddressBook* chosen = chooseAddressBook(books, account.addressBook);
        if (chosen) {
            account.addressBookUrl = chosen->url.toString();
        } else if (!books.isEmpty()) {
            QStringList names;
            for (const DavClient::AddressBook& found : std::as_const(books))
                names.append(found.name);
            outcome.error = QStringLiteral("The server has no address book called \"%1\"; it "
                                           "has: %2.")
                                .arg(account.addressBook, names.join(QStringLiteral(", ")));
            return outcome;
        } else if (request.dryRun) {
            // Nothing to compare with yet: a sync would create the address book and send every
            // page.
            outcome.report.changes.append(QStringLiteral("server: create the address book \"%1\"")
                                              .arg(account.addressBook.isEmpty()
                                                       ? QStringLiteral("contacts")
                                                       : account.addressBook));
            LocalBook book(folder, clock);
            QList<LocalPage> pages;
            if (!book.snapshot(pages, outcome.error))
                return outcome;
            for (const LocalPage& page : std::as_const(pages)) {
                PageTexts texts;
                PageId id;
                if (!book.readPage(page.tab, page.page, texts, id, outcome.error))
                    return outcome;
                outcome.report.changes.append(QStringLiteral("server: add %1").arg(texts[0]));
            }
            outcome.report.sent = int(pages.size());
            outcome.report.requests = client.requestCount();
            outcome.ok = true;
            return outcome;
        } else {
            QUrl created;
            if (!client.createAddressBook(home, account.addressBook, created, error)) {
                outcome.error = error.message;
                return outcome;
            }
            account.addressBookUrl = created.toString();
            outcome.createdAddressBook = true;
        }
    }
    // The account is kept as soon as its address book is known, so a sync cut short (a kill,
    // the machine going down) leaves an account the next sync starts from.
    if (!request.dryRun)
        account.save(folder);
    LocalBook book(folder, clock);
    const VCardSyncMapping mapping;
    Synchroniser synchroniser(client, book, mapping, syncStatePath(folder));
    synchroniser.allowDeletions(request.allowDeletions);
    outcome.ok = synchroniser.run(QUrl(account.addressBookUrl), request.dryRun, outcome.report,
                                  outcome.error, progress);
    return outcome;
}

} // namespace orvelan
