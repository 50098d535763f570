#include "exchange/eab/EabContainer.h"

#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"

#include <QFile>

#include <cerrno>

namespace orvelan {

namespace {
constexpr int FieldWidth = 10;
}

QByteArray eabHeader(const std::array<qsizetype, EabSegments>& lengths) {
    QByteArray header;
    header.reserve(EabHeaderSize);
    for (const qsizetype length : lengths)
        header += QByteArray::number(length).leftJustified(FieldWidth, ' ', true);
    return header;
}

QByteArray buildEab(const EabSegmentList& segments) {
    std::array<qsizetype, EabSegments> lengths;
    qsizetype total = EabHeaderSize;
    for (int t = 0; t < EabSegments; ++t) {
        lengths[t] = segments[t].isEmpty() ? RecordSize : segments[t].size();
        total += lengths[t];
    }
    QByteArray file = eabHeader(lengths);
    file.reserve(total);
    for (const QByteArray& segment : segments)
        file += segment.isEmpty() ? blankRecord() : segment;
    return file;
}

EabLayout eabLayout(QByteArrayView header, qint64 fileSize) {
    EabLayout layout;
    if (fileSize < EabHeaderSize || header.size() < EabHeaderSize) {
        layout.status = EabRead::Status::Refused;
        return layout;
    }
    std::array<qint64, EabSegments> lengths{};
    const qint64 limit = fileSize; // no length beyond this can be whole inside the file
    for (int t = 0; t < EabSegments; ++t) {
        qint64 value = 0;
        for (int i = 0; i < FieldWidth; ++i) {
            const char c = header[t * FieldWidth + i];
            if (c == ' ')
                continue;
            if (c < '0' || c > '9') {
                layout.status = EabRead::Status::Refused;
                return layout;
            }
            value = std::min(value * 10 + (c - '0'), limit + 1);
        }
        lengths[t] = value;
    }
    qint64 position = EabHeaderSize;
    bool damaged = false;
    for (int t = 0; t < EabSegments; ++t) {
        const qint64 available = std::min(lengths[t], fileSize - position);
        const qint64 whole = available - available % RecordSize;
        if (whole != lengths[t])
            damaged = true;
        layout.offsets[t] = position;
        layout.wholeBytes[t] = whole;
        position += available;
    }
    layout.status = damaged ? EabRead::Status::Damaged : EabRead::Status::Ok;
    return layout;
}

EabRead readEab(QByteArrayView file) {
    EabRead result;
    const EabLayout layout = eabLayout(file, file.size());
    result.status = layout.status;
    if (layout.status == EabRead::Status::Refused)
        return result;
    for (int t = 0; t < EabSegments; ++t)
        result.segments[t] = file.sliced(layout.offsets[t], layout.wholeBytes[t]).toByteArray();
    return result;
}

EabLayout eabLayout(const QString& path, int& error) {
    error = notARegularFileError(path);
    QFile file(path);
    errno = 0;
    if (!error && !file.open(QIODevice::ReadOnly))
        error = runtimeErrorFromErrno(errno ? errno : ENOENT, path);
    if (error)
        return {EabRead::Status::Refused, {}, {}};
    const QByteArray header = file.read(EabHeaderSize);
    return eabLayout(header, file.size());
}

int scanEab(const QString& path, const EabLayout& layout,
            const std::function<bool(int tab, QByteArrayView records)>& visit,
            qint64 batchRecords) {
    if (layout.status == EabRead::Status::Refused)
        return 0;
    QByteArray batch;
    batch.reserve(batchRecords * RecordSize);
    bool more = true;
    const auto pass = [&](int tab) {
        more = visit(tab, batch);
        batch.clear();
        return more;
    };
    for (int t = 0; t < EabSegments && more; ++t) {
        const int error =
            scanRecordsAt(path, layout.offsets[t], layout.wholeBytes[t] / RecordSize,
                          [&](qint64, QByteArrayView record) {
                              batch.append(record);
                              return batch.size() < batchRecords * RecordSize || pass(t + 1);
                          });
        if (error)
            return error;
        if (more && !batch.isEmpty())
            pass(t + 1);
    }
    return 0;
}

} // namespace orvelan
