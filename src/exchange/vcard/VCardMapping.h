#pragma once

#include "exchange/vcard/VCard.h"
#include "store/PageTexts.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

namespace orvelan {

// A card laid onto the 26 texts of a page.
struct CardOnPage {
    PageTexts texts;           // Name .. Notes, not yet cut to their fields
    QStringList leftOut;       // the data properties left out: "PHOTO", "LOGO", "SOUND", "KEY"
    QList<qsizetype> inFields; // indexes of the card's properties that page fields hold
    // For each property of the card, the first view index of the fields it fills (Addr1 or
    // OrgAddr1 for an address, Organisation for ORG with its units), or -1.
    QList<int> placedIn;
    QStringList extraLines;      // "Label: value" lines appended to Notes, in order
    qsizetype hiddenRemoved = 0; // control and direction characters removed from the texts
};

// Maps a card onto a page: FN (else N, else ORG) gives Name; the home and work ADR the address
// lines; the first TEL of each kind (home or voice, work, cell, fax, pager) the five numbers;
// the home (else first) and the work EMAIL; ORG with its second unit, TITLE, the first URL,
// CATEGORIES and NOTE. Every other property with something to read is appended to Notes as a
// "Label: value" line; photos, logos, sounds and keys are left out and named.
CardOnPage pageFromCard(const VCard& card);

struct PageCardOptions {
    VCardVersion version = VCardVersion::V30;
    QString uid;        // empty: the base card's UID, if any
    QDateTime revision; // the page's save time; invalid: no REV
};

// A card from the texts of a page. With a `base` card (the one the page came from), every
// property the page has no field for is kept from it, and the "Label: value" lines that such
// properties put into Notes are not written into NOTE again.
VCard cardFromPage(const PageTexts& texts, const PageCardOptions& options,
                   const VCard* base = nullptr);

// The family and given names of a page name: "Last, First", else the whole name is the given
// name.
QStringList structuredName(const QString& name);

// The save time of a page from DateModified ("dd/mm/yy") and TimeModified ("hh:mm"), local
// time; invalid when they hold none.
QDateTime pageRevision(QStringView date, QStringView time);

// A card's REV: `revision` in UTC as "yyyyMMddTHHmmssZ".
QString revisionText(const QDateTime& revision);

// A stable UID ("urn:uuid:...") derived from `seed`: the same seed always gives the same UID.
QString derivedUid(QStringView seed);

// The UIDs derivedUid gives, for one card after another: the hash and the buffers are kept from
// card to card instead of being made for each.
class CardUids {
public:
    // The UID of `seed`, or of "seed#occurrence" from the second occurrence on, in ASCII; valid
    // until the next call.
    QByteArrayView uid(QStringView seed, int occurrence = 1);
    // The same for a seed in UTF-8.
    QByteArrayView uid(QByteArrayView utf8Seed, int occurrence = 1);

private:
    QByteArray m_utf8; // a seed given as text, in UTF-8
    char m_uid[45] = {};
};

// Cuts each text to what its page field can store (never inside a character) and returns the
// record names of the fields that were cut ("Notes", "Email" ...).
QStringList fitToFields(PageTexts& texts);
// `text`, trimmed, cut to what page field `viewIndex` stores in `encoding` (never inside a
// character), as fitToFields cuts it.
QString fittedToField(int viewIndex, const QString& text, TextEncoding encoding);

} // namespace orvelan
