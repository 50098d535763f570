#include "exchange/vcard/VCardImport.h"

#include "exchange/vcard/VCardMapping.h"
#include "exchange/vcard/VCardReader.h"
#include "store/TabTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Whether a file may hold group cards: only then is it read twice.
bool mayHoldGroups(QByteArrayView bytes) {
    return bytes.contains("KIND:") || bytes.contains("kind:") || bytes.contains("Kind:");
}

// The staging files are written in batches, so a large file does not wait in memory whole.
constexpr qint64 FlushEvery = 2000;

} // namespace

void NamedCount::add(const QString& name) {
    ++count;
    if (names.size() < Shown)
        names.append(name);
}

QStringList VCardImportSummary::lines() const {
    QStringList out;
    const auto named = [&](const NamedCount& n, const QString& what) {
        if (!n.count)
            return;
        QString line =
            what.arg(n.count) + QStringLiteral(": ") + n.names.join(QStringLiteral("; "));
        if (n.count > n.names.size())
            line += QStringLiteral("; and %1 more").arg(n.count - n.names.size());
        out.append(line);
    };
    out.append(QStringLiteral("%1 card(s) read from %2 file(s), %3 staged.")
                   .arg(cards)
                   .arg(files)
                   .arg(staged));
    if (groups)
        out.append(QStringLiteral("%1 group card(s) read: no pages, their names are in their "
                                  "members' Group field.")
                       .arg(groups));
    named(refused, QStringLiteral("%1 card(s) refused (no name, or a name that files under no "
                                  "letter)"));
    named(cut, QStringLiteral("%1 card(s) had values cut to fit their fields"));
    named(leftOut,
          QStringLiteral("%1 card(s) had photos, logos, sounds, keys or program data left out"));
    named(hidden, QStringLiteral("%1 card(s) had hidden control or direction characters "
                                 "removed"));
    named(damaged, QStringLiteral("%1 card(s) were damaged in the file and read as far as they "
                                  "go"));
    for (const QString& file : unreadable)
        out.append(QStringLiteral("Not read: ") + file);
    return out;
}

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

ImportRecord importRecordOf(const PageTexts& texts) {
    ImportRecord record;
    for (int i = 0; i < ViewFieldCount; ++i)
        record[i] = texts[i].toUtf8();
    return record;
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
                 VCardImportSummary& summary, const Yield& yield, const CardGroups* groups) {
    CardGroups ownGroups;
    if (!groups) {
        ownGroups.collect(bytes);
        groups = &ownGroups;
    }
    VCardReader reader(bytes);
    VCard card;
    VCardDamage damage;
    while (reader.next(card, &damage)) {
        ++summary.cards;
        if (yield && summary.cards % 256 == 0)
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
        const QString& name = page.texts[0];
        const QString shown = name.isEmpty() ? QStringLiteral("card %1").arg(summary.cards) : name;
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
            summary.damaged.add(withDetail(shown, what));
        }
        if (name.isEmpty()) {
            summary.refused.add(QStringLiteral("card %1: no name").arg(summary.cards));
            continue;
        }
        if (tabForName(QStringView(name)) == 0) {
            summary.refused.add(name);
            continue;
        }
        const ImportRecord record = importRecordOf(page.texts);
        if (staging.stage(record, now).outcome != ImportStaging::Staged::Outcome::Staged) {
            summary.refused.add(name);
            continue;
        }
        ++summary.staged;
        if (!cut.isEmpty())
            summary.cut.add(withDetail(name, cut));
        if (!page.leftOut.isEmpty())
            summary.leftOut.add(withDetail(name, page.leftOut));
        if (page.hiddenRemoved)
            summary.hidden.add(withDetail(name, {QString::number(page.hiddenRemoved)}));
        if (summary.staged % FlushEvery == 0)
            summary.writeFailures += staging.flush();
    }
    summary.writeFailures += staging.flush();
}

VCardImportSummary stageVCardFiles(const QStringList& files, ImportStaging& staging,
                                   const QDateTime& now, const Yield& yield) {
    VCardImportSummary summary;
    summary.writeFailures = staging.reset();
    // Group cards may stand in another file of a folder than their members.
    CardGroups groups;
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= MaxVCardFileBytes) {
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
        if (file.size() > 0) {
            if (uchar* mapped = file.map(0, file.size())) {
                bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
            } else {
                copy = file.readAll();
                bytes = copy;
            }
        }
        const qint64 before = summary.cards;
        stageVCards(bytes, staging, now, summary, yield, &groups);
        if (summary.cards == before)
            summary.unreadable.append(path + QStringLiteral(": holds no vCard"));
        else
            ++summary.files;
    }
    return summary;
}

} // namespace orvelan
