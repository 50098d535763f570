#pragma once

#include "exchange/ImportStaging.h"
#include "exchange/vcard/VCard.h"
#include "store/PageTexts.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace orvelan {

// A count with the first names it counts, for a summary the user can act on.
struct NamedCount {
    static constexpr int Shown = 20;
    qint64 count = 0;
    QStringList names; // the first Shown of them

    void add(const QString& name);
};

// What reading vCards into the staging files did. Every card read is staged or refused; what a
// staged card lost on the way (cut values, left-out data, characters a page cannot store,
// damage in the file) is counted and named.
struct VCardImportSummary {
    qint64 files = 0;       // files read
    qint64 cards = 0;       // cards read
    qint64 staged = 0;      // cards staged as pages
    qint64 groups = 0;      // group cards: no page, their names in their members' Group field
    NamedCount refused;     // cards without a name, or whose name files under no letter tab
    NamedCount cut;         // "Name (Notes, Email)": values longer than their field
    NamedCount leftOut;     // "Name (PHOTO)": photos, logos, sounds and keys
    NamedCount damaged;     // "Name (no END)": cards read from damaged text
    NamedCount hidden;      // "Name (3)": control and direction characters removed
    QStringList unreadable; // "file: why" for files that could not be read or hold no card
    int writeFailures = 0;  // staging files that could not be written

    // The summary as lines for the user (nothing for counts of zero).
    QStringList lines() const;
};

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

// Maps the cards of one file onto pages and stages them, adding to `summary`. Group cards file
// no page: their names go into their members' Group field (`groups`, or those of this file).
void stageVCards(QByteArrayView bytes, ImportStaging& staging, const QDateTime& now,
                 VCardImportSummary& summary, const Yield& yield = {},
                 const CardGroups* groups = nullptr);

// Resets the staging files and stages the cards of every file in `files`.
VCardImportSummary stageVCardFiles(const QStringList& files, ImportStaging& staging,
                                   const QDateTime& now, const Yield& yield = {});

// The record values of page texts as the staging files take them (UTF-8).
ImportRecord importRecordOf(const PageTexts& texts);

} // namespace orvelan
