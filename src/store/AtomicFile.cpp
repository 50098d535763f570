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

constexpr qsizetype BufferSize = 1 << 20;

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
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

int AtomicFileWriter::open() {
    const QByteArray target = QFile::encodeName(m_path);
    m_temporary = target + ".XXXXXX";
    m_fd = ::mkstemp(m_temporary.data());
    if (m_fd < 0) {
        m_temporary.clear();
        fail(errno);
        return m_error;
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat existing {};
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777
                                                                   : 0666 & ~currentUmask();
    ::fchmod(m_fd, mode);
    m_buffer.reserve(BufferSize);
    return 0;
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
    m_buffer.clear();
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

} // namespace orvelan
