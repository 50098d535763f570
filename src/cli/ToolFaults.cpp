#include "cli/ToolFaults.h"

#include "store/RuntimeError.h"
#include "store/TabTable.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan::cli {

int exitStatus(Fault fault) {
    switch (fault) {
    case Fault::Failed:
        return 1;
    case Fault::Usage:
        return 2;
    case Fault::BookBusy:
        return 3;
    case Fault::BookDamaged:
        return 4;
    case Fault::FileSystem:
        return 5;
    case Fault::Password:
        return 6;
    }
    return 1;
}

CliError toolError(Fault fault, const QString& message) {
    return CliError{message, exitStatus(fault)};
}

Fault faultOf(int runtimeError) {
    switch (runtimeError) {
    case RuntimeError::PermissionDenied:
    case RuntimeError::DiskFull:
    case RuntimeError::DeviceIoError:
    case RuntimeError::DeviceUnavailable:
    case RuntimeError::DiskNotReady:
        return Fault::FileSystem;
    case RuntimeError::BookLocked:
        return Fault::Password;
    default:
        return Fault::BookDamaged;
    }
}

CliError fileFault(FileAccess access, const QString& path, int runtimeError) {
    QString message =
        QStringLiteral("Cannot %1 %2: %3")
            .arg(access == FileAccess::Read ? QStringLiteral("read") : QStringLiteral("write"),
                 path, describeRuntimeError(runtimeError));
    if (faultOf(runtimeError) == Fault::BookDamaged)
        message += QStringLiteral(" 'orvelan-book check' names what is wrong with the book.");
    return toolError(faultOf(runtimeError), message);
}

namespace {

// 0 when `path` is a regular file this user can read; else the runtime error that says why.
int readableFileError(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return runtimeErrorFromErrno(errno, path);
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular ? 0 : RuntimeError::PathFileAccessError;
}

} // namespace

void checkBookFiles(const BookFolder& folder, bool missingTabs) {
    const QString settings = folder.settingsPath();
    if (QFileInfo(settings).exists() || QFileInfo(settings).isSymLink()) {
        if (const int error = readableFileError(settings))
            throw fileFault(FileAccess::Read, settings, error);
    }
    if (!QFileInfo(folder.dataBookDir()).isDir())
        return; // a book not created yet reads as empty
    for (int tab = 0; tab < TabCount; ++tab) {
        const QString path = folder.tabFilePath(tab);
        const int error = readableFileError(path);
        if (error && (missingTabs || error != RuntimeError::FileNotFound))
            throw fileFault(FileAccess::Read, path, error);
    }
}

} // namespace orvelan::cli
