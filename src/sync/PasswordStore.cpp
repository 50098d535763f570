#include "sync/PasswordStore.h"

#include <QFile>

namespace orvelan {

QString passwordKey(const QString& user, const QString& url) {
    return user + u'@' + url;
}

bool readPasswordFile(const QString& path, QString& password, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error =
            QStringLiteral("Cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray line = file.readLine(64 * 1024);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    password = QString::fromUtf8(line);
    return true;
}

bool findSyncPassword(PasswordStore* keyring, const QString& key, const QString& passwordFile,
                      QString& password, QString& error) {
    if (!passwordFile.isEmpty()) {
        if (!readPasswordFile(passwordFile, password, error))
            return false;
        if (keyring)
            keyring->write(key, password);
        return true;
    }
    if (qEnvironmentVariableIsSet("ORVELAN_SYNC_PASSWORD")) {
        password = qEnvironmentVariable("ORVELAN_SYNC_PASSWORD");
        return true;
    }
    if (keyring && keyring->read(key, password))
        return true;
    error = QStringLiteral("No password for %1: give --password-file FILE or set "
                           "ORVELAN_SYNC_PASSWORD (no desktop keyring holds it).")
                .arg(key);
    return false;
}

} // namespace orvelan
