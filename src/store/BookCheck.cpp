#include "store/BookCheck.h"

#include "store/StoreMessages.h"

#include "store/AtomicFile.h"
#include "store/PageEncoding.h"
#include "store/PageRecord.h"
#include "store/PrivateFiles.h"
#include "store/RuntimeError.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QUtf8StringView>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvelan {

namespace {

constexpr qint64 ChunkPages = 512;

QString tabName(int tab) {
    return QStringLiteral("tab %1").arg(tabCaption(tab));
}

bool isControl(uchar c, bool notes) {
    if (c == '\t')
        return false;
    if (notes && (c == '\r' || c == '\n'))
        return false;
    return c < 0x20 || c == 0x7f;
}

// A field of a Windows-1252 page whose every byte above ASCII belongs to a well-formed UTF-8
// sequence: UTF-8 text whose page lost its mark. Real Windows-1252 text almost never forms
// such sequences ("Zoë" is 5A 6F EB, and EB must be followed by two continuation bytes).
bool looksLikeUtf8(QByteArrayView field) {
    bool high = false;
    for (const char c : field) {
        if (static_cast<uchar>(c) >= 0x80) {
            high = true;
            break;
        }
    }
    return high && QUtf8StringView(field.data(), field.size()).isValidUtf8();
}

// A field of a Windows-1252 page that is a whole SCSU stream with SCSU's tags in it (bytes below
// 0x20 that Windows-1252 text never holds) and characters beyond ASCII: SCSU text whose page
// lost its mark.
bool looksLikeScsu(QByteArrayView field) {
    const bool tagged = std::any_of(field.begin(), field.end(), [](char c) {
        return static_cast<uchar>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    if (!tagged)
        return false;
    const QString text = decodeText(field, TextEncoding::Scsu);
    if (text.contains(QChar::ReplacementCharacter) ||
        std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; }))
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n';
    });
}

QString reasonForFields(const PlainRecord& plain) {
    const TextEncoding encoding = plain.encoding();
    for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::Notes); ++f) {
        const Field field = static_cast<Field>(f);
        const QByteArrayView bytes = plain.field(field);
        const QLatin1StringView name(specOf(field).name); // made into text only for a reason
        if (encoding == TextEncoding::Scsu) {
            // The stream's tags are bytes below 0x20: its characters are checked once decoded.
            const QString text = decodeText(bytes, encoding);
            if (text.contains(QChar::ReplacementCharacter))
                return QStringLiteral("its %1 is not valid SCSU (a damaged mark or record)")
                    .arg(name);
            for (const QChar c : text) {
                if (c.unicode() < 0x80 && isControl(uchar(c.unicode()), field == Field::Notes))
                    return QStringLiteral("its %1 holds control characters (the record is damaged)")
                        .arg(name);
            }
            continue;
        }
        // Text of printable ASCII alone (most fields) holds nothing to look at closer.
        const bool notes = field == Field::Notes;
        if (std::all_of(bytes.begin(), bytes.end(), [notes](char c) {
                const auto u = static_cast<uchar>(c);
                return u < 0x80 && !isControl(u, notes);
            }))
            continue;
        if (encoding == TextEncoding::Windows1252 && looksLikeScsu(bytes))
            return QStringLiteral("its %1 is SCSU in a page marked Windows-1252 (its mark is "
                                  "damaged; it would read as \"%2\")")
                .arg(name, decodeText(bytes, TextEncoding::Scsu).left(24));
        for (const char c : bytes) {
            if (isControl(static_cast<uchar>(c), field == Field::Notes))
                return QStringLiteral("its %1 holds control characters (the record is damaged)")
                    .arg(name);
        }
        if (encoding == TextEncoding::Utf8) {
            if (!QUtf8StringView(bytes.data(), bytes.size()).isValidUtf8())
                return QStringLiteral("its %1 is not valid UTF-8 (a damaged mark or record)")
                    .arg(name);
        } else if (looksLikeUtf8(bytes)) {
            return QStringLiteral("its %1 is UTF-8 in a page marked Windows-1252 (its mark is "
                                  "damaged; it would read as \"%2\")")
                .arg(name, decodeText(bytes, encoding).left(24));
        }
    }
    return {};
}

struct FileState {
    int error = 0; // 0, or a problem kind found for the whole file
    BookProblem::Kind kind = BookProblem::Kind::MissingFile;
    QString detail;
    qint64 size = 0;
};

FileState examine(const QString& path) {
    FileState state;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        state.error = errno;
        state.kind =
            errno == ENOENT ? BookProblem::Kind::MissingFile : BookProblem::Kind::Unreadable;
        state.detail = describeRuntimeError(runtimeErrorFromErrno(errno, path));
        return state;
    }
    if (S_ISLNK(info.st_mode)) {
        state.error = ELOOP;
        state.kind = BookProblem::Kind::Link;
        return state;
    }
    if (!S_ISREG(info.st_mode)) {
        state.error = EISDIR;
        state.kind = BookProblem::Kind::NotAFile;
        return state;
    }
    state.size = info.st_size;
    return state;
}

} // namespace

QString BookProblem::describe() const {
    const QString where = QStringLiteral("%1 (%2)").arg(path, tabName(tab));
    switch (kind) {
    case Kind::MissingFile:
        return QStringLiteral("The tab file %1 is missing.").arg(where);
    case Kind::Link:
        return QStringLiteral("%1 is a link, not the tab file; links are never followed.")
            .arg(where);
    case Kind::NotAFile:
        return QStringLiteral("%1 is a folder or a device, not the tab file.").arg(where);
    case Kind::Unreadable:
        return QStringLiteral("%1 cannot be read: %2").arg(where, detail);
    case Kind::PartialRecord:
        return QStringLiteral("%1 ends in part of a page: it is %2 bytes, %3 whole pages and %4 "
                              "bytes of page %5.")
            .arg(where)
            .arg(size)
            .arg(size / RecordSize)
            .arg(size % RecordSize)
            .arg(page);
    case Kind::DamagedPage:
        return damagedPageText(tab, page) +
               QStringLiteral(" (%1 fails its authentication).").arg(path);
    case Kind::UndecodablePage:
        return QStringLiteral("Page %1 of %2 (%3) does not decode: %4.")
            .arg(page)
            .arg(tabName(tab), path, detail);
    case Kind::DuplicateIdentity:
        return QStringLiteral("Page %1 of %2 and page %3 of %4 carry the same sync identity %5 "
                              "(a copied record).")
            .arg(otherPage)
            .arg(tabName(otherTab))
            .arg(page)
            .arg(tabName(tab), detail);
    }
    return {};
}

bool BookCheckResult::stopsSync() const {
    for (const BookProblem& problem : problems) {
        if (problem.stopsSync())
            return true;
    }
    return false;
}

QString undecodableReason(QByteArrayView storedRecord) {
    if (isBlankStored(storedRecord))
        return {};
    return undecodableReason(storedRecord, PlainRecord(storedRecord));
}

QString undecodableReason(QByteArrayView storedRecord, const PlainRecord& plain) {
    if (isBlankStored(storedRecord))
        return {};
    const QByteArrayView reserved =
        storedRecord.sliced(specOf(Field::Reserved).offset, ReservedWidth);
    if (!isKnownReserved(reserved))
        return QStringLiteral("its Reserved field holds an unknown mark (%1)")
            .arg(QString::fromLatin1(reserved.toByteArray().toHex(' ')));
    return reasonForFields(plain);
}

BookCheckResult checkBook(const BookFolder& folder) {
    BookCheckResult result;
    struct Place {
        int tab;
        qint64 page;
    };
    QHash<PageId, Place> identities;
    QByteArray chunk;
    for (int tab = 0; tab < TabCount; ++tab) {
        const QString path = folder.tabFilePath(tab);
        const FileState state = examine(path);
        BookProblem problem;
        problem.tab = tab;
        problem.path = path;
        if (state.error) {
            problem.kind = state.kind;
            problem.detail = state.detail;
            result.problems.append(problem);
            continue;
        }
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            problem.kind = BookProblem::Kind::Unreadable;
            problem.detail = describeRuntimeError(runtimeErrorFromErrno(errno, path));
            result.problems.append(problem);
            continue;
        }
        // An encrypted book's records are sealed: each is opened before it is looked at.
        const TabFile sealedFile = folder.tabFile(tab);
        const auto sealer = folder.sealing().sealer();
        const qint64 storedSize = sealedFile.storedRecordSize();
        QByteArray opened(RecordSize, Qt::Uninitialized);
        const qint64 count = state.size / storedSize;
        qint64 page = 1;
        bool readFailed = false;
        if (folder.sealing().state() == BookSealing::State::Locked) {
            problem.kind = BookProblem::Kind::Unreadable;
            problem.detail = describeRuntimeError(RuntimeError::BookLocked);
            result.problems.append(problem);
            readFailed = true;
            page = count + 1;
        }
        while (page <= count) {
            const qint64 pages = std::min(ChunkPages, count - page + 1);
            chunk.resize(pages * storedSize);
            qint64 got = 0;
            while (got < chunk.size()) {
                const ssize_t n = ::pread(fd, chunk.data() + got, size_t(chunk.size() - got),
                                          off_t((page - 1) * storedSize + got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                got += n;
            }
            if (got != chunk.size()) {
                problem.kind = BookProblem::Kind::Unreadable;
                problem.detail =
                    describeRuntimeError(runtimeErrorFromErrno(errno ? errno : EIO, path));
                result.problems.append(problem);
                readFailed = true;
                break;
            }
            for (qint64 i = 0; i < pages; ++i, ++page) {
                QByteArrayView record(chunk.constData() + i * storedSize, storedSize);
                ++result.pages;
                if (sealer) {
                    if (!sealer->openRecord(tab, page, record, opened.data())) {
                        BookProblem damaged = problem;
                        damaged.kind = BookProblem::Kind::DamagedPage;
                        damaged.page = page;
                        result.problems.append(damaged);
                        continue;
                    }
                    record = opened;
                }
                if (isBlankStored(record))
                    continue;
                const QString reason = undecodableReason(record);
                if (!reason.isEmpty()) {
                    BookProblem damaged = problem;
                    damaged.kind = BookProblem::Kind::UndecodablePage;
                    damaged.page = page;
                    damaged.detail = reason;
                    result.problems.append(damaged);
                    continue;
                }
                const PageId id = pageIdOf(record);
                if (id.isNull())
                    continue;
                const auto known = identities.constFind(id);
                if (known == identities.cend()) {
                    identities.insert(id, {tab, page});
                    continue;
                }
                BookProblem copy = problem;
                copy.kind = BookProblem::Kind::DuplicateIdentity;
                copy.page = page;
                copy.otherTab = known->tab;
                copy.otherPage = known->page;
                copy.detail = id.toString();
                result.problems.append(copy);
            }
        }
        ::close(fd);
        if (!readFailed && state.size % storedSize != 0) {
            problem.kind = BookProblem::Kind::PartialRecord;
            problem.page = count + 1;
            problem.size = state.size;
            result.problems.append(problem);
        }
    }
    return result;
}

QString syncStopMessage(const BookCheckResult& result) {
    QStringList lines;
    lines << QStringLiteral("The sync stopped before changing anything on either side: the book "
                            "has pages it cannot vouch for.");
    for (const BookProblem& problem : result.problems) {
        if (problem.stopsSync())
            lines << problem.describe();
    }
    lines << QStringLiteral("Put the damaged files back from a backup, or run 'orvelan-book "
                            "check --repair' to set the damaged records aside in Reserve/damaged/; "
                            "then sync again.");
    return lines.join(u'\n');
}

namespace {

QString damagedDir(const BookFolder& folder) {
    return folder.reserveDir() + QStringLiteral("/damaged");
}

int setAside(const BookFolder& folder, const QString& name, QByteArrayView bytes) {
    if (!makePrivateFolder(damagedDir(folder)))
        return RuntimeError::PathNotFound;
    return replaceFileAtomically(damagedDir(folder) + u'/' + name, bytes);
}

// The identity a damaged Reserved field still holds: its tag and six identity bytes, whatever
// its encoding flag became.
PageId identityIn(QByteArrayView reserved) {
    if (reserved[0] != PageId::Tag)
        return {};
    QByteArray probe = reserved.toByteArray();
    probe[1] = PageId::Windows1252Flag;
    return pageIdOfReserved(probe);
}

// The record with its mark set right, or an empty array when the texts do not say for certain
// which encoding they are in: valid UTF-8 with letters beyond ASCII is UTF-8, plain ASCII is
// Windows-1252. The identity the page had stays with it.
QByteArray withMarkSetRight(QByteArrayView storedRecord) {
    const int offset = specOf(Field::Reserved).offset;
    const PageId id = identityIn(storedRecord.sliced(offset, ReservedWidth));
    QByteArray fixed(storedRecord.toByteArray());
    std::memcpy(fixed.data() + offset, Utf8PageMarkerBytes, ReservedWidth);
    const PlainRecord asUtf8(fixed);
    if (!reasonForFields(asUtf8).isEmpty()) {
        // Not UTF-8: an SCSU page whose mark was lost reads whole as SCSU.
        std::memcpy(fixed.data() + offset, ScsuPageMarkerBytes, ReservedWidth);
        bool tagged = false;
        const PlainRecord asScsu(fixed);
        for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::Notes); ++f)
            tagged = tagged || looksLikeScsu(asScsu.field(static_cast<Field>(f)));
        if (!tagged || !reasonForFields(asScsu).isEmpty())
            return {};
        setPageId(fixed, id);
        return fixed;
    }
    bool high = false;
    for (int f = static_cast<int>(Field::Name); f <= static_cast<int>(Field::Notes); ++f) {
        for (const char c : asUtf8.field(static_cast<Field>(f)))
            high = high || static_cast<uchar>(c) >= 0x80;
    }
    if (!high)
        std::memset(fixed.data() + offset, 0, ReservedWidth);
    setPageId(fixed, id);
    return fixed;
}

} // namespace

RepairReport repairBook(const BookFolder& folder, const BookCheckResult& found) {
    RepairReport report;
    for (const BookProblem& problem : found.problems) {
        const QString file = tabFileName(problem.tab);
        switch (problem.kind) {
        case BookProblem::Kind::MissingFile: {
            const QByteArray blank = folder.tabFile(problem.tab).storedForm(1, blankRecord());
            if (blank.isEmpty() || !makePrivateFolder(folder.dataBookDir()) ||
                replaceFileAtomically(problem.path, blank) != 0) {
                report.left << problem.describe();
                break;
            }
            report.done << QStringLiteral("%1: created with one blank page.").arg(problem.path);
            report.lost.append({problem.tab, 0});
            break;
        }
        case BookProblem::Kind::PartialRecord: {
            const qint64 recordSize = folder.tabFile(problem.tab).storedRecordSize();
            const qint64 whole = problem.size / recordSize * recordSize;
            QFile tab(problem.path);
            QByteArray tail;
            if (tab.open(QIODevice::ReadOnly) && tab.seek(whole))
                tail = tab.readAll();
            tab.close();
            const QString aside = QStringLiteral("%1.at-%2").arg(file).arg(whole);
            if (tail.size() != problem.size - whole || setAside(folder, aside, tail) != 0 ||
                ::truncate(QFile::encodeName(problem.path).constData(), whole) != 0) {
                report.left << problem.describe();
                break;
            }
            report.done << QStringLiteral("%1: the %2 bytes after its %3 whole pages are in "
                                          "%4/%5; the file now ends at page %3.")
                               .arg(problem.path)
                               .arg(tail.size())
                               .arg(whole / recordSize)
                               .arg(damagedDir(folder), aside);
            report.lost.append({problem.tab, whole / RecordSize});
            break;
        }
        case BookProblem::Kind::DamagedPage: {
            // The sealed bytes are set aside; the page is never written over.
            QFile tab(problem.path);
            QByteArray sealed;
            const qint64 size = RecordSealer::SealedRecordSize;
            if (tab.open(QIODevice::ReadOnly) && tab.seek((problem.page - 1) * size))
                sealed = tab.read(size);
            const QString aside = QStringLiteral("%1.page-%2").arg(file).arg(problem.page);
            if (sealed.size() != size || setAside(folder, aside, sealed) != 0) {
                report.left << problem.describe();
                break;
            }
            report.left << problem.describe() +
                               QStringLiteral(" Its sealed bytes are in %1/%2; the page stays as "
                                              "it is: put back the tab file from a backup, or "
                                              "delete the page.")
                                   .arg(damagedDir(folder), aside);
            break;
        }
        case BookProblem::Kind::UndecodablePage: {
            if (folder.sealing().encrypted()) {
                // Setting the mark right would write a plain record into a sealed file.
                report.left << problem.describe();
                break;
            }
            QFile tab(problem.path);
            QByteArray record;
            if (tab.open(QIODevice::ReadOnly) && tab.seek((problem.page - 1) * RecordSize))
                record = tab.read(RecordSize);
            tab.close();
            const QString aside = QStringLiteral("%1.page-%2").arg(file).arg(problem.page);
            if (record.size() != RecordSize || setAside(folder, aside, record) != 0) {
                report.left << problem.describe();
                break;
            }
            record = withMarkSetRight(record);
            if (record.isEmpty()) {
                report.left << problem.describe() +
                                   QStringLiteral(" Its bytes are in %1/%2; the page stays as "
                                                  "it is: correct it in the book or delete it.")
                                       .arg(damagedDir(folder), aside);
                break;
            }
            const int fd = ::open(QFile::encodeName(problem.path).constData(),
                                  O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
            const bool written =
                fd >= 0 && ::pwrite(fd, record.constData(), RecordSize,
                                    off_t((problem.page - 1) * RecordSize)) == RecordSize;
            if (fd >= 0)
                ::close(fd);
            if (!written) {
                report.left << problem.describe();
                break;
            }
            report.done << QStringLiteral("Page %1 of tab %2: its encoding mark is set right "
                                          "again; the bytes it had are in %3/%4.")
                               .arg(problem.page)
                               .arg(tabCaption(problem.tab), damagedDir(folder), aside);
            break;
        }
        case BookProblem::Kind::DuplicateIdentity:
            break; // the sync keeps the identity for one page and sends the copy as new
        case BookProblem::Kind::Link:
        case BookProblem::Kind::NotAFile:
        case BookProblem::Kind::Unreadable:
            report.left << problem.describe();
            break;
        }
    }
    return report;
}

} // namespace orvelan
