#include "search/DuplicateFinder.h"

#include "search/NameKey.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace orvelan {

namespace {

// One key of one page. The key itself is kept as a 64-bit hash: a million keys take 16 MB.
struct PageKey {
    std::uint64_t hash;
    std::uint32_t page; // index into the pages read
    std::uint8_t kind;  // DuplicateReason
    bool operator<(const PageKey& o) const {
        return kind != o.kind ? kind < o.kind : hash != o.hash ? hash < o.hash : page < o.page;
    }
};

// The numbers that are a person's own. A fax is often an office's, shared by everyone there, so
// it only confirms a name (below).
constexpr Field PhoneFields[] = {Field::Phone1, Field::Phone2, Field::Mobile, Field::Pager};
// The facts that confirm a group found by name alone.
constexpr Field ConfirmingFields[] = {Field::Organisation, Field::Addr1,    Field::OrgAddr1,
                                      Field::Fax,          Field::OrgEmail, Field::OrgWeb};

class Groups {
public:
    explicit Groups(std::size_t count) : m_parent(count) {
        std::iota(m_parent.begin(), m_parent.end(), 0u);
    }
    std::uint32_t root(std::uint32_t i) {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void join(std::uint32_t a, std::uint32_t b) {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b); // the earlier page stays the root
    }

private:
    std::vector<std::uint32_t> m_parent;
};

QString fieldText(const PlainRecord& record, Field field) {
    return record.encoding() == TextEncoding::Windows1252 ? fromWindows1252(record.field(field))
                                                          : record.text(field);
}

// Letter case and runs of spaces do not make two facts differ.
QString comparable(const QString& text) {
    return text.simplified().toCaseFolded();
}

} // namespace

QString digitsPhoneKey(QStringView number) {
    QString digits;
    digits.reserve(number.size());
    for (const QChar c : number) {
        if (c.isDigit())
            digits += QChar(u'0' + c.digitValue());
    }
    if (digits.size() < 6)
        return {};
    return digits.right(9);
}

DuplicateOutcome DuplicateFinder::run() const {
    DuplicateOutcome outcome;
    NameKeys names;
    std::vector<PagePosition> positions;
    std::vector<PageKey> keys;
    const auto addKey = [&](const QString& key, int kind) {
        if (!key.isEmpty())
            keys.push_back({qHash(key, std::size_t(0x5eed) + kind), std::uint32_t(positions.size()),
                            std::uint8_t(kind)});
    };
    for (int tab = 0; tab < TabCount; ++tab) {
        const int error = m_folder.tabFile(tab).scan(
            [&](qint64 page, QByteArrayView stored) {
                const PlainRecord record(stored);
                if (record.isBlank())
                    return true;
                const bool windows1252 = record.encoding() == TextEncoding::Windows1252;
                addKey(windows1252 ? names.keyOfWindows1252(record.field(Field::Name))
                                   : names.keyOf(record.text(Field::Name)),
                       DuplicateReason::Name);
                for (const Field field : PhoneFields) {
                    if (!record.field(field).isEmpty())
                        addKey(m_phoneKey(fieldText(record, field)), DuplicateReason::Telephone);
                }
                if (!record.field(Field::Email).isEmpty()) {
                    const QString email = fieldText(record, Field::Email).trimmed().toCaseFolded();
                    if (email.contains(u'@'))
                        addKey(email, DuplicateReason::Email);
                }
                positions.push_back({tab, page});
                return true;
            },
            [&](qint64 page) {
                outcome.damaged.append({tab, page});
            });
        if (error && error != RuntimeError::FileNotFound && error != RuntimeError::PathNotFound)
            outcome.unreadTabs.append(tab);
    }
    outcome.pagesRead = qint64(positions.size());

    std::sort(keys.begin(), keys.end());
    Groups groups(positions.size());
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].kind == keys[i - 1].kind && keys[i].hash == keys[i - 1].hash)
            groups.join(keys[i - 1].page, keys[i].page);
    }
    // Each group's reasons: the kinds of the keys its pages share.
    QHash<std::uint32_t, int> reasons;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].kind == keys[i - 1].kind && keys[i].hash == keys[i - 1].hash)
            reasons[groups.root(keys[i].page)] |= keys[i].kind;
    }
    QHash<std::uint32_t, qsizetype> groupOf;
    for (std::uint32_t page = 0; page < positions.size(); ++page) {
        const std::uint32_t root = groups.root(page);
        const auto found = reasons.constFind(root);
        if (found == reasons.cend())
            continue;
        auto index = groupOf.constFind(root);
        if (index == groupOf.cend()) {
            index = groupOf.insert(root, outcome.groups.size());
            outcome.groups.append(DuplicateGroup{{}, found.value(), false, {}});
        }
        outcome.groups[index.value()].pages.append(positions[page]);
    }
    for (DuplicateGroup& group : outcome.groups) {
        if (group.reasons == DuplicateReason::Name)
            group.possible = !confirmed(group, group.agreeingField);
    }
    return outcome;
}

// Whether two pages of a group found by name alone also agree on a confirming fact.
bool DuplicateFinder::confirmed(const DuplicateGroup& group, QString& agreeingField) const {
    std::vector<PlainRecord> records;
    records.reserve(group.pages.size());
    for (const PagePosition& position : group.pages) {
        const TabFile::Read read = m_folder.tabFile(position.tab).readPage(position.page);
        if (!read.error && !read.record.isEmpty())
            records.emplace_back(read.record);
    }
    for (const Field field : ConfirmingFields) {
        QSet<QString> seen;
        for (const PlainRecord& record : records) {
            const QString value = comparable(fieldText(record, field));
            if (value.isEmpty())
                continue;
            if (seen.contains(value)) {
                agreeingField = QString::fromLatin1(specOf(field).name);
                return true;
            }
            seen.insert(value);
        }
    }
    return false;
}

QStringList reasonNames(int reasons) {
    QStringList names;
    if (reasons & DuplicateReason::Telephone)
        names << QStringLiteral("telephone");
    if (reasons & DuplicateReason::Email)
        names << QStringLiteral("email");
    if (reasons & DuplicateReason::Name)
        names << QStringLiteral("name");
    return names;
}

QString reasonsText(int reasons) {
    QStringList texts;
    if (reasons & DuplicateReason::Telephone)
        texts << QStringLiteral("same telephone number");
    if (reasons & DuplicateReason::Email)
        texts << QStringLiteral("same e-mail address");
    if (reasons & DuplicateReason::Name)
        texts << QStringLiteral("same name");
    return texts.join(QStringLiteral(", "));
}

} // namespace orvelan
