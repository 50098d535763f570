#include "support/FaultInjection.h"

#include "store/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

WindowLockHolder::WindowLockHolder(const QString& lockPath) : m_path(QFile::encodeName(lockPath)) {
    m_fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    const QByteArray contents = QByteArray::number(::getpid()) + "\norvelan\n" +
                                QSysInfo::machineHostName().toUtf8() + '\n';
    if (::write(m_fd, contents.constData(), contents.size()) != contents.size()) {
        ::close(m_fd);
        m_fd = -1;
    }
}

WindowLockHolder::~WindowLockHolder() {
    if (m_fd >= 0) {
        ::unlink(m_path.constData());
        ::close(m_fd);
    }
}

int modeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

QStringList temporariesIn(const QString& folder) {
    QStringList found;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (isTemporaryFileName(name))
            found << name;
    }
    return found;
}

} // namespace orvelan::test
