#include "exchange/Export.h"

#include "store/AtomicFile.h"
#include "store/RuntimeError.h"
#include "store/StoreMessages.h"

#include "exchange/eab/EabContainer.h"
#include "exchange/vcard/VCardExport.h"
#include "store/PageRecord.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace orvelan {

namespace {

bool unreadable(int error) {
    return error && error != RuntimeError::FileNotFound && error != RuntimeError::PathNotFound;
}

QString cannotRead(const QString& path, int error) {
    return QStringLiteral("Cannot read %1: %2 Nothing was exported.")
        .arg(path, describeRuntimeError(error));
}

} // namespace

QList<ListedRecord> findPages(const BookFolder& folder, const QString& text,
                              const TabProgress& progress, QList<int>* unreadTabs,
                              qint64* damaged) {
    QList<ListedRecord> listed;
    const QString wanted = trimSpaces(QStringView(text)).toString();
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        const int error = folder.tabFile(tab).scan(
            [&](qint64 page, QByteArrayView stored) {
                if (isBlankStored(stored))
                    return true;
                const PlainRecord record(stored);
                if (recordMatches(record, wanted))
                    listed.append({tab, page, listLine(record, tab, page)});
                return true;
            },
            [&](qint64) {
                if (damaged)
                    ++*damaged;
            });
        if (unreadTabs && unreadable(error))
            unreadTabs->append(tab);
        if (progress)
            progress(listed.size());
    }
    return listed;
}

ListedPages::~ListedPages() = default;

QByteArrayView ListedPages::stored(const ListedRecord& entry) {
    if (entry.tab < 0 || entry.tab >= TabCount || entry.record < 1)
        return {};
    const TabFile file = m_folder.tabFile(entry.tab);
    TabFile::Read read = file.readPage(entry.record);
    m_lastDamaged = read.damaged();
    // A missing tab holds no pages; a damaged page is passed over like one no longer there.
    if (read.error && !read.damaged() && read.error != RuntimeError::FileNotFound) {
        if (!m_error) {
            m_error = read.error;
            m_failedPath = file.path();
        }
        return {};
    }
    m_record = std::move(read.record);
    return m_record;
}

std::unique_ptr<ExportWriter> exportWriter(ExportFormat format, ByteSink sink, CsvEncoding encoding,
                                           ExportCounts* counts) {
    if (format == ExportFormat::Eab)
        return std::make_unique<EabExportWriter>(std::move(sink));
    if (format == ExportFormat::VCard30 || format == ExportFormat::VCard40)
        return std::make_unique<VCardExportWriter>(std::move(sink), format == ExportFormat::VCard40
                                                                        ? VCardVersion::V40
                                                                        : VCardVersion::V30);
    return std::make_unique<CsvExportWriter>(std::move(sink), encoding, counts);
}

namespace {

const QString& writeFailed() {
    static const QString text = QStringLiteral("The pages could not be written.");
    return text;
}

} // namespace

ExportResult exportListed(const BookFolder& folder, const QList<ListedRecord>& pages,
                          ExportWriter& writer, const Yield& yield) {
    ExportResult result;
    // The exchange file takes its pages tab by tab: the list is walked once per tab that has
    // any, in list order within the tab.
    ExportWriter::TabCounts counts{};
    for (const ListedRecord& entry : pages) {
        if (entry.tab >= FirstLetterTab && entry.tab <= LastTab)
            ++counts[entry.tab];
    }
    ListedPages source(folder);
    // Pages that are no longer there are left out: count what can be read first when the
    // format's header depends on it.
    if (writer.needsCounts()) {
        counts.fill(0);
        for (const ListedRecord& entry : pages) {
            if (entry.tab >= FirstLetterTab && entry.tab <= LastTab &&
                !source.stored(entry).isEmpty())
                ++counts[entry.tab];
        }
        if (source.error()) {
            result.problem = cannotRead(source.failedPath(), source.error());
            return result;
        }
    }
    if (!writer.begin(counts)) {
        result.problem = writeFailed();
        return result;
    }
    qint64 done = 0;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        if (counts[tab] == 0)
            continue;
        for (const ListedRecord& entry : pages) {
            if (entry.tab != tab)
                continue;
            if (yield && (++done % 256) == 0)
                yield();
            const QByteArrayView stored = source.stored(entry);
            if (source.error()) {
                result.problem = cannotRead(source.failedPath(), source.error());
                return result;
            }
            if (stored.isEmpty()) {
                if (source.lastDamaged())
                    result.damaged.append(damagedPageText(entry.tab, entry.record));
                continue;
            }
            if (!writer.page(tab, entry.record, stored)) {
                result.problem = writeFailed();
                return result;
            }
            ++result.pages;
        }
    }
    if (!writer.finish())
        result.problem = writeFailed();
    return result;
}

ExportResult exportBook(const BookFolder& folder, const QString& text, ExportWriter& writer,
                        const Yield& yield, const std::function<void(int)>& afterTab) {
    ExportResult result;
    const QString wanted = trimSpaces(QStringView(text)).toString();
    const auto matches = [&](QByteArrayView stored) {
        return !isBlankStored(stored) &&
               (wanted.isEmpty() || recordMatches(PlainRecord(stored), wanted));
    };
    ExportWriter::TabCounts counts{};
    if (writer.needsCounts()) {
        for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
            const TabFile file = folder.tabFile(tab);
            const int error = file.scan([&](qint64, QByteArrayView stored) {
                counts[tab] += matches(stored) ? 1 : 0;
                return true;
            });
            if (unreadable(error)) {
                result.problem = cannotRead(file.path(), error);
                return result;
            }
        }
    }
    if (!writer.begin(counts)) {
        result.problem = writeFailed();
        return result;
    }
    qint64 done = 0;
    bool written = true;
    for (int tab = FirstLetterTab; tab <= LastTab && written; ++tab) {
        const TabFile file = folder.tabFile(tab);
        const int error = file.scan(
            [&](qint64 page, QByteArrayView stored) {
                if (yield && (++done % 256) == 0)
                    yield();
                if (!matches(stored))
                    return true;
                written = writer.page(tab, page, stored);
                result.pages += written ? 1 : 0;
                return written;
            },
            [&](qint64 page) { result.damaged.append(damagedPageText(tab, page)); });
        if (unreadable(error)) {
            result.problem = cannotRead(file.path(), error);
            return result;
        }
        if (afterTab)
            afterTab(tab);
    }
    if (!written || !writer.finish())
        result.problem = writer.needsCounts() && written
                             ? QStringLiteral("The book changed while it was exported; run the "
                                              "export again.")
                             : writeFailed();
    return result;
}

namespace {

QByteArray collectExport(ExportFormat format, const BookFolder& folder,
                         const QList<ListedRecord>& pages, const Yield& yield,
                         CsvEncoding encoding = CsvEncoding::Windows1252,
                         ExportCounts* counts = nullptr) {
    QByteArray file;
    const auto writer = exportWriter(
        format,
        [&](QByteArrayView bytes) {
            file += bytes;
            return true;
        },
        encoding, counts);
    exportListed(folder, pages, *writer, yield);
    return file;
}

// Whether `path` names something that is not a regular file (a pipe, a terminal, a device,
// /dev/stdout): such a target is written into as it is, never replaced by a file.
bool streamTarget(const QString& path) {
    struct stat target {};
    return ::stat(QFile::encodeName(path).constData(), &target) == 0 && !S_ISREG(target.st_mode) &&
           !S_ISDIR(target.st_mode);
}

// Runs an export straight into a pipe or a device.
template <typename Run>
ExportResult writeExportStream(const QString& path, ExportFormat format, CsvEncoding encoding,
                               ExportCounts* counts, Run run) {
    ExportResult result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        result.writeError = runtimeErrorFromErrno(errno, path);
        result.problem = describeRuntimeError(result.writeError);
        return result;
    }
    int error = 0;
    const auto writer = exportWriter(
        format,
        [&](QByteArrayView bytes) {
            qsizetype done = 0;
            while (!error && done < bytes.size()) {
                const ssize_t written =
                    ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
                if (written < 0 && errno != EINTR)
                    error = runtimeErrorFromErrno(errno, path);
                else if (written > 0)
                    done += written;
            }
            return !error;
        },
        encoding, counts);
    result = run(*writer);
    if (counts)
        counts->damaged = result.damaged.size();
    ::close(fd);
    if (error) {
        result.writeError = error;
        result.problem = describeRuntimeError(error);
    }
    return result;
}

// Runs an export into a new file that replaces `path` only once it is written whole.
// With `needPages`, an export that finds no page writes nothing.
template <typename Run>
ExportResult writeExportFile(const QString& path, ExportFormat format, bool needPages,
                             CsvEncoding encoding, ExportCounts* counts, Run run) {
    if (streamTarget(path))
        return writeExportStream(path, format, encoding, counts, std::move(run));
    ExportResult result;
    AtomicFileWriter file(path);
    if (const int error = file.open()) {
        result.writeError = error;
        result.problem = describeRuntimeError(error);
        return result;
    }
    const auto writer = exportWriter(
        format, [&](QByteArrayView bytes) { return file.write(bytes); }, encoding, counts);
    result = run(*writer);
    if (counts)
        counts->damaged = result.damaged.size();
    if (!result.ok()) {
        if (file.error()) { // the sink failed: say why
            result.writeError = file.error();
            result.problem = describeRuntimeError(file.error());
        }
        return result; // nothing replaces the old file: the new one is removed with the writer
    }
    if (needPages && result.pages == 0)
        return result;
    if (const int error = file.commit()) {
        result.writeError = error;
        result.problem = describeRuntimeError(error);
    }
    return result;
}

} // namespace

QByteArray buildCsvExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield, CsvEncoding encoding, ExportCounts* counts) {
    return collectExport(ExportFormat::Csv, folder, pages, yield, encoding, counts);
}

QByteArray buildEabExport(const BookFolder& folder, const QList<ListedRecord>& pages,
                          const Yield& yield) {
    return collectExport(ExportFormat::Eab, folder, pages, yield);
}

QString exportToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                     const QList<ListedRecord>& pages, const Yield& yield, CsvEncoding encoding,
                     ExportCounts* counts) {
    return writeExportFile(
               path, format, false, encoding, counts,
               [&](ExportWriter& writer) { return exportListed(folder, pages, writer, yield); })
        .problem;
}

ExportResult exportBookToFile(const QString& path, ExportFormat format, const BookFolder& folder,
                              const QString& text, const std::function<void(int)>& afterTab,
                              CsvEncoding encoding, ExportCounts* counts) {
    return writeExportFile(path, format, true, encoding, counts, [&](ExportWriter& writer) {
        return exportBook(folder, text, writer, {}, afterTab);
    });
}

QString unmappableNotice(const ExportCounts& counts) {
    if (counts.unmappable == 0)
        return {};
    return QStringLiteral("%1 character(s) have no Windows-1252 form and were written as \"?\". "
                          "Export in UTF-8 to keep them.")
        .arg(counts.unmappable);
}

void removeExportWorkFiles(const BookFolder& folder) {
    QDir dir(folder.dataBookDir());
    for (const QString& name : dir.entryList({QStringLiteral("*.exf")}, QDir::Files))
        dir.remove(name);
}

} // namespace orvelan
