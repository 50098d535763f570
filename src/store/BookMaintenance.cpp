#include "store/BookMaintenance.h"

#include "store/AtomicFile.h"
#include "store/PageRecord.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace orvelan {

namespace {

// Replaces a tab file with one blank page, plain or sealed as the book is.
bool writeBlankTab(const TabFile& file, QString& why) {
    const int error = file.sealed() && !file.storedForm(1, blankRecord()).size()
                          ? RuntimeError::BookLocked
                          : replaceFileAtomically(file.path(), file.storedForm(1, blankRecord()));
    if (error)
        why = describeRuntimeError(error);
    return error == 0;
}

bool createDataBook(const BookFolder& folder, MaintenanceReport& report) {
    if (makePrivateFolder(folder.dataBookDir()))
        return true;
    report.failures << QStringLiteral("Cannot create the folder %1.").arg(folder.dataBookDir());
    return false;
}

// Whether a tab file (or anything at its path: a folder, a link) is there.
bool presentAt(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 || errno != ENOENT;
}

} // namespace

MaintenanceReport resetData(const BookFolder& folder) {
    MaintenanceReport report;
    if (!createDataBook(folder, report))
        return report;
    for (int tab = 0; tab < TabCount; ++tab) {
        QString why;
        if (!writeBlankTab(folder.tabFile(tab), why))
            report.failures
                << QStringLiteral("Cannot write %1: %2").arg(folder.tabFilePath(tab), why);
    }
    return report;
}

bool createBookIfMissing(const BookFolder& folder, MaintenanceReport& report) {
    if (QDir(folder.dataBookDir()).exists())
        return false;
    report = resetData(folder);
    return true;
}

int completeBook(const BookFolder& folder, MaintenanceReport& report) {
    if (!createDataBook(folder, report))
        return 0;
    // A book that has been synced is no first run: a tab file missing there was lost, and an
    // empty one in its place would tell the next sync that its pages were deleted.
    if (QFileInfo::exists(folder.syncDir() + QStringLiteral("/state.json")))
        return 0;
    int created = 0;
    for (int tab = 0; tab < TabCount; ++tab) {
        const QString path = folder.tabFilePath(tab);
        if (presentAt(path))
            continue;
        QString why;
        if (writeBlankTab(folder.tabFile(tab), why))
            ++created;
        else
            report.failures << QStringLiteral("Cannot write %1: %2").arg(path, why);
    }
    return created;
}

QByteArray compactedRecords(QByteArrayView contents, qint64* removed) {
    const qint64 count = contents.size() / RecordSize;
    auto record = [&](qint64 page) { return contents.sliced((page - 1) * RecordSize, RecordSize); };
    QByteArray kept;
    for (qint64 page = 1; page <= count; ++page) {
        if (!isBlankStored(record(page)))
            kept.append(record(page));
    }
    if (kept.isEmpty() && count > 0)
        kept = record(count).toByteArray(); // an all-blank tab keeps its last page
    if (removed)
        *removed = count - kept.size() / RecordSize;
    return kept;
}

namespace {

// Rewrites one tab file without its blank pages, streaming it through a new file that replaces
// it in one rename. Returns the pages removed, or -1 with `why` set.
qint64 compactTab(const TabFile& file, QString& why) {
    const QString& path = file.path();
    qint64 named = 0;
    qint64 count = 0;
    qint64 damaged = 0;
    int error = file.scan(
        [&](qint64 page, QByteArrayView record) {
            count = page;
            named += isBlankStored(record) ? 0 : 1;
            return true;
        },
        [&](qint64 page) {
            count = page;
            damaged = damaged ? damaged : page;
        });
    if (damaged) {
        // Moving the pages behind a damaged page would lose it for good.
        why = QStringLiteral("page %1 is damaged and cannot be read; the tab is left as it is.")
                  .arg(damaged);
        return -1;
    }
    if (error == RuntimeError::FileNotFound || error == RuntimeError::PathNotFound)
        return 0; // a missing tab holds no pages
    if (error) {
        why = describeRuntimeError(error);
        return -1;
    }
    const qint64 keep = named > 0 ? named : std::min<qint64>(count, 1);
    if (keep == count)
        return 0; // nothing to drop: the file stays as it is, any part record included

    AtomicFileWriter writer(path); // keeps the tab file's mode
    if ((error = writer.open())) {
        why = describeRuntimeError(error);
        return -1;
    }
    qint64 written = 0;
    error = file.scan([&](qint64 page, QByteArrayView record) {
        // An all-blank tab keeps its last page.
        if (named > 0 ? !isBlankStored(record) : page == count) {
            ++written;
            return writer.write(file.storedForm(written, record));
        }
        return true;
    });
    // A part record at the end was never a page; it stays at the end of the file.
    QFile source(path);
    const qint64 tail = source.size() % file.storedRecordSize();
    if (!error && tail > 0) {
        if (!source.open(QIODevice::ReadOnly) || !source.seek(source.size() - tail))
            error = RuntimeError::DeviceIoError;
        else
            writer.write(source.read(tail));
    }
    if (!error && writer.error())
        error = writer.error();
    if (!error && written != keep)
        error = RuntimeError::BadRecordLength; // the file changed under us: leave it
    if (!error)
        error = writer.commit();
    if (error) {
        why = describeRuntimeError(error);
        return -1;
    }
    return count - keep;
}

} // namespace

MaintenanceReport removeBlankPages(const BookFolder& folder, const StatusReporter& status) {
    MaintenanceReport report;

    status(QStringLiteral("Backing up..."), 0.05);
    const QString reserve = folder.reserveDir();
    if (!makePrivateFolder(reserve))
        report.failures << QStringLiteral("Cannot create the backup folder %1.").arg(reserve);
    bool backedUp[TabCount] = {};
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        const QString source = folder.tabFilePath(tab);
        if (!QFileInfo(source).isFile()) {
            backedUp[tab] = !presentAt(source); // nothing to lose
            continue;
        }
        const QString target = reserve + u'/' + tabFileName(tab);
        // The older copy stays until the new one is written whole.
        if (const int error = copyFileAtomically(source, target))
            report.failures << QStringLiteral("Cannot back up %1 to %2: %3")
                                   .arg(source, target, describeRuntimeError(error));
        else
            backedUp[tab] = true;
    }
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab)
        QFile::remove(folder.tabTempFilePath(tab));

    status(QStringLiteral("Removing Blank Pages..."), 0.3);
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        status(QStringLiteral("Processing TAB: ") + QString::fromLatin1(tabLabel(tab)), 0.05);
        if (!backedUp[tab])
            continue; // without its backup a tab is not rewritten
        QString why;
        const qint64 removed = compactTab(folder.tabFile(tab), why);
        if (removed < 0)
            report.failures
                << QStringLiteral("Cannot compact %1: %2").arg(folder.tabFilePath(tab), why);
        else
            report.pagesRemoved += removed;
    }
    status(QStringLiteral("Removing Temporary Files"), 0.05);
    return report;
}

} // namespace orvelan
