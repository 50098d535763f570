#include "store/TabFile.h"

#include "store/PageRecord.h"
#include "store/RuntimeError.h"

#include "store/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvelan {

namespace {

constexpr qint64 ScanChunkPages = 512;
// Sealed files are read in chunks big enough to share their opening between two threads.
constexpr qint64 SealedScanChunkPages = 1024;
constexpr qint64 ParallelOpenPages = 256;
// Plain files are read through a read-only mapping of this many bytes at a time: the records are
// visited where the page cache holds them, never copied, and what stays resident is one window.
constexpr qint64 MappedWindowBytes = qint64(2) << 20;

int openError(const QString& path) {
    if (QFileInfo(path).isDir())
        return RuntimeError::PathFileAccessError; // a folder where the tab file should be
    return runtimeErrorFromErrno(errno, path);
}

// The note beside a file that a write which makes it longer leaves while it runs.
QString appendNotePath(const QString& path) {
    return path + QLatin1StringView(AppendNoteSuffix);
}

// Writes `bytes` (records of `recordSize` bytes) at `offset` (-1: at the end) of the file; a
// write that fails part way is cut back to the old length, so no part record is left behind. A
// kill can still cut a write between two of the file's pages: a write that makes the file longer
// notes where it starts beside the file while it runs, for cutInterruptedAppend().
int writeAt(const QString& path, qint64 offset, QByteArrayView bytes, qint64 recordSize) {
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, PrivateFileMode);
    if (fd < 0)
        return runtimeErrorFromErrno(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        ::close(fd);
        return runtimeErrorFromErrno(error ? error : EIO, path);
    }
    const off_t oldSize = info.st_size;
    off_t at = offset < 0 ? oldSize : offset;
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    int error = 0;
    // An import's ".ra_" work files are started again by the next import: they need no note.
    const bool noted = at + left > oldSize && !path.endsWith(u".ra_");
    const QByteArray note = noted ? QFile::encodeName(appendNotePath(path)) : QByteArray();
    if (!note.isEmpty()) {
        // Not flushed: it is there for a kill, which leaves the page cache to the system.
        const QByteArray text = QByteArray::number(qint64(at)) + ' ' +
                                QByteArray::number(qint64(oldSize)) + ' ' +
                                QByteArray::number(recordSize) + '\n';
        const int noteFd =
            ::open(note.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                   PrivateFileMode);
        if (noteFd >= 0) {
            (void)!::write(noteFd, text.constData(), static_cast<size_t>(text.size()));
            ::close(noteFd);
        }
    }
    while (left > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<size_t>(left), at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = runtimeErrorFromErrno(written == 0 ? ENOSPC : errno, path);
            break;
        }
        data += written;
        left -= written;
        at += written;
    }
    if (error && ::fstat(fd, &info) == 0 && info.st_size > oldSize)
        (void)!::ftruncate(fd, oldSize);
    ::close(fd);
    if (!note.isEmpty())
        ::unlink(note.constData());
    return error;
}

// The records of one chunk of a sealed file, opened into one buffer that is reused from chunk
// to chunk. Opening (authenticating and deciphering) is what reading a sealed file costs, so a
// big chunk is opened by two threads at once, each on its own half; the records are then visited
// in order on the calling thread.
struct SealedChunk {
    QByteArray plain;
    std::vector<char> authentic;

    QByteArrayView record(qint64 i) const {
        return QByteArrayView(plain.constData() + i * RecordSize, RecordSize);
    }

    void open(const RecordSealer& sealer, int tab, qint64 firstPage, const QByteArray& stored,
              qint64 pages) {
        plain.resize(pages * RecordSize);
        authentic.assign(std::size_t(pages), 0);
        const auto openRange = [&](qint64 from, qint64 to) {
            for (qint64 i = from; i < to; ++i) {
                const QByteArrayView sealed(stored.constData() + i * RecordSealer::SealedRecordSize,
                                            RecordSealer::SealedRecordSize);
                authentic[std::size_t(i)] =
                    sealer.openRecord(tab, firstPage + i, sealed, plain.data() + i * RecordSize);
            }
        };
        if (pages < ParallelOpenPages) {
            openRange(0, pages);
            return;
        }
        const qint64 half = pages / 2;
        std::thread helper;
        try {
            helper = std::thread(openRange, half, pages);
        } catch (const std::system_error&) {
            openRange(half, pages); // no thread to be had: this one opens both halves
        }
        openRange(0, half);
        if (helper.joinable())
            helper.join();
    }
};

} // namespace

TabFile::TabFile(QString path, int tab, const BookSealing& sealing)
    : m_path(std::move(path)), m_tab(tab), m_locked(sealing.state() == BookSealing::State::Locked),
      m_sealer(sealing.sealer()) {}

qint64 TabFile::storedRecordSize() const {
    return sealed() ? RecordSealer::SealedRecordSize : RecordSize;
}

bool TabFile::Read::damaged() const {
    return error == RuntimeError::PageDamaged;
}

std::optional<qint64> TabFile::pageCount() const {
    const QFileInfo info(m_path);
    if (!info.isFile())
        return std::nullopt;
    return info.size() / storedRecordSize();
}

TabFile::Read TabFile::readPage(qint64 page) const {
    return Reader(*this).readPage(page);
}

TabFile::Read TabFile::Reader::readPage(qint64 page) {
    Read result;
    if (page < 1) {
        result.error = RuntimeError::BadRecordNumber;
        return result;
    }
    if (m_file.m_locked) {
        result.error = RuntimeError::BookLocked;
        return result;
    }
    if (!m_open && !m_openError) {
        auto file = std::make_unique<QFile>(m_file.m_path);
        errno = 0;
        if (file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            m_open = std::move(file);
        else
            m_openError = openError(m_file.m_path);
    }
    if (m_openError) {
        result.error = m_openError;
        return result;
    }
    const qint64 size = m_file.storedRecordSize();
    const qint64 offset = (page - 1) * size;
    // The length is asked again only for a page behind the end last seen.
    if (offset + size > m_length)
        m_length = m_open->size();
    if (offset + size > m_length)
        return result; // beyond the last whole page: nothing to show
    QByteArray stored(size, Qt::Uninitialized);
    errno = 0;
    ssize_t got = 0;
    do
        got = ::pread(m_open->handle(), stored.data(), std::size_t(size), off_t(offset));
    while (got < 0 && errno == EINTR);
    if (got != size) {
        result.error = runtimeErrorFromErrno(errno ? errno : EIO, m_file.m_path);
        return result;
    }
    if (!m_file.m_sealer) {
        result.record = std::move(stored);
        return result;
    }
    QByteArray record(RecordSize, Qt::Uninitialized);
    if (!m_file.m_sealer->openRecord(m_file.m_tab, page, stored, record.data()))
        result.error = RuntimeError::PageDamaged;
    else
        result.record = std::move(record);
    return result;
}

QByteArray TabFile::storedForm(qint64 firstPage, QByteArrayView records) const {
    if (m_locked)
        return {};
    if (!m_sealer)
        return records.toByteArray();
    const qint64 count = records.size() / RecordSize;
    QByteArray sealed(count * RecordSealer::SealedRecordSize, Qt::Uninitialized);
    for (qint64 i = 0; i < count; ++i)
        m_sealer->sealRecord(m_tab, firstPage + i, records.sliced(i * RecordSize, RecordSize),
                             sealed.data() + i * RecordSealer::SealedRecordSize);
    return sealed;
}

int TabFile::writeRecords(qint64 page, QByteArrayView records) const {
    if (m_locked)
        return RuntimeError::BookLocked;
    return writeAt(m_path, (page - 1) * storedRecordSize(), storedForm(page, records),
                   storedRecordSize());
}

int TabFile::writePage(qint64 page, QByteArrayView record) const {
    if (record.size() != RecordSize)
        return RuntimeError::BadRecordNumber;
    return writePages(page, record);
}

int TabFile::writePages(qint64 firstPage, QByteArrayView records) const {
    if (firstPage < 1 || records.isEmpty() || records.size() % RecordSize != 0)
        return RuntimeError::BadRecordNumber;
    // Behind the end plus one, the records skipped would read back as pages of zero bytes.
    if (firstPage - 1 > QFileInfo(m_path).size() / storedRecordSize())
        return RuntimeError::BadRecordNumber;
    return writeRecords(firstPage, records);
}

int TabFile::appendPages(QByteArrayView records) const {
    if (records.size() % RecordSize != 0)
        return RuntimeError::BadRecordLength;
    if (records.isEmpty())
        return 0;
    if (!sealed())
        return writeAt(m_path, -1, records, RecordSize);
    // Sealed records are bound to their numbers: they go behind the last whole record.
    return writeRecords(pageCount().value_or(0) + 1, records);
}

namespace {

// Reading a mapped page that another program cut from the file raises SIGBUS. The only reads of
// a mapping are the copies scanMapped() makes, which jump back to it instead; a SIGBUS raised
// anywhere else goes on to the handler that was there before.
thread_local sigjmp_buf* volatile t_mappedCopy = nullptr;
struct sigaction s_busBefore {};

void onBusError(int signal, siginfo_t* info, void* context) {
    if (t_mappedCopy)
        siglongjmp(*t_mappedCopy, 1);
    if (s_busBefore.sa_flags & SA_SIGINFO) {
        s_busBefore.sa_sigaction(signal, info, context);
    } else if (s_busBefore.sa_handler != SIG_DFL && s_busBefore.sa_handler != SIG_IGN) {
        s_busBefore.sa_handler(signal);
    } else {
        ::sigaction(SIGBUS, &s_busBefore, nullptr);
        ::raise(SIGBUS);
    }
}

void catchBusErrors() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &s_busBefore);
    });
}

// An open file descriptor, closed on every way out of the scope that holds it.
class OpenFile {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// A read-only mapping of `length` bytes of a file from `start`, unmapped on every way out of
// the scope that holds it (a visitor that throws included).
class MappedWindow {
public:
    MappedWindow(int fd, qint64 start, qint64 length)
        : m_length(static_cast<size_t>(length)),
          m_at(::mmap(nullptr, m_length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd,
                      static_cast<off_t>(start))) {}
    ~MappedWindow() {
        if (m_at != MAP_FAILED)
            ::munmap(m_at, m_length);
    }
    MappedWindow(const MappedWindow&) = delete;
    MappedWindow& operator=(const MappedWindow&) = delete;
    bool mapped() const { return m_at != MAP_FAILED; }
    const char* bytes() const { return static_cast<const char*>(m_at); }

private:
    size_t m_length;
    void* m_at;
};

// Visits the whole records of a plain tab file through read-only mappings of a window at a time.
// Each record is copied out of the mapping before it is visited (the copy lands in a buffer that
// stays in the processor's cache, so it costs little beside reading the file at all): a file
// that another program cuts short while it is read ends the scan with an error, not the program.
// The records start at byte `offset`. Returns -1 when the file cannot be mapped (the caller reads
// it instead).
int scanMapped(int fd, const QString& path, qint64 offset, qint64 count,
               const std::function<bool(qint64, QByteArrayView)>& visit) {
    static const qint64 systemPage = ::sysconf(_SC_PAGESIZE);
    catchBusErrors();
    char record[RecordSize];
    qint64 page = 1;
    while (page <= count) {
        const qint64 first = offset + (page - 1) * RecordSize;
        const qint64 start = first - first % systemPage;
        const qint64 pages =
            std::min(count - page + 1, std::max<qint64>(1, MappedWindowBytes / RecordSize));
        const qint64 length = first - start + pages * RecordSize;
        const MappedWindow window(fd, start, length);
        if (!window.mapped())
            return page == 1 ? -1 : runtimeErrorFromErrno(errno, path);
        const char* records = window.bytes() + (first - start);
        // The landing of a copy that met a part cut from the file. Only the copy itself runs
        // between the jump and here, and `window` is not changed after this point.
        sigjmp_buf landing;
        if (sigsetjmp(landing, 0) != 0) {
            t_mappedCopy = nullptr;
            return runtimeErrorFromErrno(EIO, path); // cut short while it was read
        }
        bool more = true;
        for (qint64 i = 0; i < pages && more; ++i, ++page) {
            if (i + 4 < pages) {
                const char* ahead = records + (i + 4) * RecordSize;
                for (int line = 0; line < RecordSize; line += 64)
                    __builtin_prefetch(ahead + line);
            }
            // The fences keep the copy between the two stores, which the handler reads.
            t_mappedCopy = &landing;
            std::atomic_signal_fence(std::memory_order_seq_cst);
            std::memcpy(record, records + i * RecordSize, RecordSize);
            std::atomic_signal_fence(std::memory_order_seq_cst);
            t_mappedCopy = nullptr;
            more = visit(page, QByteArrayView(record, RecordSize));
        }
        if (!more)
            return 0;
    }
    return 0;
}

} // namespace

int TabFile::scan(const std::function<bool(qint64, QByteArrayView)>& visit,
                  const std::function<void(qint64)>& damaged) const {
    if (m_locked)
        return RuntimeError::BookLocked;
    if (!m_sealer) {
        const OpenFile file(::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC));
        if (file.fd() < 0)
            return openError(m_path);
        struct stat info {};
        int result = -1;
        if (::fstat(file.fd(), &info) == 0 && S_ISREG(info.st_mode))
            result = info.st_size < RecordSize
                         ? 0
                         : scanMapped(file.fd(), m_path, 0, info.st_size / RecordSize, visit);
        if (result >= 0)
            return result;
    }
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return openError(m_path);
    const qint64 size = storedRecordSize();
    const qint64 count = file.size() / size;
    QByteArray chunk;
    SealedChunk opened;
    qint64 page = 1;
    while (page <= count) {
        const qint64 pages =
            std::min(m_sealer ? SealedScanChunkPages : ScanChunkPages, count - page + 1);
        chunk.resize(pages * size);
        errno = 0;
        if (file.read(chunk.data(), chunk.size()) != chunk.size())
            return runtimeErrorFromErrno(errno ? errno : EIO, m_path);
        if (m_sealer)
            opened.open(*m_sealer, m_tab, page, chunk, pages);
        for (qint64 i = 0; i < pages; ++i, ++page) {
            if (!m_sealer) {
                if (!visit(page, QByteArrayView(chunk.constData() + i * size, size)))
                    return 0;
            } else if (!opened.authentic[std::size_t(i)]) {
                if (damaged)
                    damaged(page);
            } else if (!visit(page, opened.record(i))) {
                return 0;
            }
        }
    }
    return 0;
}

int scanRecordsAt(const QString& path, qint64 offset, qint64 count,
                  const std::function<bool(qint64, QByteArrayView)>& visit) {
    if (count <= 0)
        return 0;
    const OpenFile file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    if (file.fd() < 0)
        return openError(path);
    const int mapped = scanMapped(file.fd(), path, offset, count, visit);
    if (mapped >= 0)
        return mapped;
    // No mapping to be had: the records are read a chunk at a time instead.
    QByteArray chunk;
    qint64 page = 1;
    while (page <= count) {
        const qint64 pages = std::min(ScanChunkPages, count - page + 1);
        chunk.resize(pages * RecordSize);
        qint64 got = 0;
        while (got < chunk.size()) {
            const ssize_t n =
                ::pread(file.fd(), chunk.data() + got, std::size_t(chunk.size() - got),
                        off_t(offset + (page - 1) * RecordSize + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return runtimeErrorFromErrno(n == 0 ? EIO : errno,
                                             path); // cut short, or unreadable
            got += n;
        }
        for (qint64 i = 0; i < pages; ++i, ++page) {
            if (!visit(page, QByteArrayView(chunk.constData() + i * RecordSize, RecordSize)))
                return 0;
        }
    }
    return 0;
}

int TabFile::findFirstBlank(qint64& slot, qint64& count) const {
    slot = 0;
    count = pageCount().value_or(0);
    return scan([&](qint64 page, QByteArrayView record) {
        if (isBlankStored(record)) {
            slot = page;
            return false;
        }
        return true;
    });
}

bool cutInterruptedAppend(const QString& notePath) {
    QFile note(notePath);
    const QList<QByteArray> noted =
        note.open(QIODevice::ReadOnly) ? note.read(64).trimmed().split(' ') : QList<QByteArray>();
    note.close();
    // Where the write started, the file's length before it, the size of its records.
    bool read[3] = {};
    qint64 value[3] = {};
    for (int i = 0; i < 3 && noted.size() == 3; ++i)
        value[i] = noted[i].toLongLong(&read[i]);
    const auto [start, oldLength, recordSize] = value;
    const QString path = notePath.chopped(qsizetype(sizeof(AppendNoteSuffix) - 1));
    const QFileInfo file(path);
    bool cut = false;
    // Only a file the write made longer is cut, and only past the last whole record the write
    // wrote from its start: everything there is the write's own, and what is cut is the part of
    // the record it was writing.
    if (read[0] && read[1] && read[2] && start >= 0 && start <= oldLength && recordSize > 0 &&
        file.isFile() && !file.isSymLink() && file.size() > oldLength) {
        const qint64 whole = start + (file.size() - start) / recordSize * recordSize;
        cut = whole < file.size() && ::truncate(QFile::encodeName(path).constData(), whole) == 0;
    }
    QFile::remove(notePath);
    return cut;
}

} // namespace orvelan
