#include "store/ConversionJournal.h"

#include "store/AtomicFile.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace orvelan {

QString Conversion::markerPath(const BookFolder& folder) {
    return folder.root() + QStringLiteral("/book.conversion");
}

QString Conversion::newKeyPath(const BookFolder& folder) {
    return folder.bookKeyPath() + QStringLiteral(".new");
}

QString Conversion::twinPath(const QString& path) {
    return path + QLatin1StringView(TwinSuffix);
}

std::vector<RecordFileOfTab> recordFiles(const BookFolder& folder) {
    std::vector<RecordFileOfTab> files;
    for (int tab = 0; tab < TabCount; ++tab) {
        for (const QString& path : {folder.tabFilePath(tab), folder.tabTempFilePath(tab),
                                    folder.reserveDir() + u'/' + tabFileName(tab)}) {
            if (QFileInfo(path).isFile())
                files.push_back({path, tab});
        }
    }
    return files;
}

std::vector<WholeSealedFile> wholeSealedFiles(const BookFolder& folder) {
    return {{folder.syncDir() + QStringLiteral("/state.json"), "orvelan-sync-state-v1"},
            {folder.root() + QStringLiteral("/trash.json"), "orvelan-trash-v1"}};
}

void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int markConversion(const BookFolder& folder, const char* target) {
    const int error =
        replaceFileAtomically(Conversion::markerPath(folder), QByteArray(target) + '\n');
    syncFolder(folder.root());
    return error;
}

namespace {

QStringList convertedFolders(const BookFolder& folder) {
    return {folder.root(), folder.dataBookDir(), folder.reserveDir(), folder.syncDir()};
}

QStringList twinsIn(const QString& path) {
    QStringList twins;
    // Names are matched here, unsorted, rather than by a name filter (which Qt compiles into a
    // regular expression for every listing): this runs at the start of every command.
    for (QDirIterator it(path, QDir::Files); it.hasNext();) {
        it.next();
        if (it.fileName().endsWith(QLatin1StringView(Conversion::TwinSuffix)))
            twins << it.filePath();
    }
    twins.sort();
    return twins;
}

bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

bool conversionPending(const BookFolder& folder) {
    if (QFileInfo::exists(Conversion::markerPath(folder)) ||
        QFileInfo::exists(Conversion::newKeyPath(folder)))
        return true;
    for (const QString& path : convertedFolders(folder)) {
        if (!twinsIn(path).isEmpty())
            return true;
    }
    return false;
}

ConversionState completeInterruptedConversion(const BookFolder& folder, QString* error) {
    const QString marker = Conversion::markerPath(folder);
    ConversionState state = ConversionState::None;
    QFile markerFile(marker);
    if (markerFile.exists() && !markerFile.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(marker, markerFile.errorString());
        return state; // never roll back what may be the only whole form of the book
    }
    if (markerFile.isOpen()) {
        const QByteArray target = markerFile.readAll().trimmed();
        const bool toSealed = target == Conversion::ToSealed;
        bool ok = true;
        if (toSealed && QFileInfo::exists(Conversion::newKeyPath(folder)))
            ok = renameOver(Conversion::newKeyPath(folder), folder.bookKeyPath()) && ok;
        syncFolder(folder.root());
        for (const QString& path : convertedFolders(folder)) {
            for (const QString& twin : twinsIn(path))
                ok =
                    renameOver(twin, twin.chopped(qsizetype(sizeof(Conversion::TwinSuffix) - 1))) &&
                    ok;
            syncFolder(path);
        }
        if (!toSealed && QFileInfo::exists(folder.sealedMarkerPath()))
            ok = QFile::remove(folder.sealedMarkerPath()) && ok;
        if (!toSealed && QFileInfo::exists(folder.bookKeyPath()))
            ok = QFile::remove(folder.bookKeyPath()) && ok;
        syncFolder(folder.root());
        if (ok) {
            QFile::remove(marker);
            syncFolder(folder.root());
        } else if (error) {
            *error = QStringLiteral("Cannot complete the conversion of the book in %1: a file "
                                    "could not be renamed.")
                         .arg(folder.root());
        }
        state = ConversionState::Completed;
    } else {
        bool any = QFile::remove(Conversion::newKeyPath(folder));
        for (const QString& path : convertedFolders(folder)) {
            for (const QString& twin : twinsIn(path))
                any = QFile::remove(twin) || any;
        }
        if (any)
            state = ConversionState::RolledBack;
    }
    if (QFileInfo::exists(folder.bookKeyPath()) || QFileInfo::exists(folder.sealedMarkerPath())) {
        if (folder.sealing().state() == BookSealing::State::Plain)
            folder.sealing().setLocked();
    } else {
        folder.sealing().setPlain();
    }
    return state;
}

} // namespace orvelan
