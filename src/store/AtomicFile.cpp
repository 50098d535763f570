#include "store/AtomicFile.h"

#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan {

namespace {

constexpr qsizetype BufferSize = 1 << 20;

// The mode the new file gets: that of the regular file it replaces, else private.
mode_t modeFor(const QByteArray& target) {
    struct stat existing {};
    if (::lstat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        return existing.st_mode & 07777;
    return PrivateFileMode;
}

bool procFdAvailable() {
    return ::access("/proc/self/fd", X_OK) == 0;
}

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

} // namespace

AtomicFileWriter::AtomicFileWriter(QString path) : m_path(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

QByteArray temporaryNameFor(const QByteArray& target) {
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = target + TemporaryInfix;
    for (int i = 0; i < 6; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(sizeof(Letters) - 1))];
    return name;
}

int AtomicFileWriter::open() {
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray folder = QFile::encodeName(QFileInfo(m_path).absolutePath());
    m_fd = -1;
#ifdef O_TMPFILE
    if (procFdAvailable()) {
        m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, PrivateFileMode);
        m_unnamed = m_fd >= 0;
    }
#endif
    if (m_fd < 0) {
        // No unnamed files here: a named temporary with the recognisable pattern.
        m_temporary = target + TemporaryInfix + "XXXXXX";
        m_fd = ::mkstemp(m_temporary.data());
        if (m_fd < 0) {
            m_temporary.clear();
            fail(errno);
            return m_error;
        }
    }
    ::fchmod(m_fd, modeFor(target));
    m_buffer.reserve(BufferSize);
    return 0;
}

bool AtomicFileWriter::nameUnnamedFile() {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    const QByteArray target = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = temporaryNameFor(target);
        // Through /proc; where that is refused, by the descriptor itself (which needs a
        // privilege most users lack).
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
                0 ||
            (errno != EEXIST &&
             ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)) {
            m_temporary = std::move(name);
            return true;
        }
        if (errno != EEXIST) {
            fail(errno);
            return false;
        }
    }
    fail(EEXIST);
    return false;
}

void AtomicFileWriter::fail(int errnoValue) {
    if (!m_error)
        m_error = runtimeErrorFromErrno(errnoValue ? errnoValue : EIO, m_path);
}

bool AtomicFileWriter::flushBuffer() {
    if (m_buffer.isEmpty())
        return true;
    const bool ok = writeAll(m_fd, m_buffer);
    if (!ok)
        fail(errno);
    m_buffer.truncate(0); // keeps its room for the next bytes
    return ok;
}

bool AtomicFileWriter::write(QByteArrayView bytes) {
    if (m_error || m_fd < 0)
        return false;
    if (m_buffer.size() + bytes.size() > BufferSize) {
        if (!flushBuffer())
            return false;
        if (bytes.size() >= BufferSize) {
            if (!writeAll(m_fd, bytes)) {
                fail(errno);
                return false;
            }
            return true;
        }
    }
    m_buffer.append(bytes);
    return true;
}

int AtomicFileWriter::commit() {
    if (m_fd < 0)
        return m_error ? m_error : RuntimeError::DeviceIoError;
    if (flushBuffer() && ::fsync(m_fd) != 0)
        fail(errno);
    if (!m_error && m_unnamed)
        nameUnnamedFile();
    if (::close(m_fd) != 0)
        fail(errno);
    m_fd = -1;
    if (!m_error && ::rename(m_temporary.constData(), QFile::encodeName(m_path).constData()) != 0)
        fail(errno);
    if (m_error) {
        discard();
        return m_error;
    }
    m_temporary.clear();
    return 0;
}

void AtomicFileWriter::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}

int replaceFileAtomically(const QString& path, QByteArrayView contents) {
    AtomicFileWriter writer(path);
    if (const int error = writer.open())
        return error;
    writer.write(contents);
    return writer.commit();
}

int copyFileAtomically(const QString& source, const QString& target) {
    QFile from(source);
    errno = 0;
    if (!from.open(QIODevice::ReadOnly))
        return runtimeErrorFromErrno(errno ? errno : EIO, source);
    AtomicFileWriter writer(target);
    if (const int error = writer.open())
        return error;
    QByteArray chunk(BufferSize, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 got = from.read(chunk.data(), chunk.size());
        if (got < 0)
            return runtimeErrorFromErrno(errno ? errno : EIO, source);
        if (got == 0)
            break;
        if (!writer.write(QByteArrayView(chunk.constData(), got)))
            break; // the error is kept for commit()
    }
    return writer.commit();
}

} // namespace orvelan
