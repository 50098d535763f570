#pragma once

#include "store/PageTexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvelan {

// Turns cards into page texts and pages into cards for the sync.
class CardMapping {
public:
    virtual ~CardMapping() = default;
    // The texts of the page a card gives (the name may be empty), cut to the page's fields;
    // `cut`, when given, receives the record names of the fields that were cut.
    virtual PageTexts pageOf(const QByteArray& card, QStringList* cut = nullptr) const = 0;
    // The card for a page. `base` is the server's copy: every property the page has no field
    // for, and every value the page did not change (even one it holds cut), is kept from it.
    // `uid`, when given, becomes the card's UID (a new card).
    virtual QByteArray cardOf(const PageTexts& texts, const QByteArray& base,
                              const QString& uid) const = 0;
};

} // namespace orvelan
