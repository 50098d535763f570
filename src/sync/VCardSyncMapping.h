#pragma once

#include "sync/CardMapping.h"

namespace orvelan {

// Cards on the server are vCards: read with the vCard reader and laid onto a page by the vCard
// mapping; written back over the server's copy so that what the page has no field for stays.
class VCardSyncMapping final : public CardMapping {
public:
    PageTexts pageOf(const QByteArray& card, QStringList* cut = nullptr) const override;
    QByteArray cardOf(const PageTexts& texts, const QByteArray& base,
                      const QString& uid) const override;
};

} // namespace orvelan
