#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <utility>

namespace orvelan {

using HttpHeaders = QList<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method;
    QUrl url;
    HttpHeaders headers;
    QByteArray body;
};

struct HttpResponse {
    int status = 0; // 0 when no answer came (see error)
    QString error;  // why no answer came: the server cannot be reached, a timeout, TLS ...
    HttpHeaders headers;
    QByteArray body;
    QUrl url; // where the answer came from, after redirects

    QByteArray header(QByteArrayView name) const {
        for (const auto& [key, value] : headers) {
            if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

// Sends one HTTP request and waits for its answer. The real one speaks HTTP and HTTPS through
// Qt Network with authentication and same-host redirects; tests script the answers.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual HttpResponse send(const HttpRequest& request) = 0;
};

} // namespace orvelan
