#pragma once

#include "sync/HttpTransport.h"

#include <QNetworkAccessManager>
#include <QSslConfiguration>

#include <memory>

namespace orvelan {

struct SyncRequest;

// HTTP and HTTPS through Qt Network: Basic and Digest authentication with the account's user
// and password, certificates verified (with an extra authority from a PEM file when given),
// redirects followed within the same host only, and a limit on how long an answer may take.
class QtHttpTransport final : public HttpTransport {
public:
    struct Options {
        QString user;
        QString password;
        QString caFile;
        int timeoutMs = 30000;
    };
    explicit QtHttpTransport(Options options);

    // Reads the extra certificate authority; false with a message when it cannot be used.
    bool loadCaFile(QString& error);

    HttpResponse send(const HttpRequest& request) override;

private:
    HttpResponse sendOnce(const HttpRequest& request);

    Options m_options;
    QNetworkAccessManager m_manager;
    QSslConfiguration m_ssl;
};

// The transport of a sync with the request's user, password, extra certificate authority and
// time limit; null with a message when the authority cannot be used.
std::unique_ptr<HttpTransport> qtHttpTransport(const SyncRequest& request, QString& error);

} // namespace orvelan
