// Feeds arbitrary bytes to the exchange file reader and lists what it keeps.
#include "exchange/eab/EabContainer.h"
#include "exchange/RecordList.h"
#include "store/PageRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace orvelan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const EabRead read = readEab(file);
    if (read.status == EabRead::Status::Refused)
        return 0;
    qsizetype total = 0;
    for (int t = 0; t < EabSegments; ++t) {
        const QByteArray& segment = read.segments[t];
        if (segment.size() % RecordSize != 0)
            std::abort();
        total += segment.size();
        for (qsizetype at = 0; at < segment.size(); at += RecordSize) {
            const PlainRecord record(QByteArrayView(segment.constData() + at, RecordSize));
            if (recordMatches(record, QStringLiteral("a")))
                (void)listLine(record, t + 1, at / RecordSize + 1);
        }
    }
    if (total > file.size() - EabHeaderSize)
        std::abort();
    // What the reader kept writes back as a well-formed file.
    if (readEab(buildEab(read.segments)).status != EabRead::Status::Ok)
        std::abort();
    return 0;
}
