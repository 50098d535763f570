#include "sync/net/QtHttpTransport.h"

#include "sync/SyncRun.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkReply>
#include <QSslCertificate>

namespace orvelan {

namespace {

constexpr int MaxRedirects = 5;

// The credentials go along, so only to the same scheme (never down from https to http), host
// and port.
bool sameServer(const QUrl& from, const QUrl& to) {
    const int defaultPort = from.scheme() == u"https" ? 443 : 80;
    return to.scheme().compare(from.scheme(), Qt::CaseInsensitive) == 0 &&
           to.host().compare(from.host(), Qt::CaseInsensitive) == 0 &&
           to.port(defaultPort) == from.port(defaultPort);
}

} // namespace

QtHttpTransport::QtHttpTransport(Options options)
    : m_options(std::move(options)), m_ssl(QSslConfiguration::defaultConfiguration()) {
    m_manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QObject::connect(&m_manager, &QNetworkAccessManager::authenticationRequired, &m_manager,
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         // Offered once per request: a second challenge means the server
                         // refused them, and the 401 goes back to the caller.
                         if (reply->property("orvelanAuthTried").toBool())
                             return;
                         reply->setProperty("orvelanAuthTried", true);
                         authenticator->setUser(m_options.user);
                         authenticator->setPassword(m_options.password);
                     });
}

bool QtHttpTransport::loadCaFile(QString& error) {
    if (m_options.caFile.isEmpty())
        return true;
    const QList<QSslCertificate> certificates =
        QSslCertificate::fromPath(m_options.caFile, QSsl::Pem);
    if (certificates.isEmpty()) {
        error = QStringLiteral("No PEM certificate could be read from %1.").arg(m_options.caFile);
        return false;
    }
    m_ssl.addCaCertificates(certificates);
    return true;
}

HttpResponse QtHttpTransport::send(const HttpRequest& request) {
    HttpRequest current = request;
    for (int hop = 0;; ++hop) {
        HttpResponse response = sendOnce(current);
        const bool redirect = response.status == 301 || response.status == 302 ||
                              response.status == 303 || response.status == 307 ||
                              response.status == 308;
        if (!redirect)
            return response;
        const QUrl target = current.url.resolved(QUrl::fromEncoded(response.header("Location")));
        if (hop >= MaxRedirects || !target.isValid() || !sameServer(current.url, target)) {
            response.status = 0;
            response.error =
                QStringLiteral(
                    "it sends the request on to %1, which is not followed "
                    "(only addresses on the same server and port, with the same scheme, are)")
                    .arg(target.toDisplayString());
            return response;
        }
        current.url = target;
    }
}

HttpResponse QtHttpTransport::sendOnce(const HttpRequest& request) {
    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(m_options.timeoutMs);
    networkRequest.setSslConfiguration(m_ssl);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                QNetworkRequest::AlwaysNetwork);
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    QNetworkReply* reply =
        m_manager.sendCustomRequest(networkRequest, request.method, request.body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    HttpResponse response;
    response.url = request.url;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        response.headers.append({name, value});
    // A connection lost in the middle of an answer leaves a status and half a body: no answer.
    const QNetworkReply::NetworkError failure = reply->error();
    bool announced = false;
    const qint64 length = response.header("Content-Length").toLongLong(&announced);
    if (failure == QNetworkReply::OperationCanceledError ||
        failure == QNetworkReply::TimeoutError) {
        response.status = 0;
        response.error =
            QStringLiteral("no answer within %1 seconds").arg(m_options.timeoutMs / 1000);
    } else if (failure > QNetworkReply::NoError && failure < QNetworkReply::ContentAccessDenied) {
        response.status = 0;
        response.error = reply->errorString();
    } else if (response.status != 0 && announced && length > response.body.size()) {
        response.status = 0;
        response.error = QStringLiteral("the connection was cut in the middle of an answer");
    } else if (response.status == 0) {
        response.error = reply->errorString();
    }
    reply->deleteLater();
    return response;
}

std::unique_ptr<HttpTransport> qtHttpTransport(const SyncRequest& request, QString& error) {
    auto transport = std::make_unique<QtHttpTransport>(QtHttpTransport::Options{
        request.account.user, request.password, request.account.caFile, request.timeoutMs});
    if (!transport->loadCaFile(error))
        return nullptr;
    return transport;
}

} // namespace orvelan
