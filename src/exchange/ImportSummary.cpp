#include "exchange/ImportSummary.h"

#include "store/TabTable.h"

#include <QJsonArray>

namespace orvelan {

namespace {

QString describe(const ImportSummary::RefusedRecord& record) {
    const auto shown = &ImportSummary::shown;
    QString text = !record.name.isEmpty() ? u'"' + shown(record.name) + u'"'
                   : record.detail.isEmpty()
                       ? QStringLiteral("(no name)")
                       : QStringLiteral("(no name; \"%1\")").arg(shown(record.detail));
    QStringList where;
    if (!record.file.isEmpty())
        where.append(shown(record.file));
    if (record.card > 0)
        where.append(QStringLiteral("card %1").arg(record.card));
    if (record.line > 0)
        where.append(QStringLiteral("line %1").arg(record.line));
    if (!where.isEmpty())
        text += QStringLiteral(" (") + where.join(QStringLiteral(", ")) + u')';
    return text;
}

QJsonObject namedJson(const ImportSummary::Named& named) {
    return {{QStringLiteral("count"), named.count},
            {QStringLiteral("names"), QJsonArray::fromStringList(named.names)}};
}

const char* reasonKey(ImportSummary::Refusal reason) {
    switch (reason) {
    case ImportSummary::Refusal::NoName:
        return "noName";
    case ImportSummary::Refusal::NotFileable:
        return "notFileable";
    case ImportSummary::Refusal::Damaged:
        return "damaged";
    }
    return "";
}

} // namespace

QString ImportSummary::reasonText(Refusal reason) {
    switch (reason) {
    case Refusal::NoName:
        return QStringLiteral("no name");
    case Refusal::NotFileable:
        return QStringLiteral("name begins with a control character or a combining mark");
    case Refusal::Damaged:
        return QStringLiteral("bad record (a quotation mark that is never closed)");
    }
    return {};
}

QString ImportSummary::shown(const QString& value) {
    QString text = value.simplified();
    if (text.size() > ShownLength) {
        qsizetype cut = ShownLength - 1;
        if (text[cut - 1].isHighSurrogate())
            --cut;
        text = text.left(cut) + QChar(0x2026);
    }
    return text;
}

void ImportSummary::Named::add(const QString& name) {
    ++count;
    if (names.size() < NamedLimit)
        names.append(shown(name));
}

void ImportSummary::refuse(Refusal reason, const QString& name, qint64 line,
                           const QString& detail) {
    qint64& count = m_refused[static_cast<int>(reason)];
    ++count;
    if (count <= NamedLimit)
        m_refusedRecords.append({reason, shown(name), line, shown(detail), {}, 0});
}

void ImportSummary::refuseCard(Refusal reason, const QString& name, const QString& file,
                               qint64 card, const QString& detail) {
    qint64& count = m_refused[static_cast<int>(reason)];
    ++count;
    if (count <= NamedLimit)
        m_refusedRecords.append({reason, shown(name), 0, shown(detail), shown(file), card});
}

void ImportSummary::cut(const QString& name, const QString& field) {
    ++m_valuesCut;
    ++m_cutByField[field];
    if (m_cutValues.size() < NamedLimit)
        m_cutValues.append({shown(name), field});
}

void ImportSummary::recordImport(const std::array<qint64, 26>& perTab, qint64 written,
                                 qint64 failures) {
    importRan = true;
    importedPerTab = perTab;
    imported = written;
    importFailures = failures;
}

qint64 ImportSummary::refusedTotal() const {
    qint64 total = 0;
    for (const qint64 count : m_refused)
        total += count;
    return total;
}

qint64 ImportSummary::notImported() const {
    return importRan
               ? std::max<qint64>(0, staged - imported - importFailures - handledWithoutFiling)
               : staged;
}

bool ImportSummary::complete() const {
    return refusedTotal() == 0 && imported > 0 && importFailures == 0 && stagingWriteFailures == 0;
}

QStringList ImportSummary::lines() const {
    QStringList out;
    QString source = shown(fileName);
    QStringList how;
    if (!encoding.isEmpty())
        how.append(encoding);
    if (!separator.isEmpty())
        how.append(QStringLiteral("separated by %1s").arg(separator));
    if (!how.isEmpty())
        source += QStringLiteral(" (") + how.join(QStringLiteral(", ")) + u')';
    if (!fileName.isEmpty())
        out.append(QStringLiteral("File: ") + source);
    else if (!how.isEmpty())
        out.append(QStringLiteral("Read as ") + how.join(QStringLiteral(", ")));
    if (files > 1)
        out.append(QStringLiteral("Files read: %1").arg(files));
    out.append(QStringLiteral("Records read: %1").arg(read));
    if (groups)
        out.append(QStringLiteral("Group cards read: %1 (no pages; their names are in their "
                                  "members' Group field)")
                       .arg(groups));
    if (importRan) {
        QStringList tabs;
        for (int tab = 0; tab < int(importedPerTab.size()); ++tab) {
            if (importedPerTab[tab])
                tabs.append(QStringLiteral("%1 %2").arg(tabCaption(tab)).arg(importedPerTab[tab]));
        }
        QString line = QStringLiteral("Imported %1 page(s).").arg(imported);
        if (!tabs.isEmpty())
            line += QStringLiteral(" By tab: ") + tabs.join(QStringLiteral(", "));
        out.append(line);
    } else {
        out.append(QStringLiteral("Ready to import: %1").arg(staged));
    }
    if (const qint64 refused = refusedTotal()) {
        out.append(QStringLiteral("Refused %1 record(s):").arg(refused));
        for (int kind = 0; kind < RefusalKinds; ++kind) {
            const auto reason = static_cast<Refusal>(kind);
            if (!m_refused[kind])
                continue;
            QStringList named;
            for (const RefusedRecord& record : m_refusedRecords) {
                if (record.reason == reason)
                    named.append(describe(record));
            }
            QString line =
                QStringLiteral("  %1: %2 - ").arg(reasonText(reason)).arg(m_refused[kind]) +
                named.join(QStringLiteral(", "));
            if (m_refused[kind] > named.size())
                line += QStringLiteral(" and %1 more").arg(m_refused[kind] - named.size());
            out.append(line);
        }
    }
    if (recordsWithReplacements)
        out.append(QStringLiteral("Characters that could not be read, replaced: %1 in %2 "
                                  "record(s)")
                       .arg(charactersReplaced)
                       .arg(recordsWithReplacements));
    if (valuesNoted)
        out.append(QStringLiteral("Values of columns mapped to no field, added to Notes: %1")
                       .arg(valuesNoted));
    if (hiddenRemoved)
        out.append(QStringLiteral("Hidden control or direction characters removed: %1")
                       .arg(hiddenRemoved));
    if (m_valuesCut) {
        QStringList fields;
        for (auto it = m_cutByField.cbegin(); it != m_cutByField.cend(); ++it)
            fields.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        QStringList named;
        for (const CutValue& value : m_cutValues)
            named.append(QStringLiteral("\"%1\" %2").arg(value.name, value.field));
        QString line = QStringLiteral("Values cut to fit their field: %1 (%2) - ")
                           .arg(m_valuesCut)
                           .arg(fields.join(QStringLiteral(", "))) +
                       named.join(QStringLiteral(", "));
        if (m_valuesCut > named.size())
            line += QStringLiteral(" and %1 more").arg(m_valuesCut - named.size());
        out.append(line);
    }
    const auto named = [&](const Named& n, const QString& what) {
        if (!n.count)
            return;
        QString line = what.arg(n.count) + n.names.join(QStringLiteral(", "));
        if (n.count > n.names.size())
            line += QStringLiteral(" and %1 more").arg(n.count - n.names.size());
        out.append(line);
    };
    named(leftOut, QStringLiteral("Photos, sounds, keys or program data left out: %1 - "));
    named(damaged, QStringLiteral("Cards damaged in the file, read as far as they go: %1 - "));
    named(alreadyInBook, QStringLiteral("Already in the book, not imported again: %1 - "));
    named(mergedIntoBook, QStringLiteral("Merged into a page in the book: %1 - "));
    named(looksLikeBook,
          QStringLiteral("Looks like a page in the book (run duplicates), imported: %1 - "));
    for (const QString& file : unreadable)
        out.append(QStringLiteral("Not read: ") + shown(file));
    if (const qint64 damaged = refusedCount(Refusal::Damaged))
        out.append(QStringLiteral("Lines skipped as damaged: %1").arg(damaged));
    if (windows1252Lines)
        out.append(
            QStringLiteral("Lines read as Windows-1252 (not UTF-8): %1").arg(windows1252Lines));
    if (overlongLines)
        out.append(QStringLiteral("Lines with 200 or more fields, later fields lost: %1")
                       .arg(overlongLines));
    if (fileDamaged)
        out.append(QStringLiteral("The file is damaged; only its whole records were read."));
    if (importRan && notImported())
        out.append(QStringLiteral("Not imported (left in the list): %1").arg(notImported()));
    if (importFailures)
        out.append(QStringLiteral("Could not be written: %1").arg(importFailures));
    if (!writeProblem.isEmpty())
        out.append(writeProblem);
    if (stagingWriteFailures)
        out.append(QStringLiteral("Staging files that could not be written: %1")
                       .arg(stagingWriteFailures));
    return out;
}

QJsonObject ImportSummary::toJson() const {
    QJsonArray tabs;
    for (int tab = 0; tab < int(importedPerTab.size()); ++tab) {
        if (importedPerTab[tab])
            tabs.append(QJsonObject{{QStringLiteral("tab"), tab},
                                    {QStringLiteral("label"), tabCaption(tab)},
                                    {QStringLiteral("pages"), importedPerTab[tab]}});
    }
    QJsonObject refusedCounts;
    for (int kind = 0; kind < RefusalKinds; ++kind)
        refusedCounts.insert(QLatin1StringView(reasonKey(static_cast<Refusal>(kind))),
                             m_refused[kind]);
    QJsonArray refusedList;
    for (const RefusedRecord& record : m_refusedRecords)
        refusedList.append(
            QJsonObject{{QStringLiteral("reason"), QLatin1StringView(reasonKey(record.reason))},
                        {QStringLiteral("name"), record.name},
                        {QStringLiteral("line"), record.line},
                        {QStringLiteral("file"), record.file},
                        {QStringLiteral("card"), record.card},
                        {QStringLiteral("detail"), record.detail}});
    QJsonObject cutFields;
    for (auto it = m_cutByField.cbegin(); it != m_cutByField.cend(); ++it)
        cutFields.insert(it.key(), it.value());
    QJsonArray cutList;
    for (const CutValue& value : m_cutValues)
        cutList.append(QJsonObject{{QStringLiteral("name"), value.name},
                                   {QStringLiteral("field"), value.field}});
    return QJsonObject{
        {QStringLiteral("file"), shown(fileName)},
        {QStringLiteral("files"), files},
        {QStringLiteral("groups"), groups},
        {QStringLiteral("staged"), staged},
        {QStringLiteral("leftOut"), namedJson(leftOut)},
        {QStringLiteral("damaged"), namedJson(damaged)},
        {QStringLiteral("alreadyInBook"), namedJson(alreadyInBook)},
        {QStringLiteral("looksLikeBook"), namedJson(looksLikeBook)},
        {QStringLiteral("mergedIntoBook"), namedJson(mergedIntoBook)},
        {QStringLiteral("unreadable"), QJsonArray::fromStringList(unreadable)},
        {QStringLiteral("encoding"), encoding},
        {QStringLiteral("separator"), separator},
        {QStringLiteral("read"), read},
        {QStringLiteral("imported"), imported},
        {QStringLiteral("tabs"), tabs},
        {QStringLiteral("refused"), refusedTotal()},
        {QStringLiteral("refusedByReason"), refusedCounts},
        {QStringLiteral("refusedRecords"), refusedList},
        {QStringLiteral("charactersReplaced"), charactersReplaced},
        {QStringLiteral("recordsWithReplacements"), recordsWithReplacements},
        {QStringLiteral("hiddenRemoved"), hiddenRemoved},
        {QStringLiteral("valuesNoted"), valuesNoted},
        {QStringLiteral("valuesCut"), m_valuesCut},
        {QStringLiteral("cutByField"), cutFields},
        {QStringLiteral("cutValues"), cutList},
        {QStringLiteral("windows1252Lines"), windows1252Lines},
        {QStringLiteral("overlongLines"), overlongLines},
        {QStringLiteral("fileDamaged"), fileDamaged},
        {QStringLiteral("notImported"), notImported()},
        {QStringLiteral("failed"), importFailures},
        {QStringLiteral("summary"), QJsonArray::fromStringList(lines())},
    };
}

} // namespace orvelan
