#pragma once

#include "store/RecordSealer.h"
#include "store/TabFile.h"

#include <QString>

#include <memory>

namespace orvelan {

// The folder every data path is relative to: DataBook/ with the 26 tab files, ossabusr.dat,
// Reserve/. A folder copied from a Windows installation opens as it is. An encrypted book
// (book.key beside ossabusr.dat) seals its records; every copy of a folder shares its sealing.
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
    QString configPath() const;  // orvelan.conf: device paths and other local choices
    QString lockPath() const;    // held while the address book runs on this folder
    QString syncDir() const;     // sync/: the contacts server account and the sync state
    QString bookKeyPath() const; // book.key: present in an encrypted book
    // DataBook/book.sealed: says that the records are sealed, so a book whose book.key was
    // lost is never read (or written) as a plain one.
    QString sealedMarkerPath() const;

    // The tab file and its .ra_ twin, read and written plain or sealed as the book is.
    TabFile tabFile(int tab) const;
    TabFile tabTempFile(int tab) const;
    BookSealing& sealing() const { return *m_sealing; }

private:
    QString m_root;
    std::shared_ptr<BookSealing> m_sealing;
};

} // namespace orvelan
