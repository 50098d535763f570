#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvelan {

// One property of a WebDAV answer, by its local name: its text, the hrefs inside it and the
// names of the elements inside it (resourcetype, supported-report-set).
struct DavProperty {
    QString text;
    QStringList hrefs;
    QStringList elements;
};

// One <response> of a multi-status answer: the resource, its status when the response carries
// one of its own (a removed member of a sync report), and the properties found with status 200.
struct DavResponse {
    QString href;
    int status = 0;
    QHash<QString, DavProperty> properties;
    const DavProperty* property(const QString& name) const;
};

struct DavMultiStatus {
    bool valid = false;
    QList<DavResponse> responses;
    QString syncToken;
};

DavMultiStatus parseMultiStatus(const QByteArray& xml);

// "HTTP/1.1 404 Not Found" gives 404; 0 for anything else.
int statusOfLine(QStringView line);

// Escapes text for an XML element.
QString xmlEscaped(const QString& text);

} // namespace orvelan
