// Feeds arbitrary bytes to the comma-separated reader: encoding detection, the separator, logical
// lines with quoted fields and damaged records, the header, splitting with the field limit, Auto
// mapping and picking values.
#include "exchange/csv/CsvReader.h"
#include "exchange/FieldMapping.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace orvelan;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CsvText text(bytes);
    QByteArray line;
    if (!text.nextLine(line))
        return 0;
    FieldMapping mapping;
    mapping.setColumns(readHeaderLine(line, text.separator()));
    mapping.autoMap();
    for (int column = 0; column < 4; ++column)
        mapping.add(column, column * 7 % MappedFieldCount);
    const FieldSources sources = mapping.fieldSources();
    ImportRecord record;
    qsizetype lines = 0;
    qint64 lastNumber = text.lastLineNumber();
    while (text.nextLine(line)) {
        // Line numbers only grow, and a damaged record never swallows the lines behind it.
        if (text.lastLineNumber() <= lastNumber ||
            (text.lastLineDamaged() && (line.contains('\n') || line.contains('\r'))))
            std::abort();
        lastNumber = text.lastLineNumber();
        const SplitLine split = splitLine(line, text.separator());
        if (split.fields.size() > MaxLineFields ||
            split.lineError != (split.fields.size() >= MaxLineFields))
            std::abort();
        FieldMapping::pick(sources, split.fields, record);
        ++lines;
    }
    if (lines > 0 && text.lastLineNumber() <= 1)
        std::abort();
    return 0;
}
