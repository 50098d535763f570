#include "store/PrivateFiles.h"

#include "store/ConversionJournal.h"
#include "store/TabFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace orvelan {

bool makePrivateFolder(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean && !makePrivateFolder(parent))
        return false;
    if (::mkdir(QFile::encodeName(clean).constData(), PrivateFolderMode) == 0)
        return true;
    return errno == EEXIST && QFileInfo(clean).isDir();
}

bool isTemporaryFileName(const QString& fileName) {
    const qsizetype at = fileName.lastIndexOf(QLatin1StringView(TemporaryInfix));
    return at > 0 && fileName.size() - at - qsizetype(sizeof(TemporaryInfix) - 1) == 6;
}

int removeLeftoverTemporaries(const BookFolder& folder) {
    // A conversion between plain and encrypted that was cut short is completed or undone first.
    completeInterruptedConversion(folder);
    int removed = 0;
    const QString folders[] = {folder.root(), folder.dataBookDir(), folder.reserveDir(),
                               folder.root() + QStringLiteral("/Prints"), folder.syncDir()};
    for (const QString& path : folders) {
        // Names are matched here, unsorted, rather than by a name filter (which Qt compiles into
        // a regular expression for every listing): this runs at the start of most commands.
        for (QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System); it.hasNext();) {
            it.next();
            // A write that made a tab longer and that a kill cut between two of the file's pages
            // is mended by its note.
            if (path == folder.dataBookDir() &&
                it.fileName().endsWith(QLatin1StringView(AppendNoteSuffix)))
                cutInterruptedAppend(it.filePath());
            else if (isTemporaryFileName(it.fileName()) && QFile::remove(it.filePath()))
                ++removed;
        }
    }
    return removed;
}

} // namespace orvelan
