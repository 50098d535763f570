#include "search/BookMatcher.h"

#include "search/NameKey.h"
#include "store/PageRecord.h"
#include "store/PageViewIndex.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <QHash>

namespace orvelan {

namespace {

constexpr int MatchedNumbers[] = {VPhone1, VPhone2, VMobile, VPager};
constexpr Field MatchedStoredNumbers[] = {Field::Phone1, Field::Phone2, Field::Mobile,
                                          Field::Pager};
constexpr int MatchedMinimumDigits = 6;
constexpr qsizetype MatchedTailDigits = 7;

// The last digits of a number, or an empty text for one too short to be anyone's own.
QString matchedTailOf(const QString& number) {
    const QString digits = PhoneNumbers::digits(number);
    return digits.size() < MatchedMinimumDigits ? QString() : digits.right(MatchedTailDigits);
}

QString matchedEmailKey(const QString& email) {
    const QString key = email.trimmed().toCaseFolded();
    return key.contains(u'@') ? key : QString();
}

QString matchedFieldText(const PlainRecord& record, Field field) {
    return record.encoding() == TextEncoding::Windows1252 ? fromWindows1252(record.field(field))
                                                          : record.text(field);
}

} // namespace

BookMatcher::Incoming BookMatcher::Incoming::of(const PageTexts& texts) {
    Incoming incoming{texts[VName], texts[VEmail], {}};
    for (std::size_t i = 0; i < incoming.numbers.size(); ++i)
        incoming.numbers[i] = texts[MatchedNumbers[i]];
    return incoming;
}

QList<QList<PagePosition>> BookMatcher::find(const QList<Incoming>& incoming) const {
    QList<QList<PagePosition>> found(incoming.size());
    if (incoming.isEmpty())
        return found;
    NameKeys names;
    QHash<QString, QList<int>> byName;
    QHash<QString, QList<int>> byEmail;
    QHash<QString, QList<std::pair<int, QString>>> byTail;
    for (int i = 0; i < incoming.size(); ++i) {
        const Incoming& page = incoming[i];
        if (const QString key = names.keyOf(page.name); !key.isEmpty())
            byName[key].append(i);
        if (const QString key = matchedEmailKey(page.email); !key.isEmpty())
            byEmail[key].append(i);
        for (const QString& number : page.numbers) {
            if (const QString tail = matchedTailOf(number); !tail.isEmpty())
                byTail[tail].append({i, number});
        }
    }
    const auto add = [&](int i, const PagePosition& position) {
        if (found[i].isEmpty() || !(found[i].last() == position))
            found[i].append(position);
    };
    for (int tab = 0; tab < TabCount; ++tab) {
        m_folder.tabFile(tab).scan([&](qint64 page, QByteArrayView stored) {
            const PlainRecord record(stored);
            if (record.isBlank())
                return true;
            const PagePosition position{tab, page};
            const QString name = record.encoding() == TextEncoding::Windows1252
                                     ? names.keyOfWindows1252(record.field(Field::Name))
                                     : names.keyOf(record.text(Field::Name));
            for (const int i : byName.value(name))
                add(i, position);
            if (!record.field(Field::Email).isEmpty()) {
                for (const int i :
                     byEmail.value(matchedEmailKey(matchedFieldText(record, Field::Email))))
                    add(i, position);
            }
            for (const Field field : MatchedStoredNumbers) {
                if (record.field(field).isEmpty())
                    continue;
                const QString number = matchedFieldText(record, field);
                const auto candidates = byTail.constFind(matchedTailOf(number));
                if (candidates == byTail.cend())
                    continue;
                for (const auto& [i, theirs] : candidates.value()) {
                    if (m_phones.sameNumber(number, theirs))
                        add(i, position);
                }
            }
            return true;
        });
    }
    return found;
}

} // namespace orvelan
