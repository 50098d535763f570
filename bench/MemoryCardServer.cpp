#include "MemoryCardServer.h"

#include "sync/DavXml.h"

#include <QRegularExpression>
#include <QUrl>

namespace orvelan::bench {

namespace {

const QByteArray Token = "http://memory.invalid/token/";

QByteArray xmlText(const QByteArray& text) {
    return xmlEscaped(QString::fromUtf8(text)).toUtf8();
}

QByteArray multistatus(const QByteArray& responses, qint64 version = -1) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<d:multistatus xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">" +
                      responses;
    if (version >= 0)
        body += "<d:sync-token>" + Token + QByteArray::number(version) + "</d:sync-token>";
    return body + "</d:multistatus>";
}

QByteArray propResponse(const QString& path, const QByteArray& props) {
    return "<d:response><d:href>" + QUrl(path).toEncoded() + "</d:href><d:propstat><d:prop>" +
           props + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

HttpResponse answer(int status, QByteArray body = {}, HttpHeaders headers = {}) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

} // namespace

HttpResponse MemoryCardServer::send(const HttpRequest& request) {
    HttpResponse response;
    if (request.method == "REPORT")
        response = report(request);
    else if (request.method == "PUT")
        response = put(request);
    else if (request.method == "DELETE")
        response = remove(request);
    else
        response = answer(405);
    response.url = request.url;
    return response;
}

HttpResponse MemoryCardServer::report(const HttpRequest& request) const {
    if (request.body.contains("addressbook-multiget"))
        return multiget(request);
    static const QRegularExpression token(QStringLiteral("<d:sync-token>([^<]*)</d:sync-token>"));
    const QRegularExpressionMatch match = token.match(QString::fromUtf8(request.body));
    if (!match.hasMatch())
        return answer(400);
    const QByteArray given = match.captured(1).toUtf8();
    if (given.isEmpty())
        return changesSince(request, -1);
    if (!given.startsWith(Token))
        return answer(403, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>");
    return changesSince(request, given.mid(Token.size()).toLongLong());
}

HttpResponse MemoryCardServer::changesSince(const HttpRequest&, qint64 since) const {
    QByteArray responses;
    for (auto it = m_cards.cbegin(); it != m_cards.cend(); ++it) {
        if (it->version > since)
            responses += propResponse(it.key(), "<d:getetag>" + xmlText(it->etag) + "</d:getetag>");
    }
    if (since >= 0) {
        for (auto it = m_removedAt.cbegin(); it != m_removedAt.cend(); ++it) {
            if (*it > since)
                responses += "<d:response><d:href>" + QUrl(it.key()).toEncoded() +
                             "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
        }
    }
    return answer(207, multistatus(responses, m_version));
}

HttpResponse MemoryCardServer::multiget(const HttpRequest& request) const {
    static const QRegularExpression href(QStringLiteral("<d:href>([^<]*)</d:href>"));
    QByteArray responses;
    for (const QRegularExpressionMatch& match : href.globalMatch(QString::fromUtf8(request.body))) {
        const QString path = QUrl::fromEncoded(match.captured(1).toUtf8()).path();
        const auto it = m_cards.constFind(path);
        if (it == m_cards.cend())
            continue;
        responses +=
            propResponse(path, "<d:getetag>" + xmlText(it->etag) + "</d:getetag><c:address-data>" +
                                   xmlText(it->data) + "</c:address-data>");
    }
    return answer(207, multistatus(responses));
}

HttpResponse MemoryCardServer::put(const HttpRequest& request) {
    const QString path = request.url.path();
    const auto it = m_cards.constFind(path);
    for (const auto& [name, value] : request.headers) {
        if (name == "If-None-Match" && it != m_cards.cend())
            return answer(412);
        if (name == "If-Match" && (it == m_cards.cend() || it->etag != value))
            return answer(412);
    }
    ++m_version;
    const QByteArray etag = '"' + QByteArray::number(m_version) + '"';
    m_cards.insert(path, {request.body, etag, m_version});
    m_removedAt.remove(path);
    return answer(201, {}, {{"ETag", etag}});
}

HttpResponse MemoryCardServer::remove(const HttpRequest& request) {
    const QString path = request.url.path();
    const auto it = m_cards.constFind(path);
    if (it == m_cards.cend())
        return answer(404);
    for (const auto& [name, value] : request.headers) {
        if (name == "If-Match" && it->etag != value)
            return answer(412);
    }
    m_cards.remove(path);
    m_removedAt.insert(path, ++m_version);
    return answer(204);
}

} // namespace orvelan::bench
