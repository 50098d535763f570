#include "store/RuntimeError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace orvelan {

int runtimeErrorFromErrno(int error, const QString& path) {
    switch (error) {
    case ENOENT:
        return QFileInfo(path).absoluteDir().exists() ? RuntimeError::FileNotFound
                                                      : RuntimeError::PathNotFound;
    case ENOTDIR:
        return RuntimeError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return RuntimeError::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return RuntimeError::DiskFull;
    case EISDIR:
    case ELOOP:
        return RuntimeError::PathFileAccessError;
    case ENXIO:
    case ENODEV:
        return RuntimeError::DeviceUnavailable;
    default:
        return RuntimeError::DeviceIoError;
    }
}

QString describeRuntimeError(int error) {
    switch (error) {
    case RuntimeError::FileNotFound:
        return QStringLiteral("The file was not found.");
    case RuntimeError::PathNotFound:
        return QStringLiteral("The folder does not exist.");
    case RuntimeError::PermissionDenied:
        return QStringLiteral("Permission denied.");
    case RuntimeError::DiskFull:
        return QStringLiteral("The disk is full.");
    case RuntimeError::DeviceUnavailable:
    case RuntimeError::DiskNotReady:
        return QStringLiteral("The device is not available.");
    case RuntimeError::PathFileAccessError:
        return QStringLiteral("A folder or a link stands where the file should be.");
    case RuntimeError::PageDamaged:
        return QStringLiteral("The page is damaged and cannot be read.");
    case RuntimeError::BookLocked:
        return QStringLiteral("The book is encrypted and not unlocked.");
    default:
        return QStringLiteral("Device input/output error (%1).").arg(error);
    }
}

int notARegularFileError(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile() ? RuntimeError::PathFileAccessError : 0;
}

} // namespace orvelan
