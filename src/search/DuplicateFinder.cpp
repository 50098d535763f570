#include "search/DuplicateFinder.h"

#include "search/NameKey.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace orvelan {

namespace {

// Numbers ending alike with more grouping keys than this are not compared pair by pair.
constexpr qsizetype MaxKeysCompared = 8;

// One key of one page. The key itself is kept as a 64-bit hash: a million keys take 16 MB.
struct PageKey {
    std::uint64_t hash;
    std::uint32_t page; // index into the pages read
    std::uint8_t kind;  // DuplicateReason
    bool operator<(const PageKey& o) const {
        return kind != o.kind ? kind < o.kind : hash != o.hash ? hash < o.hash : page < o.page;
    }
};

// A telephone number of a page: its last digits as a number (`tail`), and where its dialable
// form ("+" and digits) starts in the book's list of numbers. 12 bytes a number.
struct NumberTail {
    std::uint32_t tail;
    std::uint32_t page;
    std::uint32_t text; // offset into Numbers::texts, ended by a zero byte
};

// Every number of the book, kept small: libphonenumber reads only those whose last digits some
// other number shares, so most numbers are never parsed.
struct Numbers {
    std::vector<NumberTail> tails;
    QByteArray texts;

    void add(QStringView written, std::uint32_t page) {
        QByteArray dialable;
        for (const QChar c : written) {
            if (c.isDigit())
                dialable += char('0' + c.digitValue());
            else if (c == u'+' && dialable.isEmpty())
                dialable += '+';
        }
        const auto tail =
            PhoneNumbers::tailKey(QByteArrayView(dialable).sliced(dialable.startsWith('+')));
        if (!tail)
            return; // a short code (112, an extension) is nobody's own number
        tails.push_back({*tail, page, std::uint32_t(texts.size())});
        texts += dialable;
        texts += '\0';
    }
    QString text(const NumberTail& number) const {
        return QString::fromLatin1(texts.constData() + number.text);
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

// Letter case and runs of spaces do not make two facts differ.
QString comparable(const QString& text) {
    return text.simplified().toCaseFolded();
}

// Numbers that end alike are read by libphonenumber: those with the same grouping key are the
// same number, and a few distinct keys are compared pair by pair (one written in another
// country's national form: "8 (495) 123-45-67" in a British book).
void joinSameNumbers(const PhoneNumbers& phones, Numbers& numbers, Groups& groups,
                     std::vector<std::pair<std::uint32_t, int>>& links) {
    std::vector<NumberTail>& tails = numbers.tails;
    std::sort(tails.begin(), tails.end(), [](const NumberTail& a, const NumberTail& b) {
        return a.tail != b.tail ? a.tail < b.tail : a.page < b.page;
    });
    for (std::size_t begin = 0; begin < tails.size();) {
        std::size_t end = begin + 1;
        bool otherPage = false;
        while (end < tails.size() && tails[end].tail == tails[begin].tail) {
            otherPage = otherPage || tails[end].page != tails[begin].page;
            ++end;
        }
        if (otherPage) {
            // Each grouping key with the first page that has it and one of its numbers.
            QHash<QString, std::pair<std::uint32_t, QString>> keys;
            for (std::size_t i = begin; i < end; ++i) {
                const QString text = numbers.text(tails[i]);
                const QString key = phones.groupingKey(text);
                const auto known = keys.constFind(key);
                if (known == keys.cend()) {
                    keys.insert(key, {tails[i].page, text});
                } else if (known->first != tails[i].page) {
                    groups.join(known->first, tails[i].page);
                    links.emplace_back(tails[i].page, DuplicateReason::Telephone);
                }
            }
            if (keys.size() > 1 && keys.size() <= MaxKeysCompared) {
                const QList<std::pair<std::uint32_t, QString>> firsts = keys.values();
                for (qsizetype i = 0; i < firsts.size(); ++i) {
                    for (qsizetype j = i + 1; j < firsts.size(); ++j) {
                        if (firsts[i].first != firsts[j].first &&
                            phones.sameNumber(firsts[i].second, firsts[j].second)) {
                            groups.join(firsts[i].first, firsts[j].first);
                            links.emplace_back(firsts[j].first, DuplicateReason::Telephone);
                        }
                    }
                }
            }
        }
        begin = end;
    }
}

} // namespace

DuplicateOutcome DuplicateFinder::run() const {
    DuplicateOutcome outcome;
    NameKeys names;
    std::vector<PagePosition> positions;
    std::vector<PageKey> keys;
    Numbers numbers;
    const auto addKey = [&](std::vector<PageKey>& list, const QString& key, int kind) {
        if (!key.isEmpty())
            list.push_back({qHash(key, std::size_t(0x5eed) + kind), std::uint32_t(positions.size()),
                            std::uint8_t(kind)});
    };
    for (int tab = 0; tab < TabCount; ++tab) {
        const int error = m_folder.tabFile(tab).scan(
            [&](qint64 page, QByteArrayView stored) {
                const PlainRecord record(stored);
                if (record.isBlank())
                    return true;
                addKey(keys, names.keyOfPage(record), DuplicateReason::Name);
                for (const Field field : PhoneFields) {
                    if (!record.field(field).isEmpty())
                        numbers.add(record.text(field), std::uint32_t(positions.size()));
                }
                if (!record.field(Field::Email).isEmpty()) {
                    if (const QString email = emailKey(record.text(Field::Email)); !email.isEmpty())
                        addKey(keys, email, DuplicateReason::Email);
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

    // Each link: a page and the reason that joined it to the page before it.
    std::vector<std::pair<std::uint32_t, int>> links;
    std::sort(keys.begin(), keys.end());
    Groups groups(positions.size());
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].kind == keys[i - 1].kind && keys[i].hash == keys[i - 1].hash &&
            keys[i].page != keys[i - 1].page) {
            groups.join(keys[i - 1].page, keys[i].page);
            links.emplace_back(keys[i].page, keys[i].kind);
        }
    }
    joinSameNumbers(m_phones, numbers, groups, links);
    std::vector<int> reasons(positions.size(), 0);
    for (const auto& [page, kind] : links)
        reasons[groups.root(page)] |= kind;

    QHash<std::uint32_t, qsizetype> groupOf;
    for (std::uint32_t page = 0; page < positions.size(); ++page) {
        const std::uint32_t root = groups.root(page);
        if (!reasons[root])
            continue;
        auto index = groupOf.constFind(root);
        if (index == groupOf.cend()) {
            index = groupOf.insert(root, outcome.groups.size());
            outcome.groups.append(DuplicateGroup{{}, reasons[root], false, {}});
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
            const QString value = comparable(record.text(field));
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
