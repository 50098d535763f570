#pragma once

#include <QString>

namespace orvelan {

// The folder every data path is relative to: DataBook/ with the 26 tab files, ossabusr.dat,
// Reserve/. A folder copied from a Windows installation opens as it is.
class BookFolder {
public:
    explicit BookFolder(QString root);

    // $ORVELAN_HOME when set, otherwise the user's data folder (~/.local/share/orvelan).
    static QString defaultRoot();

    const QString& root() const { return m_root; }
    QString dataBookDir() const;
    QString tabFilePath(int tab) const;
    QString tabTempFilePath(int tab) const;
    QString settingsPath() const;
    QString reserveDir() const;
    QString configPath() const; // orvelan.conf: device paths and other local choices
    QString lockPath() const;   // held while the address book runs on this folder
    QString syncDir() const;    // sync/: the contacts server account and the sync state

private:
    QString m_root;
};

} // namespace orvelan
