#include "store/BookMaintenance.h"

#include "store/AtomicFile.h"
#include "store/PageRecord.h"
#include "store/StoreMessages.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace orvelan {

namespace {

bool writeWhole(const QString& path, QByteArrayView contents, QString& why) {
    const int error = replaceFileAtomically(path, contents);
    if (error)
        why = readErrorMessage(error).trimmed();
    return error == 0;
}

bool readWhole(const QString& path, QByteArray& contents, QString& why) {
    QFile file(path);
    if (!file.exists()) {
        contents.clear();
        return true; // a missing tab holds no pages
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    contents = file.readAll();
    if (contents.size() != file.size()) {
        why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

MaintenanceReport resetData(const BookFolder& folder) {
    MaintenanceReport report;
    if (!QDir().mkpath(folder.dataBookDir())) {
        report.failures << QStringLiteral("Cannot create the folder %1.").arg(folder.dataBookDir());
        return report;
    }
    for (int tab = 0; tab < TabCount; ++tab) {
        QString why;
        if (!writeWhole(folder.tabFilePath(tab), blankRecord(), why))
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

MaintenanceReport removeBlankPages(const BookFolder& folder, const StatusReporter& status) {
    MaintenanceReport report;

    status(QStringLiteral("Backing up..."), 0.05);
    const QString reserve = folder.reserveDir();
    if (!QDir().mkpath(reserve))
        report.failures << QStringLiteral("Cannot create the backup folder %1.").arg(reserve);
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        const QString source = folder.tabFilePath(tab);
        if (!QFile::exists(source))
            continue;
        const QString target = reserve + u'/' + tabFileName(tab);
        QFile::remove(target);
        if (!QFile::copy(source, target))
            report.failures << QStringLiteral("Cannot back up %1 to %2.").arg(source, target);
    }
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab)
        QFile::remove(folder.tabTempFilePath(tab));

    status(QStringLiteral("Removing Blank Pages..."), 0.3);
    bool compacted[TabCount] = {};
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        status(QStringLiteral("Processing TAB: ") + QString::fromLatin1(tabLabel(tab)), 0.05);
        QByteArray contents;
        QString why;
        if (!readWhole(folder.tabFilePath(tab), contents, why)) {
            report.failures
                << QStringLiteral("Cannot read %1: %2").arg(folder.tabFilePath(tab), why);
            continue;
        }
        qint64 removed = 0;
        const QByteArray kept = compactedRecords(contents, &removed);
        if (removed == 0)
            continue; // nothing to drop: the file stays as it is, any part record included
        // A part record at the end was never a page; it stays at the end of the file.
        const QByteArray tail = contents.right(contents.size() % RecordSize);
        if (!writeWhole(folder.tabTempFilePath(tab), kept + tail, why)) {
            report.failures
                << QStringLiteral("Cannot write %1: %2").arg(folder.tabTempFilePath(tab), why);
            QFile::remove(folder.tabTempFilePath(tab));
            continue;
        }
        compacted[tab] = true;
        report.pagesRemoved += removed;
    }

    status(QStringLiteral("Removing Temporary Files"), 0.05);
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (!compacted[tab])
            continue;
        const QByteArray from = QFile::encodeName(folder.tabTempFilePath(tab));
        const QByteArray to = QFile::encodeName(folder.tabFilePath(tab));
        if (std::rename(from.constData(), to.constData()) != 0) {
            report.failures << QStringLiteral("Cannot replace %1 with its compacted copy.")
                                   .arg(folder.tabFilePath(tab));
            QFile::remove(folder.tabTempFilePath(tab));
        }
    }
    return report;
}

} // namespace orvelan
