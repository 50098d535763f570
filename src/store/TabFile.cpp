#include "store/TabFile.h"

#include "store/PageRecord.h"
#include "store/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace orvelan {

namespace {

constexpr qint64 ScanChunkPages = 512;

int openError(const QString& path) {
    return runtimeErrorFromErrno(errno, path);
}

} // namespace

std::optional<qint64> TabFile::pageCount() const {
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    return file.size() / RecordSize;
}

TabFile::Read TabFile::readPage(qint64 page) const {
    Read result;
    if (page < 1) {
        result.error = RuntimeError::BadRecordNumber;
        return result;
    }
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        result.error = openError(m_path);
        return result;
    }
    const qint64 offset = (page - 1) * RecordSize;
    if (offset + RecordSize > file.size())
        return result; // beyond the last whole page: nothing to show
    QByteArray record(RecordSize, Qt::Uninitialized);
    errno = 0;
    if (!file.seek(offset) || file.read(record.data(), RecordSize) != RecordSize) {
        result.error = runtimeErrorFromErrno(errno ? errno : EIO, m_path);
        return result;
    }
    result.record = std::move(record);
    return result;
}

int TabFile::writePage(qint64 page, QByteArrayView record) const {
    if (page < 1 || record.size() != RecordSize)
        return RuntimeError::BadRecordNumber;
    // Behind the end plus one, the records skipped would read back as pages of zero bytes.
    if (page - 1 > QFileInfo(m_path).size() / RecordSize)
        return RuntimeError::BadRecordNumber;
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return openError(m_path);
    const qint64 oldSize = file.size();
    const qint64 offset = (page - 1) * RecordSize;
    errno = 0;
    bool ok = file.seek(offset) && file.write(record.data(), RecordSize) == RecordSize;
    int error = ok ? 0 : runtimeErrorFromErrno(errno ? errno : EIO, m_path);
    if (ok && !file.flush()) {
        ok = false;
        error = runtimeErrorFromErrno(errno ? errno : EIO, m_path);
    }
    if (!ok && file.size() > oldSize)
        file.resize(oldSize); // never leave a part record behind a good file
    return error;
}

int TabFile::scan(const std::function<bool(qint64, QByteArrayView)>& visit) const {
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return openError(m_path);
    const qint64 count = file.size() / RecordSize;
    QByteArray chunk;
    qint64 page = 1;
    while (page <= count) {
        const qint64 pages = std::min(ScanChunkPages, count - page + 1);
        chunk.resize(pages * RecordSize);
        errno = 0;
        if (file.read(chunk.data(), chunk.size()) != chunk.size())
            return runtimeErrorFromErrno(errno ? errno : EIO, m_path);
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

} // namespace orvelan
