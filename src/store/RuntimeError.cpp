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
        return RuntimeError::PathFileAccessError;
    case ENXIO:
    case ENODEV:
        return RuntimeError::DeviceUnavailable;
    default:
        return RuntimeError::DeviceIoError;
    }
}

} // namespace orvelan
