#include "sync/LocalBook.h"

#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace orvelan {

namespace {

QString failure(const QString& what, const QString& path, int error) {
    return QStringLiteral("Cannot %1 %2: %3").arg(what, path, describeRuntimeError(error));
}

PageTexts textsOfStored(QByteArrayView stored) {
    return textsOf(PageRecord::fromStored(stored));
}

} // namespace

QByteArray pageHash(const PageTexts& texts) {
    // The texts in UTF-8, each followed by a unit separator, hashed in one piece.
    QByteArray joined;
    joined.reserve(512);
    for (const QString& text : texts) {
        joined += text.toUtf8();
        joined += '\x1f';
    }
    return QCryptographicHash::hash(joined, QCryptographicHash::Sha256).left(16).toHex();
}

bool LocalBook::snapshot(QList<LocalPage>& pages, QString& error) const {
    pages.clear();
    for (int tab = 0; tab < TabCount; ++tab) {
        const TabFile file = m_folder.tabFile(tab);
        qint64 damaged = 0;
        const int failed = file.scan(
            [&](qint64 page, QByteArrayView stored) {
                if (!isBlankStored(stored))
                    pages.append({pageIdOf(stored), tab, page, pageHash(textsOfStored(stored))});
                return true;
            },
            [&](qint64 page) { damaged = damaged ? damaged : page; });
        // A page that cannot be read must not look deleted to the server: the sync stops.
        if (damaged) {
            error = damagedPageText(tab, damaged) +
                    QStringLiteral("; the sync stops until it is repaired ('orvelan-book check' "
                                   "lists the damaged pages).");
            return false;
        }
        if (failed && failed != RuntimeError::FileNotFound) {
            error = failure(QStringLiteral("read"), file.path(), failed);
            return false;
        }
    }
    return true;
}

bool LocalBook::readPage(int tab, qint64 page, PageTexts& texts, PageId& id, QString& error) const {
    const TabFile file = m_folder.tabFile(tab);
    const TabFile::Read read = file.readPage(page);
    if (read.damaged()) {
        error = damagedPageText(tab, page);
        return false;
    }
    if (read.error || read.record.isEmpty()) {
        error = failure(QStringLiteral("read"), file.path(),
                        read.error ? read.error : RuntimeError::BadRecordNumber);
        return false;
    }
    texts = textsOfStored(read.record);
    id = pageIdOf(read.record);
    return true;
}

bool LocalBook::readStored(int tab, qint64 page, QByteArray& stored, QString& error) const {
    const TabFile file = m_folder.tabFile(tab);
    TabFile::Read read = file.readPage(page);
    if (read.error || read.record.isEmpty()) {
        error = failure(QStringLiteral("read"), file.path(),
                        read.error ? read.error : RuntimeError::BadRecordNumber);
        return false;
    }
    stored = std::move(read.record);
    return true;
}

QByteArray LocalBook::storedPage(qint64 pageNo, const PageTexts& texts, PageId id) const {
    const QDateTime now = m_clock.now();
    PageRecord record;
    record[Field::PageNo] = QByteArray::number(pageNo);
    fillRecord(record, texts);
    record[Field::DateModified] = now.toString(QStringLiteral("dd/MM/yy")).toLatin1();
    record[Field::TimeModified] = now.toString(QStringLiteral("HH:mm")).toLatin1();
    QByteArray stored = record.toStored();
    setPageId(stored, id);
    return stored;
}

bool LocalBook::write(int tab, qint64 page, const QByteArray& record, QString& error) {
    const TabFile file = m_folder.tabFile(tab);
    if (const int failed = file.writePage(page, record)) {
        error = failure(QStringLiteral("write"), file.path(), failed);
        return false;
    }
    m_unflushed.insert(tab);
    return true;
}

bool LocalBook::flush(QString& error) {
    for (auto it = m_unflushed.begin(); it != m_unflushed.end(); it = m_unflushed.erase(it)) {
        const QString path = m_folder.tabFilePath(*it);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            error = failure(QStringLiteral("write"), path, runtimeErrorFromErrno(errno, path));
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        ::close(fd);
    }
    return true;
}

bool LocalBook::writePage(int tab, qint64 page, const PageTexts& texts, PageId id, Placed& placed,
                          QString& error) {
    PageTexts old;
    PageId oldId;
    if (!readPage(tab, page, old, oldId, error))
        return false;
    const int home = tabForName(QStringView(texts[0]));
    if (trimSpaces(QStringView(old[0])) != trimSpaces(QStringView(texts[0])) && home != tab) {
        // Filed under its new tab first, so a failure in between leaves two copies, never none.
        if (!addPage(texts, id, placed, error))
            return false;
        return blankPage(tab, page, error);
    }
    const QByteArray stored = storedPage(page, texts, id);
    if (!write(tab, page, stored, error))
        return false;
    placed = {tab, page, pageHash(textsOfStored(stored))};
    return true;
}

bool LocalBook::addPage(const PageTexts& texts, PageId id, Placed& placed, QString& error) {
    const int tab = tabForName(QStringView(texts[0]));
    const TabFile file = m_folder.tabFile(tab);
    qint64 slot = 0;
    qint64 count = 0;
    if (const int failed = file.findFirstBlank(slot, count);
        failed && failed != RuntimeError::FileNotFound) {
        error = failure(QStringLiteral("read"), file.path(), failed);
        return false;
    }
    const qint64 page = slot > 0 ? slot : count + 1;
    const QByteArray stored = storedPage(page, texts, id);
    if (!write(tab, page, stored, error))
        return false;
    placed = {tab, page, pageHash(textsOfStored(stored))};
    return true;
}

bool LocalBook::blankPage(int tab, qint64 page, QString& error) {
    return write(tab, page, blankRecord(), error);
}

bool LocalBook::setId(int tab, qint64 page, PageId id, QString& error) {
    QByteArray record;
    if (!readStored(tab, page, record, error))
        return false;
    setPageId(record, id);
    return write(tab, page, record, error);
}

} // namespace orvelan
