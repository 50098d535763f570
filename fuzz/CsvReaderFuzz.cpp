// Feeds arbitrary bytes to the comma-separated reader: encoding detection, logical lines with
// quoted fields, the header, splitting with the field limit, Auto mapping and picking values.
#include "exchange/CsvReader.h"
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
    mapping.setColumns(readHeaderLine(line));
    mapping.autoMap();
    for (int column = 0; column < 4; ++column)
        mapping.add(column, column * 7 % MappedFieldCount);
    const auto sources = mapping.sourceColumns();
    ImportRecord record;
    qsizetype lines = 0;
    while (text.nextLine(line)) {
        const SplitLine split = splitLine(line);
        if (split.fields.size() > MaxLineFields ||
            split.lineError != (split.fields.size() >= MaxLineFields))
            std::abort();
        FieldMapping::pick(sources, split.fields, record);
        ++lines;
    }
    if (text.linesWithReplacements() > lines + 1) // the header may hold one too
        std::abort();
    return 0;
}
