#include "sync/VCardSyncMapping.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "exchange/vcard/VCardWriter.h"
#include "sync/CardMerge.h"

namespace orvelan {

namespace {

bool readCard(const QByteArray& bytes, VCard& card) {
    VCardReader reader(bytes);
    return reader.next(card);
}

} // namespace

PageTexts VCardSyncMapping::pageOf(const QByteArray& bytes, QStringList* cut) const {
    VCard card;
    if (!readCard(bytes, card))
        return {};
    PageTexts texts = pageFromCard(card).texts;
    const QStringList fields = fitToFields(texts);
    if (cut)
        *cut = fields;
    return texts;
}

QByteArray VCardSyncMapping::cardOf(const PageTexts& texts, const QByteArray& base,
                                    const QString& uid) const {
    PageCardOptions options;
    options.uid = uid;
    VCard baseCard;
    const bool hasBase = !base.isEmpty() && readCard(base, baseCard);
    // The server's copy keeps its version: a phone that wrote 4.0 reads 4.0 back.
    if (hasBase && baseCard.version == VCardVersion::V40)
        options.version = VCardVersion::V40;
    if (hasBase)
        return writeVCard(mergePageIntoCard(texts, baseCard, options), options.version);
    return writeVCard(cardFromPage(texts, options), options.version);
}

} // namespace orvelan
