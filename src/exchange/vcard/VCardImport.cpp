#include "exchange/vcard/VCardImport.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orvelan {

namespace {

bool hasVCardExtension(const QString& path) {
    return path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive) ||
           path.endsWith(QStringLiteral(".vcard"), Qt::CaseInsensitive);
}

QString withDetail(const QString& name, const QStringList& details) {
    return details.isEmpty() ? name : name + QStringLiteral(" (") + details.join(u", ") + u')';
}

// A member reference or UID without its "urn:uuid:" form, in one case.
QString memberKey(QString text) {
    text = text.trimmed().toLower();
    if (text.startsWith(u"urn:uuid:"))
        text = text.mid(9);
    return text;
}

// Whether a file may hold group cards (a KIND property, in any case): only then is it read
// twice. One pass from colon to colon.
bool mayHoldGroups(QByteArrayView bytes) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* at = begin; at < end; ++at) {
        at = static_cast<const char*>(std::memchr(at, ':', static_cast<size_t>(end - at)));
        if (!at)
            return false;
        if (at - begin >= 4 &&
            QByteArrayView(at - 4, 4).compare(QByteArrayView("KIND"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Gives the pages of a mapped file that reading has passed back to the system, so a large file
// does not stay in memory whole.
void releaseRead(QByteArrayView bytes, qsizetype position) {
#ifdef Q_OS_UNIX
    if (position <= 0)
        return;
    const auto page = static_cast<quintptr>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<quintptr>(bytes.data());
    const quintptr first = (start + page - 1) / page * page;
    const quintptr end = (start + static_cast<quintptr>(position)) / page * page;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
#else
    Q_UNUSED(bytes);
    Q_UNUSED(position);
#endif
}

// mayHoldGroups over a file read in pieces, so that looking holds little of it.
bool fileMayHoldGroups(QFile& file) {
    constexpr qint64 Piece = 1 << 20;
    QByteArray piece;
    QByteArray carry;
    while (!file.atEnd()) {
        piece = carry + file.read(Piece);
        if (mayHoldGroups(piece))
            return file.seek(0);
        carry = piece.right(8);
        if (piece.size() <= carry.size())
            break;
    }
    return false;
}

// The staging files are written in batches, so a large file does not wait in memory whole.
constexpr qint64 CardsFlushEvery = 2000;

} // namespace

bool isVCardSource(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() || hasVCardExtension(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return VCardReader::looksLikeVCard(file.read(4096));
}

QStringList vcardFiles(const QString& fileOrFolder) {
    const QFileInfo info(fileOrFolder);
    if (!info.isDir())
        return {fileOrFolder};
    QDir dir(fileOrFolder);
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.vcf"), QStringLiteral("*.vcard")},
                                             QDir::Files | QDir::Readable, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

PageId pageIdOfUid(const QString& uid) {
    const QString key = memberKey(uid);
    return key.isEmpty() ? PageId() : PageId::derivedFrom(QByteArray("uid:") + key.toUtf8());
}

QSet<PageId> pageIdsOfBook(const BookFolder& folder) {
    QSet<PageId> ids;
    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        folder.tabFile(tab).scan([&](qint64, QByteArrayView stored) {
            if (const PageId id = pageIdOf(stored); !id.isNull())
                ids.insert(id);
            return true;
        });
    }
    return ids;
}

bool CardGroups::isGroup(const VCard& card) {
    for (const VCardProperty& p : card.properties) {
        if ((p.name == u"KIND" || p.name == u"X-ADDRESSBOOKSERVER-KIND") &&
            p.text().trimmed().compare(u"group", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void CardGroups::collect(QByteArrayView bytes) {
    if (!mayHoldGroups(bytes))
        return;
    VCardReader reader(bytes);
    VCard card;
    while (reader.next(card)) {
        if (!isGroup(card))
            continue;
        QString name = card.firstText(u"FN").trimmed();
        if (name.isEmpty())
            name = card.firstText(u"N").replace(u';', u' ').simplified();
        if (name.isEmpty())
            continue;
        for (const VCardProperty& p : card.properties) {
            if (p.name != u"MEMBER" && p.name != u"X-ADDRESSBOOKSERVER-MEMBER")
                continue;
            QStringList& groups = m_groups[memberKey(p.text())];
            if (!groups.contains(name))
                groups.append(name);
        }
    }
}

QStringList CardGroups::groupsOf(const QString& uid) const {
    return uid.trimmed().isEmpty() ? QStringList() : m_groups.value(memberKey(uid));
}

void stageVCards(QByteArrayView bytes, ImportStaging& staging, const QDateTime& now,
                 ImportSummary& summary, const Yield& yield, const CardGroups* groups,
                 const QString& file, bool mapped, QSet<PageId>* known) {
    CardGroups ownGroups;
    if (!groups) {
        ownGroups.collect(bytes);
        groups = &ownGroups;
    }
    VCardReader reader(bytes);
    VCard card;
    VCardDamage damage;
    qint64 number = 0; // the card's number in this file
    while (reader.next(card, &damage)) {
        ++summary.read;
        ++number;
        if (yield && summary.read % 256 == 0)
            yield();
        if (CardGroups::isGroup(card)) {
            ++summary.groups;
            continue;
        }
        CardOnPage page = pageFromCard(card);
        if (const QStringList memberOf = groups->groupsOf(card.firstText(u"UID"));
            !memberOf.isEmpty()) {
            QStringList all = page.texts[13].split(QStringLiteral(", "), Qt::SkipEmptyParts);
            all += memberOf;
            all.removeDuplicates();
            page.texts[13] = all.join(QStringLiteral(", "));
        }
        const QStringList cut = fitToFields(page.texts);
        const QString name = page.texts[0];
        // A card without a name is found by its e-mail address, else its number.
        const QString email = page.texts[12].isEmpty() ? page.texts[23] : page.texts[12];
        const QString shown =
            name.isEmpty() ? (email.isEmpty() ? QStringLiteral("card %1").arg(number) : email)
                           : name;
        if (damage.any()) {
            QStringList what;
            if (damage.missingEnd)
                what.append(QStringLiteral("no END"));
            if (damage.skippedLines)
                what.append(QStringLiteral("%1 unreadable line(s)").arg(damage.skippedLines));
            if (damage.overlongLines)
                what.append(
                    QStringLiteral("%1 overlong line(s) left out").arg(damage.overlongLines));
            if (damage.droppedProperties)
                what.append(QStringLiteral("%1 propertie(s) beyond the limit left out")
                                .arg(damage.droppedProperties));
            if (damage.droppedParameters)
                what.append(QStringLiteral("%1 parameter(s) beyond the limit left out")
                                .arg(damage.droppedParameters));
            for (const QString& charset : damage.unknownCharsets)
                what.append(
                    QStringLiteral("unknown character set %1 read as Windows-1252").arg(charset));
            summary.damaged.add(withDetail(ImportSummary::shown(shown), what));
        }
        if (name.isEmpty()) {
            summary.refuseCard(ImportSummary::Refusal::NoName, {}, file, number, email);
            continue;
        }
        if (!nameStartAllowed(QStringView(name))) {
            summary.refuseCard(ImportSummary::Refusal::NotFileable, name, file, number);
            continue;
        }
        // A card whose UID a page already has is in the book: importing it again files nothing.
        const PageId id = pageIdOfUid(card.firstText(u"UID"));
        if (known && !id.isNull() && known->contains(id)) {
            summary.alreadyInBook.add(name);
            continue;
        }
        const ImportStaging::Staged staged = staging.stageTexts(std::move(page.texts), now, id);
        if (staged.outcome != ImportStaging::Staged::Outcome::Staged) {
            summary.refuseCard(ImportSummary::Refusal::NotFileable, name, file, number);
            continue;
        }
        ++summary.staged;
        if (known && !id.isNull())
            known->insert(id);
        for (const QString& field : cut)
            summary.cut(name, field);
        QStringList leftOut = page.leftOut + damage.leftOut;
        if (!leftOut.isEmpty())
            summary.leftOut.add(withDetail(ImportSummary::shown(name), leftOut));
        summary.hiddenRemoved += page.hiddenRemoved + staged.hiddenRemoved;
        if (summary.staged % CardsFlushEvery == 0) {
            summary.stagingWriteFailures += staging.flush();
            if (mapped)
                releaseRead(bytes, reader.position());
        }
    }
    summary.stagingWriteFailures += staging.flush();
}

ImportSummary stageVCardFiles(const QStringList& files, ImportStaging& staging,
                              const QDateTime& now, const Yield& yield) {
    ImportSummary summary;
    summary.encoding = QStringLiteral("vCard");
    if (files.size() == 1)
        summary.fileName = QFileInfo(files[0]).fileName();
    summary.stagingWriteFailures = staging.reset();
    QSet<PageId> known = pageIdsOfBook(staging.folder());
    // Group cards may stand in another file of a folder than their members.
    CardGroups groups;
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= MaxVCardFileBytes &&
            fileMayHoldGroups(file)) {
            if (uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr)
                groups.collect(QByteArrayView(reinterpret_cast<const char*>(mapped), file.size()));
            else
                groups.collect(file.readAll());
        }
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            summary.unreadable.append(path + QStringLiteral(": ") + file.errorString());
            continue;
        }
        if (file.size() > MaxVCardFileBytes) {
            summary.unreadable.append(path + QStringLiteral(": larger than 1 GB; split it"));
            continue;
        }
        // Mapped rather than read whole where the system allows it.
        QByteArray copy;
        QByteArrayView bytes;
        bool isMapped = false;
        if (file.size() > 0) {
            if (uchar* mapped = file.map(0, file.size())) {
                bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
                isMapped = true;
            } else {
                copy = file.readAll();
                bytes = copy;
            }
        }
        const qint64 before = summary.read;
        stageVCards(bytes, staging, now, summary, yield, &groups,
                    files.size() > 1 ? QFileInfo(path).fileName() : QString(), isMapped, &known);
        if (summary.read == before)
            summary.unreadable.append(path + QStringLiteral(": holds no vCard"));
        else
            ++summary.files;
    }
    return summary;
}

} // namespace orvelan
