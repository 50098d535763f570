#pragma once

#include "exchange/Export.h"
#include "exchange/vcard/VCard.h"
#include "exchange/vcard/VCardMapping.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvelan {

// The 26 texts of a page in UTF-8, as the card of the page is written from them.
using CardTexts = std::array<QByteArrayView, ViewFieldCount>;
// The buffers a card is written with, kept from card to card for their room.
struct CardScratch {
    QByteArray line;
    QByteArray label;
    QByteArray street;
};

// How many times each name has come so far. The names are kept one after another in one buffer;
// a small open-addressed table of their hashes' tags leads to them, so finding that a name is new
// (the usual case) touches one slot of eight bytes, and counting a page allocates nothing.
class NameCounts {
public:
    // The count of `name` with this one.
    int next(std::string_view name);
    // Forgets every name, keeping the room.
    void clear();

private:
    struct Slot {
        std::uint32_t tag;   // the high half of the name's hash
        std::uint32_t entry; // 0: free; else the entry's index + 1
    };
    struct Entry {
        std::size_t hash;
        std::size_t offset; // of the name in m_names
        std::size_t length;
        int count;
    };
    void grow();
    std::vector<Slot> m_slots;
    std::vector<Entry> m_entries;
    std::string m_names;
};

// The card of a page, byte for byte as appendVCard(out, cardFromPage(texts, options), version)
// writes it, written straight from the texts: an export of a whole book builds no card.
void appendPageCard(QByteArray& out, const PageTexts& texts, const PageCardOptions& options);

// Writes pages as vCards of one version, one card per page as it comes: what it keeps does not
// grow with the book. Each card's UID is derived from the page's name and how many pages of that
// name came before it, so the same page gets the same UID export after export. A Windows-1252
// page's texts go into its card without being made Unicode strings.
class VCardExportWriter final : public ExportWriter {
public:
    VCardExportWriter(ByteSink sink, VCardVersion version)
        : m_out(std::move(sink)), m_version(version) {}
    bool begin(const TabCounts& counts) override;
    bool page(int tab, qint64 page, QByteArrayView stored) override;
    bool finish() override;

private:
    ChunkedSink m_out;
    VCardVersion m_version;
    int m_tab = -1;    // pages of one name all file under one tab, so the counts of names seen so
    NameCounts m_seen; // far are kept for the current tab only
    CardUids m_uids;
    std::string m_stamp; // "date time" of the page being written
    struct Revision {
        char text[16]; // "yyyyMMddTHHmmssZ"
        char size;     // 0: the page holds no save time
    };
    std::unordered_map<std::string, Revision> m_revisions; // save stamps as REV texts
    CardTexts m_texts;                                     // of the page being written
    std::array<QByteArray, ViewFieldCount> m_utf8;         // texts that needed converting
    QString m_text;
    CardScratch m_scratch;
};

} // namespace orvelan
