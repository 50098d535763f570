#pragma once

#include <QByteArray>
#include <QString>

#include <sys/resource.h>

namespace orvelan::test {

// While it lives, no file of this process may grow beyond `bytes`: writes past the limit fail
// with EFBIG, as they do under `ulimit -f`, and SIGXFSZ is ignored as the programs ignore it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Holds a book lock as the address book window does: the lock file names the window program,
// and the file is locked for as long as this object lives.
class WindowLockHolder {
public:
    explicit WindowLockHolder(const QString& lockPath);
    ~WindowLockHolder();
    WindowLockHolder(const WindowLockHolder&) = delete;
    WindowLockHolder& operator=(const WindowLockHolder&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    QByteArray m_path;
    int m_fd = -1;
};

// The mode bits (07777) of a file or folder; -1 when it is missing.
int modeOf(const QString& path);

// The names of the temporaries of interrupted writes in a folder.
QStringList temporariesIn(const QString& folder);

} // namespace orvelan::test
