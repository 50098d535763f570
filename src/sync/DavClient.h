#pragma once

#include "sync/HttpTransport.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace orvelan {

// The last part of a URL's path ("contacts" of ".../contacts/").
QString lastPathPart(const QUrl& url);

// Why a request to the server failed, in words for the user; `status` is the HTTP status (0 when
// no answer came).
struct DavError {
    QString message;
    int status = 0;
};

// The CardDAV conversation with one server: finding the user's address books, listing the
// cards with their ETags (in full, or what changed since a sync token), fetching cards in
// batches, writing and deleting cards under preconditions. Card paths ("hrefs") are
// percent-decoded server paths.
class DavClient {
public:
    explicit DavClient(HttpTransport& transport) : m_transport(transport) {}

    struct AddressBook {
        QUrl url;
        QString name; // display name, else the last part of its path
    };
    // Follows the URL to the user's address books: the URL may be the address book itself, a
    // collection of them, the user's principal or just the server (/.well-known/carddav).
    bool discover(const QUrl& start, QList<AddressBook>& books, QUrl& home, DavError& error);
    // Creates an address book called `name` under `home`.
    bool createAddressBook(const QUrl& home, const QString& name, QUrl& created, DavError& error);

    struct Listing {
        QHash<QString, QByteArray> etags; // href -> ETag of every card listed
        QStringList removed;              // hrefs gone since the token (sync reports only)
        QString syncToken;
        bool complete = true; // a full listing of the book, not a list of changes
        // Only a part of the changes: the server says so (507 on the address book itself) and
        // its token goes on from where the part ends.
        bool truncated = false;
    };
    // Every card of the book with its ETag.
    bool listCards(const QUrl& book, Listing& listing, DavError& error);
    // What changed since `token` (all cards for an empty token). `unsupported` is set when the
    // server does not offer sync reports or no longer knows the token; then list in full.
    bool syncChanges(const QUrl& book, const QString& token, Listing& listing, bool& unsupported,
                     DavError& error);

    struct Card {
        QString href;
        QByteArray etag;
        QByteArray data; // empty when the card is gone
    };
    // Fetches cards in one batch (addressbook-multiget).
    bool fetchCards(const QUrl& book, const QStringList& hrefs, QList<Card>& cards,
                    DavError& error);

    enum class Write { Done, PreconditionFailed };
    // Writes a card: a new one (`ifMatch` empty: If-None-Match: *) or over the version with
    // that ETag. `etag` receives the new ETag when the server gives one.
    bool putCard(const QUrl& book, const QString& href, const QByteArray& card,
                 const QByteArray& ifMatch, Write& outcome, QByteArray& etag, DavError& error);
    // Deletes the card if it still has that ETag. A card already gone counts as deleted.
    bool deleteCard(const QUrl& book, const QString& href, const QByteArray& ifMatch,
                    Write& outcome, DavError& error);

    int requestCount() const { return m_requests; }

    static QUrl urlOf(const QUrl& base, const QString& href);
    static QString hrefOf(const QUrl& base, const QString& responseHref);

private:
    HttpResponse send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                      HttpHeaders headers = {});
    bool propfind(const QUrl& url, int depth, const QByteArray& props, QUrl& answeredAt,
                  struct DavMultiStatus& result, DavError& error);

    HttpTransport& m_transport;
    int m_requests = 0;
};

// The message for a failed answer: 401, 403, 404, 507, other statuses, or no answer at all.
DavError davErrorOf(const HttpResponse& response, const QUrl& url);

} // namespace orvelan
