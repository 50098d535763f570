#include "store/BookLock.h"

#include <QDateTime>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan {

namespace {

using namespace std::chrono_literals;

// A lock file is written right after it is created; one younger than this may still be
// being written by its owner.
constexpr auto WritingGrace = 1s;
constexpr auto RetryInterval = 50ms;

} // namespace

BookLock::BookLock(const BookFolder& folder) : m_path(folder.lockPath()), m_lock(m_path) {
    // A running holder keeps its lock for as long as it runs: age alone never makes it stale.
    m_lock.setStaleLockTime(0);
}

BookLock::~BookLock() {
    if (m_lock.isLocked())
        m_lock.unlock();
}

bool BookLock::removeOwnerlessLock() {
    const QByteArray name = QFile::encodeName(m_path);
    int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT; // gone already: try again
    bool removed = false;
    struct stat opened {};
    struct stat named {};
    // The holder of a lock keeps an exclusive lock on the file; a file nobody holds is stale.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
        const auto age = QDateTime::fromSecsSinceEpoch(named.st_mtim.tv_sec)
                             .msecsTo(QDateTime::currentDateTime());
        if (age >= std::chrono::milliseconds(WritingGrace).count() || age < -1000)
            removed = ::unlink(name.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

BookLock::Result BookLock::take(std::chrono::milliseconds wait) {
    const auto start = std::chrono::steady_clock::now();
    // An empty lock file being written right now is given its grace even when no wait is asked.
    const auto deadline = start + std::max<std::chrono::milliseconds>(wait, 2 * WritingGrace);
    const auto commandDeadline = start + wait;
    for (;;) {
        if (m_lock.tryLock(0))
            return Result::Taken;
        if (m_lock.error() != QLockFile::LockFailedError)
            return Result::Unavailable;
        qint64 pid = 0;
        QString host;
        QString program;
        Result held = Result::HeldByCommand;
        if (!m_lock.getLockInfo(&pid, &host, &program)) {
            // No valid owner written: a crash between creating the file and writing it, or an
            // owner writing it at this moment.
            if (removeOwnerlessLock())
                continue;
            if (std::chrono::steady_clock::now() >= deadline)
                return held;
        } else {
            // QLockFile has already taken over a lock whose process is gone.
            if (program == QLatin1StringView(WindowProgram))
                return Result::HeldByWindow;
            if (std::chrono::steady_clock::now() >= commandDeadline)
                return held;
        }
        QThread::msleep(static_cast<unsigned long>(RetryInterval.count()));
    }
}

} // namespace orvelan
