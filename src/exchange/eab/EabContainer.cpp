#include "exchange/eab/EabContainer.h"

#include "store/PageRecord.h"

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

EabRead readEab(QByteArrayView file) {
    EabRead result;
    if (file.size() < EabHeaderSize) {
        result.status = EabRead::Status::Refused;
        return result;
    }
    std::array<qint64, EabSegments> lengths{};
    const qint64 limit = file.size(); // no length beyond this can be whole inside the file
    for (int t = 0; t < EabSegments; ++t) {
        qint64 value = 0;
        for (int i = 0; i < FieldWidth; ++i) {
            const char c = file[t * FieldWidth + i];
            if (c == ' ')
                continue;
            if (c < '0' || c > '9') {
                result.status = EabRead::Status::Refused;
                return result;
            }
            value = std::min(value * 10 + (c - '0'), limit + 1);
        }
        lengths[t] = value;
    }
    qint64 position = EabHeaderSize;
    bool damaged = false;
    for (int t = 0; t < EabSegments; ++t) {
        const qint64 available = std::min(lengths[t], file.size() - position);
        const qint64 whole = available - available % RecordSize;
        if (whole != lengths[t])
            damaged = true;
        result.segments[t] = file.sliced(position, whole).toByteArray();
        position += available;
    }
    result.status = damaged ? EabRead::Status::Damaged : EabRead::Status::Ok;
    return result;
}

} // namespace orvelan
