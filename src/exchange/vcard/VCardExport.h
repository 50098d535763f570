#pragma once

#include "exchange/Export.h"
#include "exchange/vcard/VCard.h"
#include "exchange/vcard/VCardMapping.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvelan {

// Writes pages as vCards of one version, one card per page as it comes: what it keeps does not
// grow with the book. Each card's UID is derived from the page's name
// and how many pages of that name came before it, so the same page gets the same UID export
// after export.
// The card of a page, byte for byte as appendVCard(out, cardFromPage(texts, options), version)
// writes it, written straight from the texts: an export of a whole book builds no card.
void appendPageCard(QByteArray& out, const PageTexts& texts, const PageCardOptions& options);

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
    // A plain hash of the characters: QHash's seeded hash costs more than the rest of a card.
    struct NameHash {
        std::size_t operator()(const QString& name) const {
            return std::hash<std::u16string_view>()(
                std::u16string_view(reinterpret_cast<const char16_t*>(name.utf16()),
                                    static_cast<std::size_t>(name.size())));
        }
    };
    int m_tab = -1; // pages of one name all file under one tab, so the counts of names seen so
    std::unordered_map<QString, int, NameHash> m_seen; // far are kept for the current tab only
    CardUids m_uids;
    std::string m_stamp; // "date time" of the page being written
    struct Revision {
        char text[16]; // "yyyyMMddTHHmmssZ"
        char size;     // 0: the page holds no save time
    };
    std::unordered_map<std::string, Revision> m_revisions; // save stamps as REV texts
    QByteArray m_line; // the line being written, kept for its room
    PageTexts m_texts; // the texts of the page being written, kept for their room
};

} // namespace orvelan
