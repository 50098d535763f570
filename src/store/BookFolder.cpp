#include "store/BookFolder.h"

#include "store/TabTable.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace orvelan {

BookFolder::BookFolder(QString root)
    : m_root(QDir::cleanPath(std::move(root))),
      m_sealing(std::make_shared<BookSealing>(QFileInfo::exists(bookKeyPath()) ||
                                                      QFileInfo::exists(sealedMarkerPath())
                                                  ? BookSealing::State::Locked
                                                  : BookSealing::State::Plain)) {}

QString BookFolder::defaultRoot() {
    const QString home = qEnvironmentVariable("ORVELAN_HOME");
    if (!home.isEmpty())
        return home;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/orvelan");
}

QString BookFolder::dataBookDir() const {
    return m_root + QStringLiteral("/DataBook");
}

QString BookFolder::tabFilePath(int tab) const {
    return dataBookDir() + u'/' + tabFileName(tab);
}

QString BookFolder::tabTempFilePath(int tab) const {
    return dataBookDir() + u'/' + tabTempFileName(tab);
}

QString BookFolder::settingsPath() const {
    return m_root + QStringLiteral("/ossabusr.dat");
}

QString BookFolder::reserveDir() const {
    return m_root + QStringLiteral("/Reserve");
}

QString BookFolder::configPath() const {
    return m_root + QStringLiteral("/orvelan.conf");
}

QString BookFolder::lockPath() const {
    return m_root + QStringLiteral("/orvelan.lock");
}

QString BookFolder::syncDir() const {
    return m_root + QStringLiteral("/sync");
}

} // namespace orvelan

namespace orvelan {

QString BookFolder::bookKeyPath() const {
    return m_root + QStringLiteral("/book.key");
}

QString BookFolder::sealedMarkerPath() const {
    return dataBookDir() + QStringLiteral("/book.sealed");
}

TabFile BookFolder::tabFile(int tab) const {
    return TabFile(tabFilePath(tab), tab, *m_sealing);
}

TabFile BookFolder::tabTempFile(int tab) const {
    return TabFile(tabTempFilePath(tab), tab, *m_sealing);
}

} // namespace orvelan
