#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "exchange/vcard/VCard.h"
#include "store/PageTexts.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace orvelan {

// Whether `path` is to be read as vCards: a folder, a .vcf or .vcard file, or a file whose
// first line is BEGIN:VCARD.
bool isVCardSource(const QString& path);
// The vCard files of a folder (.vcf and .vcard, by name), or the file itself.
QStringList vcardFiles(const QString& fileOrFolder);

// Files larger than this are refused rather than read.
inline constexpr qint64 MaxVCardFileBytes = qint64(1) << 30;

// The groups of the group cards read (KIND:group, or X-ADDRESSBOOKSERVER-KIND:group): the
// names of the groups each member belongs to, by the member's UID.
class CardGroups {
public:
    // Notes the group cards of a file.
    void collect(QByteArrayView bytes);
    static bool isGroup(const VCard& card);
    // The groups of the card with this UID, in the order read.
    QStringList groupsOf(const QString& uid) const;

private:
    QHash<QString, QStringList> m_groups;
};

// The identity a card's UID gives its page; null for a card without a UID.
PageId pageIdOfUid(const QString& uid);

// The identities the pages of a book's letter tabs hold.
QSet<PageId> pageIdsOfBook(const BookFolder& folder);

// Maps the cards of one file onto pages and stages them, adding to `summary`; refused cards are
// named with `file` (when given) and their number in it. Group cards file no page: their names
// go into their members' Group field (`groups`, or those of this file).
void stageVCards(QByteArrayView bytes, ImportStaging& staging, const QDateTime& now,
                 ImportSummary& summary, const Yield& yield = {},
                 const CardGroups* groups = nullptr, const QString& file = {},
                 bool mapped = false,            // `bytes` is a file mapped read-only
                 QSet<PageId>* known = nullptr); // identities in the book (and staged so far)

// Resets the staging files and stages the cards of every file in `files`.
ImportSummary stageVCardFiles(const QStringList& files, ImportStaging& staging,
                              const QDateTime& now, const Yield& yield = {});

} // namespace orvelan
