#pragma once
// What the exchange tests share: the moment they stage pages at, and the files they read.

#include <QDateTime>
#include <QFile>

inline const QDateTime Now(QDate(2026, 3, 4), QTime(9, 7));

// The bytes of a file; none when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A comma-separated file in the layout another program writes.
inline QByteArray dataFile(const char* name) {
    return fileBytes(QStringLiteral(ORVELAN_EXCHANGE_DATA "/") + QString::fromLatin1(name));
}

// A file of cards as another program writes them.
inline QByteArray vcardSample(const QString& name) {
    return fileBytes(QStringLiteral(VCARD_SAMPLES "/") + name);
}
