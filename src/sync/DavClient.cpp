#include "sync/DavClient.h"

#include "sync/DavXml.h"

namespace orvelan {

namespace {

const QByteArray XmlContentType = "application/xml; charset=utf-8";

QByteArray propfindBody(const QByteArray& props) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>" +
           props + "</d:prop></d:propfind>";
}

bool isAddressBook(const DavResponse& response) {
    const DavProperty* type = response.property(QStringLiteral("resourcetype"));
    return type && type->elements.contains(QStringLiteral("addressbook"));
}

QUrl asCollection(QUrl url) {
    QString path = url.path();
    if (!path.endsWith(u'/'))
        url.setPath(path + u'/');
    return url;
}

} // namespace

QString lastPathPart(const QUrl& url) {
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

DavError davErrorOf(const HttpResponse& response, const QUrl& url) {
    const QString host = url.host();
    DavError error;
    error.status = response.status;
    switch (response.status) {
    case 0:
        error.message = QStringLiteral("Cannot reach the server %1: %2").arg(host, response.error);
        break;
    case 401:
        error.message = QStringLiteral("The server %1 did not accept the user name and "
                                       "password (401 Unauthorized).")
                            .arg(host);
        break;
    case 403:
        error.message = QStringLiteral("The server %1 does not allow this account to do that "
                                       "(403 Forbidden): %2")
                            .arg(host, url.path());
        break;
    case 404:
        error.message = QStringLiteral("The server %1 has nothing at %2 (404 Not Found).")
                            .arg(host, url.path());
        break;
    case 507:
        error.message = QStringLiteral("The server %1 has no room left for the contacts (507 "
                                       "Insufficient Storage).")
                            .arg(host);
        break;
    default:
        error.message = QStringLiteral("The server %1 answered %2 for %3.")
                            .arg(host)
                            .arg(response.status)
                            .arg(url.path());
        break;
    }
    return error;
}

QUrl DavClient::urlOf(const QUrl& base, const QString& href) {
    QUrl url = base;
    url.setPath(href, QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QString DavClient::hrefOf(const QUrl& base, const QString& responseHref) {
    return base.resolved(QUrl::fromEncoded(responseHref.toUtf8())).path(QUrl::FullyDecoded);
}

HttpResponse DavClient::send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                             HttpHeaders headers) {
    ++m_requests;
    if (!body.isEmpty() && method != "PUT")
        headers.append({QByteArray("Content-Type"), XmlContentType});
    HttpResponse response = m_transport.send({method, url, headers, body});
    if (response.url.isEmpty())
        response.url = url;
    return response;
}

bool DavClient::propfind(const QUrl& url, int depth, const QByteArray& props, QUrl& answeredAt,
                         DavMultiStatus& result, DavError& error) {
    const HttpResponse response =
        send("PROPFIND", url, propfindBody(props), {{"Depth", QByteArray::number(depth)}});
    answeredAt = response.url;
    if (response.status != 207) {
        error = davErrorOf(response, url);
        return false;
    }
    result = parseMultiStatus(response.body);
    if (!result.valid) {
        error = {QStringLiteral("The server %1 gave an answer that is not WebDAV for %2.")
                     .arg(url.host(), url.path()),
                 207};
        return false;
    }
    return true;
}

bool DavClient::discover(const QUrl& start, QList<AddressBook>& books, QUrl& home,
                         DavError& error) {
    books.clear();
    const QByteArray props = "<d:resourcetype/><d:current-user-principal/>"
                             "<c:addressbook-home-set/><d:displayname/>";
    QUrl at;
    DavMultiStatus status;
    const auto firstResponse = [&]() -> const DavResponse* {
        return status.responses.isEmpty() ? nullptr : &status.responses.first();
    };
    // The URL itself, else the server's well-known CardDAV address.
    bool found = propfind(start, 0, props, at, status, error);
    if (found && firstResponse() && isAddressBook(*firstResponse())) {
        books.append({asCollection(at), lastPathPart(at)});
        home = at;
        return true;
    }
    const auto homeOf = [&]() -> QUrl {
        const DavResponse* response = firstResponse();
        if (!response)
            return {};
        if (const DavProperty* set = response->property(QStringLiteral("addressbook-home-set"));
            set && !set->hrefs.isEmpty())
            return at.resolved(QUrl::fromEncoded(set->hrefs.first().toUtf8()));
        return {};
    };
    const auto principalOf = [&]() -> QUrl {
        const DavResponse* response = firstResponse();
        if (!response)
            return {};
        if (const DavProperty* principal =
                response->property(QStringLiteral("current-user-principal"));
            principal && !principal->hrefs.isEmpty())
            return at.resolved(QUrl::fromEncoded(principal->hrefs.first().toUtf8()));
        return {};
    };
    // No answer, or a login refused: the server's well-known address would say the same.
    if (!found && (error.status == 0 || error.status == 401))
        return false;
    home = found ? homeOf() : QUrl();
    QUrl principal = found ? principalOf() : QUrl();
    if (home.isEmpty() && principal.isEmpty()) {
        const QUrl wellKnown = start.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
        const DavError first = error;
        if (!propfind(wellKnown, 0, props, at, status, error)) {
            if (!found && first.status != 404)
                error = first; // what the address the user gave answered tells more
            return false;
        }
        home = homeOf();
        principal = principalOf();
    }
    if (home.isEmpty() && !principal.isEmpty()) {
        if (!propfind(principal, 0, "<c:addressbook-home-set/>", at, status, error))
            return false;
        home = homeOf();
    }
    if (home.isEmpty()) {
        error = {QStringLiteral("The server %1 does not say where this user's address books "
                                "are; give the address book's own URL.")
                     .arg(start.host()),
                 0};
        return false;
    }
    if (!propfind(home, 1, "<d:resourcetype/><d:displayname/>", at, status, error))
        return false;
    for (const DavResponse& response : std::as_const(status.responses)) {
        if (!isAddressBook(response))
            continue;
        const QUrl url = asCollection(at.resolved(QUrl::fromEncoded(response.href.toUtf8())));
        const DavProperty* name = response.property(QStringLiteral("displayname"));
        books.append({url, name && !name->text.trimmed().isEmpty() ? name->text.trimmed()
                                                                   : lastPathPart(url)});
    }
    return true;
}

bool DavClient::createAddressBook(const QUrl& home, const QString& name, QUrl& created,
                                  DavError& error) {
    created = asCollection(home).resolved(QUrl(QString::fromLatin1(
        QUrl::toPercentEncoding(name.isEmpty() ? QStringLiteral("contacts") : name))));
    created = asCollection(created);
    const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<d:mkcol xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop>"
        "<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype><d:displayname>" +
        xmlEscaped(name.isEmpty() ? QStringLiteral("Contacts") : name).toUtf8() +
        "</d:displayname></d:prop></d:set></d:mkcol>";
    const HttpResponse response = send("MKCOL", created, body);
    if (response.status != 201) {
        error = davErrorOf(response, created);
        return false;
    }
    return true;
}

bool DavClient::listCards(const QUrl& book, Listing& listing, DavError& error) {
    listing = Listing();
    QUrl at;
    DavMultiStatus status;
    if (!propfind(book, 1, "<d:getetag/><d:resourcetype/>", at, status, error))
        return false;
    const QString bookPath = book.path(QUrl::FullyDecoded);
    for (const DavResponse& response : std::as_const(status.responses)) {
        const QString href = hrefOf(at, response.href);
        const DavProperty* etag = response.property(QStringLiteral("getetag"));
        const DavProperty* type = response.property(QStringLiteral("resourcetype"));
        if (href == bookPath || (type && type->elements.contains(QStringLiteral("collection"))))
            continue;
        if (etag)
            listing.etags.insert(href, etag->text.trimmed().toUtf8());
    }
    return true;
}

bool DavClient::syncChanges(const QUrl& book, const QString& token, Listing& listing,
                            bool& unsupported, DavError& error) {
    listing = Listing();
    unsupported = false;
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                            xmlEscaped(token).toUtf8() +
                            "</d:sync-token><d:sync-level>1</d:sync-level>"
                            "<d:prop><d:getetag/></d:prop></d:sync-collection>";
    const HttpResponse response = send("REPORT", book, body, {{"Depth", "0"}});
    if (response.status == 403 || response.status == 409 || response.status == 400 ||
        response.status == 405 || response.status == 501 || response.status == 415 ||
        response.status == 410) {
        // No sync reports here (some servers forbid them, with or without a supported-report
        // error), or the token is no longer valid (some servers say 410 Gone): list in full. A
        // 403 that means no access at all is said again by the full listing.
        unsupported = true;
        return false;
    }
    if (response.status != 207) {
        error = davErrorOf(response, book);
        return false;
    }
    const DavMultiStatus status = parseMultiStatus(response.body);
    if (!status.valid || status.syncToken.isEmpty()) {
        unsupported = true;
        return false;
    }
    listing.syncToken = status.syncToken;
    listing.complete = token.isEmpty();
    const QString bookPath = book.path(QUrl::FullyDecoded);
    for (const DavResponse& entry : status.responses) {
        const QString href = hrefOf(response.url, entry.href);
        if (href == bookPath || href.endsWith(u'/')) {
            if (entry.status == 507)
                listing.truncated = true;
            continue;
        }
        if (entry.status == 404) {
            listing.removed.append(href);
        } else if (const DavProperty* etag = entry.property(QStringLiteral("getetag"))) {
            listing.etags.insert(href, etag->text.trimmed().toUtf8());
        }
    }
    return true;
}

bool DavClient::fetchCards(const QUrl& book, const QStringList& hrefs, QList<Card>& cards,
                           DavError& error) {
    cards.clear();
    if (hrefs.isEmpty())
        return true;
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QString& href : hrefs)
        body += "<d:href>" + xmlEscaped(urlOf(book, href).path(QUrl::FullyEncoded)).toUtf8() +
                "</d:href>";
    body += "</c:addressbook-multiget>";
    const HttpResponse response = send("REPORT", book, body, {{"Depth", "1"}});
    if (response.status != 207) {
        error = davErrorOf(response, book);
        return false;
    }
    const DavMultiStatus status = parseMultiStatus(response.body);
    if (!status.valid) {
        error = {QStringLiteral("The server %1 gave an answer that is not WebDAV for %2.")
                     .arg(book.host(), book.path()),
                 207};
        return false;
    }
    for (const DavResponse& entry : status.responses) {
        Card card;
        card.href = hrefOf(response.url, entry.href);
        if (const DavProperty* etag = entry.property(QStringLiteral("getetag")))
            card.etag = etag->text.trimmed().toUtf8();
        if (const DavProperty* data = entry.property(QStringLiteral("address-data")))
            card.data = data->text.toUtf8();
        cards.append(card);
    }
    return true;
}

bool DavClient::putCard(const QUrl& book, const QString& href, const QByteArray& card,
                        const QByteArray& ifMatch, Write& outcome, QByteArray& etag,
                        DavError& error) {
    HttpHeaders headers{{"Content-Type", "text/vcard; charset=utf-8"}};
    if (ifMatch.isEmpty())
        headers.append({QByteArray("If-None-Match"), QByteArray("*")});
    else
        headers.append({QByteArray("If-Match"), ifMatch});
    const QUrl url = urlOf(book, href);
    const HttpResponse response = send("PUT", url, card, headers);
    etag.clear();
    if (response.status == 412) {
        outcome = Write::PreconditionFailed;
        return true;
    }
    if (response.status < 200 || response.status >= 300) {
        error = davErrorOf(response, url);
        return false;
    }
    outcome = Write::Done;
    etag = response.header("ETag");
    return true;
}

bool DavClient::deleteCard(const QUrl& book, const QString& href, const QByteArray& ifMatch,
                           Write& outcome, DavError& error) {
    const QUrl url = urlOf(book, href);
    HttpHeaders headers;
    if (!ifMatch.isEmpty())
        headers.append({QByteArray("If-Match"), ifMatch});
    const HttpResponse response = send("DELETE", url, {}, headers);
    if (response.status == 412) {
        outcome = Write::PreconditionFailed;
        return true;
    }
    if (response.status == 404 || (response.status >= 200 && response.status < 300)) {
        outcome = Write::Done;
        return true;
    }
    error = davErrorOf(response, url);
    return false;
}

} // namespace orvelan
