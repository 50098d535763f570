#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <functional>

namespace orvelan {

// Receives the bytes of an export file in order; false stops the export.
using ByteSink = std::function<bool(QByteArrayView)>;

// Gathers what a writer appends into chunks of about 64 KB before handing them to a sink, so a
// whole-book export makes few writes and holds little.
class ChunkedSink {
public:
    static constexpr qsizetype ChunkBytes = 1 << 16;
    explicit ChunkedSink(ByteSink sink) : m_sink(std::move(sink)) {}

    // Bytes that go to the sink at once, ahead of anything gathered.
    bool direct(QByteArrayView bytes) { return m_sink(bytes); }
    // Where the writer appends.
    QByteArray& chunk() { return m_chunk; }
    // Hands the chunk on once it is full; false when the sink failed.
    bool pass() { return m_chunk.size() < ChunkBytes || flush(); }
    // Hands on whatever is gathered.
    bool flush() {
        const bool ok = m_chunk.isEmpty() || m_sink(m_chunk);
        m_chunk.truncate(0); // keeps its room for the next chunk
        return ok;
    }

private:
    ByteSink m_sink;
    QByteArray m_chunk;
};

// What an export wrote besides its pages.
struct ExportCounts {
    qsizetype unmappable = 0; // characters a Windows-1252 export wrote as '?'
    qint64 damaged = 0;       // pages left out because they are damaged
};

// Writes one export format. The pages come one at a time, in tab and page order, exactly as
// they are stored; a writer keeps no more than one page. begin() learns beforehand how many
// pages each letter tab will give, for formats whose header counts them.
class ExportWriter {
public:
    using TabCounts = std::array<qint64, 26>; // by tab index
    virtual ~ExportWriter() = default;
    virtual bool needsCounts() const { return false; }
    virtual bool begin(const TabCounts& counts) = 0;
    virtual bool page(int tab, qint64 page, QByteArrayView stored) = 0;
    virtual bool finish() = 0;
};

} // namespace orvelan
