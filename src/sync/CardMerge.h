#pragma once

#include "exchange/vcard/VCard.h"
#include "exchange/vcard/VCardMapping.h"
#include "store/PageTexts.h"

namespace orvelan {

// The name a page gets for a card that gives none: its job title, e-mail or web address, else
// "No Name".
QString nameForUnnamed(const PageTexts& texts);

// The server's card `base` with the texts of the page that came from it written over it.
//
// The page's fields fall into groups that one property fills (a home address, a number, the
// name with FN and N, ORG with the department). A group whose page texts are what the card
// gives them - whole, or cut the way a page field cuts them - was not changed here: its
// properties go back exactly as the server had them, so a value the page holds cut never
// travels and nothing the page cannot show is flattened. A changed group is written into the
// card's own property, keeping its group, its parameters and the parts of its value the page
// still shows (the street and the region of an address, the units of an organisation); a
// group the card lacked is added, one the page emptied is removed. Every property no page
// field holds is kept.
VCard mergePageIntoCard(const PageTexts& page, const VCard& base, const PageCardOptions& options);

// The notes a page's NOTE gets: the page's notes without the "Label: value" lines that the
// card's other properties (`extraLines`) put there, wherever the user left them.
QString notesWithoutExtraLines(const QString& notes, const QStringList& extraLines);

} // namespace orvelan
