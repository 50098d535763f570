#include "store/AtomicFile.h"

#include "store/RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan {

namespace {

bool writeAll(int fd, QByteArrayView contents) {
    const char* data = contents.data();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

int replaceFileAtomically(const QString& path, QByteArrayView contents) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return runtimeErrorFromErrno(errno, path);

    // The new file keeps the permissions of the one it replaces.
    struct stat existing {};
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777
                                                                   : 0666 & ~currentUmask();
    ::fchmod(fd, mode);
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ok = (::close(fd) == 0) && ok;
    const int error = ok ? 0 : runtimeErrorFromErrno(writeErrno ? writeErrno : errno, path);
    if (ok && ::rename(temporary.constData(), target.constData()) == 0)
        return 0;
    const int renameError = ok ? runtimeErrorFromErrno(errno, path) : error;
    ::unlink(temporary.constData());
    return renameError;
}

} // namespace orvelan
