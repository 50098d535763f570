#pragma once

#include "store/PageTexts.h"

#include <QByteArray>
#include <QString>

namespace orvelan {

// Turns cards into page texts and pages into cards for the sync.
class CardMapping {
public:
    virtual ~CardMapping() = default;
    // The texts of the page a card gives (the name may be empty).
    virtual PageTexts pageOf(const QByteArray& card) const = 0;
    // The card for a page. `base` is the server's copy: every property the page has no field
    // for is kept from it. `uid`, when given, becomes the card's UID (a new card).
    virtual QByteArray cardOf(const PageTexts& texts, const QByteArray& base,
                              const QString& uid) const = 0;
};

} // namespace orvelan
