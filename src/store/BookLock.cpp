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

constexpr auto RetryInterval = 50ms;

// The running holder of a lock keeps an exclusive lock on its file from the moment it creates
// it: a file that can be locked here has no running holder.
enum class Holder { Running, None, Gone };

Holder holderOf(const QByteArray& name, dev_t& device, ino_t& inode) {
    struct stat named {};
    if (::lstat(name.constData(), &named) != 0)
        return errno == ENOENT ? Holder::Gone : Holder::Running;
    device = named.st_dev;
    inode = named.st_ino;
    if (!S_ISREG(named.st_mode))
        return Holder::None; // a folder, a link, a pipe: nothing of ours
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Holder::Gone : Holder::Running;
    struct stat opened {};
    Holder holder = Holder::Running;
    if (::fstat(fd, &opened) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        holder = Holder::None;
    ::close(fd);
    return holder;
}

// Takes the thing named `name` out of the way: a file or link is removed (never what a link
// points to); a folder is removed when empty, otherwise moved aside whole, so nothing in it is
// lost.
bool clearAway(const QByteArray& name) {
    struct stat named {};
    if (::lstat(name.constData(), &named) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(named.st_mode))
        return ::unlink(name.constData()) == 0 || errno == ENOENT;
    if (::rmdir(name.constData()) == 0)
        return true;
    const QByteArray aside =
        name + ".moved-" + QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    return ::rename(name.constData(), aside.constData()) == 0;
}

} // namespace

BookLock::BookLock(const BookFolder& folder) : m_path(folder.lockPath()), m_lock(m_path) {
    // A running holder keeps its lock for as long as it runs: age alone never makes it stale.
    m_lock.setStaleLockTime(0);
}

BookLock::~BookLock() {
    if (m_lock.isLocked())
        m_lock.unlock();
}

bool BookLock::removeUnheldLock() {
    const QByteArray name = QFile::encodeName(m_path);
    dev_t device = 0;
    ino_t inode = 0;
    switch (holderOf(name, device, inode)) {
    case Holder::Gone:
        return true; // try again
    case Holder::Running:
        m_unheldSeen.reset();
        return false;
    case Holder::None:
        break;
    }
    // A holder opens its file and locks it a moment later: the same unheld file seen twice, a
    // retry apart, is left over, whatever its date, kind or content.
    const std::pair<quint64, quint64> seen{quint64(device), quint64(inode)};
    if (m_unheldSeen != seen) {
        m_unheldSeen = seen;
        return false;
    }
    m_unheldSeen.reset();
    return clearAway(name);
}

BookLock::Result BookLock::take(std::chrono::milliseconds wait) {
    const auto start = std::chrono::steady_clock::now();
    m_unheldSeen.reset();
    const QByteArray name = QFile::encodeName(m_path);
    for (;;) {
        // A running holder's lock is a regular file: anything else at its name (a folder, a
        // link, a pipe, which QLockFile would even wait on) is cleared away before trying.
        struct stat named {};
        if (::lstat(name.constData(), &named) == 0 && !S_ISREG(named.st_mode) && !clearAway(name))
            return Result::Unavailable;
        if (m_lock.tryLock(0))
            return Result::Taken;
        if (m_lock.error() != QLockFile::LockFailedError)
            return Result::Unavailable;
        // QLockFile has already taken over a lock whose process is gone; a lock nobody holds
        // is taken over here, whatever it is.
        const bool unheld = removeUnheldLock();
        if (unheld)
            continue;
        qint64 pid = 0;
        QString host;
        QString program;
        if (!m_unheldSeen && m_lock.getLockInfo(&pid, &host, &program) &&
            program == QLatin1StringView(WindowProgram))
            return Result::HeldByWindow;
        if (!m_unheldSeen && std::chrono::steady_clock::now() - start >= wait)
            return Result::HeldByCommand;
        QThread::msleep(static_cast<unsigned long>(RetryInterval.count()));
    }
}

} // namespace orvelan
