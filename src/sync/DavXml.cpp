#include "sync/DavXml.h"

#include <QXmlStreamReader>

namespace orvelan {

const DavProperty* DavResponse::property(const QString& name) const {
    const auto it = properties.constFind(name);
    return it == properties.cend() ? nullptr : &*it;
}

int statusOfLine(QStringView line) {
    const QStringView trimmed = line.trimmed();
    const qsizetype space = trimmed.indexOf(u' ');
    if (space < 0)
        return 0;
    return trimmed.mid(space + 1).left(3).toInt();
}

QString xmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

namespace {

// Reads one <prop> element's children into `into`.
void readProperties(QXmlStreamReader& xml, QHash<QString, DavProperty>& into) {
    while (xml.readNextStartElement()) {
        DavProperty property;
        const QString name = xml.name().toString();
        int depth = 1;
        QString lastElement;
        while (depth > 0 && !xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                ++depth;
                lastElement = xml.name().toString();
                property.elements.append(lastElement);
            } else if (xml.isEndElement()) {
                --depth;
            } else if (xml.isCharacters()) {
                property.text += xml.text();
                if (lastElement == QStringLiteral("href") && depth > 1)
                    property.hrefs.append(xml.text().trimmed().toString());
            }
        }
        into.insert(name, property);
    }
}

void readPropstat(QXmlStreamReader& xml, DavResponse& response) {
    QHash<QString, DavProperty> found;
    int status = 200;
    while (xml.readNextStartElement()) {
        if (xml.name() == QStringLiteral("prop"))
            readProperties(xml, found);
        else if (xml.name() == QStringLiteral("status"))
            status = statusOfLine(xml.readElementText());
        else
            xml.skipCurrentElement();
    }
    if (status >= 200 && status < 300)
        response.properties.insert(found);
}

DavResponse readResponse(QXmlStreamReader& xml) {
    DavResponse response;
    while (xml.readNextStartElement()) {
        if (xml.name() == QStringLiteral("href"))
            response.href = xml.readElementText().trimmed();
        else if (xml.name() == QStringLiteral("status"))
            response.status = statusOfLine(xml.readElementText());
        else if (xml.name() == QStringLiteral("propstat"))
            readPropstat(xml, response);
        else
            xml.skipCurrentElement();
    }
    return response;
}

} // namespace

DavMultiStatus parseMultiStatus(const QByteArray& body) {
    DavMultiStatus result;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.name() != QStringLiteral("multistatus"))
        return result;
    while (xml.readNextStartElement()) {
        if (xml.name() == QStringLiteral("response"))
            result.responses.append(readResponse(xml));
        else if (xml.name() == QStringLiteral("sync-token"))
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    result.valid = !xml.hasError();
    return result;
}

} // namespace orvelan
