#include "search/BookSearch.h"

#include "search/PhoneQuery.h"

#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <array>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

struct FoldTable {
    std::array<char, 256> map{};
    FoldTable() {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<char>(i);
        for (int c = 'A'; c <= 'Z'; ++c)
            map[c] = static_cast<char>(c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7) // the multiplication sign has no small form
                map[c] = static_cast<char>(c + 32);
        }
        map[0x8A] = static_cast<char>(0x9A); // S caron
        map[0x8C] = static_cast<char>(0x9C); // OE
        map[0x8E] = static_cast<char>(0x9E); // Z caron
        map[0x9F] = static_cast<char>(0xFF); // Y diaeresis
    }
};

const FoldTable& foldTable() {
    static const FoldTable table;
    return table;
}

// Reads single fields of a stored record without deciphering the rest. A field's padding is
// found by comparing it with a blank record, whose bytes are enciphered spaces
// (storedTextLength), so only the text itself is deciphered.
class StoredFields {
public:
    StoredFields() : m_blank(blankRecord().constData()) {
        for (int i = 0; i < RecordSize; ++i)
            m_key[i] = static_cast<char>(m_blank[i] ^ ' ');
    }

    // Writes the field's text, trimmed of spaces and passed through `map` when given, to `out`;
    // returns its length.
    qsizetype read(QByteArrayView record, Field field, char* out,
                   const std::array<char, 256>* map = nullptr) const {
        const qsizetype offset = specOf(field).offset;
        const char* stored = record.data() + offset;
        const char* blank = m_blank + offset;
        const qsizetype end = storedTextLength(record.data(), m_blank, field);
        qsizetype begin = 0;
        while (begin < end && stored[begin] == blank[begin])
            ++begin;
        const char* key = m_key.data() + offset;
        if (map) {
            for (qsizetype i = begin; i < end; ++i)
                *out++ = (*map)[static_cast<unsigned char>(stored[i] ^ key[i])];
        } else {
            for (qsizetype i = begin; i < end; ++i)
                *out++ = static_cast<char>(stored[i] ^ key[i]);
        }
        return end - begin;
    }

private:
    const char* m_blank; // blankRecord(), which lives as long as the program
    std::array<char, RecordSize> m_key{};
};

const StoredFields& storedFields() {
    static const StoredFields fields;
    return fields;
}

QString columnText(QByteArrayView field, int width, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252)
        return fromWindows1252(field.first(std::min<qsizetype>(field.size(), width)))
            .leftJustified(width, u' ');
    return textColumn(decodeText(field, encoding), width);
}

// Whether one of the page's number fields holds the number asked for.
bool anyNumberMatches(QByteArrayView record, TextEncoding encoding, const PhoneQuery& query) {
    std::array<char, RecordSize> text{};
    std::string digits;
    for (const Field field :
         {Field::Phone1, Field::Phone2, Field::Mobile, Field::Fax, Field::Pager}) {
        const qsizetype length = storedFields().read(record, field, text.data());
        const QByteArrayView stored(text.data(), length);
        if (encoding != TextEncoding::Windows1252) {
            if (query.matches(decodeText(stored, encoding)))
                return true;
            continue;
        }
        digits.clear();
        for (const char c : stored) {
            if (c >= '0' && c <= '9')
                digits += c;
        }
        if (query.matchesDigits(digits))
            return true;
    }
    return false;
}

} // namespace

char foldCase(char c) {
    return foldTable().map[static_cast<unsigned char>(c)];
}

QString resultTabText(int tab) {
    if (tab == 9)
        return u" IJ"_s;
    return tabCaption(tab).prepend(u' ').leftJustified(3, u' ');
}

QString resultLine(int tab, qint64 page, const PlainRecord& record) {
    return resultLine(tab, page, record.field(Field::Name), record.field(Field::Organisation),
                      record.field(Field::Phone1), record.encoding());
}

QString resultLine(int tab, qint64 page, QByteArrayView name, QByteArrayView organisation,
                   QByteArrayView phone1, TextEncoding encoding) {
    QString line;
    line.reserve(84);
    line += u' ';
    line += columnText(name, 21, encoding);
    line += u"  "_s;
    line += columnText(organisation, 26, encoding);
    line += u"  "_s;
    line += columnText(phone1, 18, encoding);
    line += u"  "_s;
    line += resultTabText(tab);
    line += u" / "_s;
    line += QString::number(page).rightJustified(5, u' ');
    return line;
}

std::optional<int> tabIndexForText(QStringView text) {
    if (text == u"0" || text == u"A")
        return 1;
    if (text == u"IJ")
        return 9;
    if (text.size() == 1) {
        const char16_t c = text[0].unicode();
        if (c >= u'B' && c <= u'H')
            return c - u'A' + 1;
        if (c >= u'K' && c <= u'Z')
            return c - u'A';
    }
    return std::nullopt;
}

std::optional<PagePosition> positionOfLine(QStringView line) {
    // The tab text and the page number end the line: " A  /     7".
    const qsizetype slash = line.lastIndexOf(u" / ");
    if (slash < 3)
        return std::nullopt;
    const std::optional<int> tab = tabIndexForText(line.sliced(slash - 3, 3).trimmed());
    bool ok = false;
    const qint64 page = line.sliced(slash + 3).trimmed().toLongLong(&ok);
    if (!tab || !ok || page < 1)
        return std::nullopt;
    return PagePosition{*tab, page};
}

bool BookSearch::pageExists(const PagePosition& position) const {
    return position.page >= 1 &&
           position.page <= m_folder.tabFile(position.tab).pageCount().value_or(0);
}

SearchOutcome
BookSearch::run(const SelectorFlags& flags, QStringView query,
                const std::function<void(int, int)>& afterTab,
                const std::function<void(const SearchHit&, QByteArrayView)>& onHit) const {
    SearchOutcome outcome;
    const QStringView wanted = trimSpaces(query);
    // Windows-1252 pages are searched byte by byte; a query they cannot hold is in none of them.
    const bool westernQuery = fitsWindows1252(wanted);
    QByteArray needle = toWindows1252(wanted);
    for (char& c : needle)
        c = foldCase(c);
    const QString foldedQuery = wanted.toString().toCaseFolded();
    // With the numbers selected, a query written like a number is also compared by its digits.
    constexpr int PhoneSelector = 2;
    const PhoneQuery phoneQuery(
        flags[PhoneSelector] ? wanted : QStringView(),
        PhoneNumbers(flags[PhoneSelector] ? phoneRegionSetting(m_folder.configPath()) : QString()));
    const StoredFields& stored = storedFields();
    const auto& fold = foldTable().map;
    std::array<char, RecordSize> text{};
    std::array<char, RecordSize> name{};
    std::array<char, RecordSize> organisation{};
    std::array<char, RecordSize> phone{};

    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        const TabFile file = m_folder.tabFile(tab);
        const int error = file.scan(
            [&](qint64 page, QByteArrayView record) {
                if (isBlankStored(record))
                    return true;
                const TextEncoding encoding = encodingOfStored(record);
                const bool unicode = encoding != TextEncoding::Windows1252;
                if (!unicode && !westernQuery)
                    return true;
                qsizetype length = 0;
                QString decoded; // an SCSU field is a stream of its own, decoded alone
                for (int s = 0; s < SearchSelectorCount; ++s) {
                    if (!flags[s])
                        continue;
                    const SearchSelector& selector = SearchSelectors[s];
                    for (int f = 0; f < selector.fieldCount; ++f) {
                        const qsizetype read =
                            stored.read(record, selector.fields[f], text.data() + length,
                                        unicode ? nullptr : &fold);
                        if (encoding == TextEncoding::Scsu)
                            decoded +=
                                decodeText(QByteArrayView(text.data() + length, read), encoding);
                        length += read;
                    }
                }
                const QByteArrayView joined(text.data(), length);
                if (encoding == TextEncoding::Utf8)
                    decoded = QString::fromUtf8(joined);
                if ((unicode ? !decoded.toCaseFolded().contains(foldedQuery)
                             : joined.indexOf(needle) < 0) &&
                    !(phoneQuery.isActive() && anyNumberMatches(record, encoding, phoneQuery)))
                    return true;
                const qsizetype nameLength = stored.read(record, Field::Name, name.data());
                if (nameLength == 0)
                    return true; // a name of spaces only is a blank page too
                const QByteArrayView org(
                    organisation.data(),
                    stored.read(record, Field::Organisation, organisation.data()));
                const QByteArrayView phone1(phone.data(),
                                            stored.read(record, Field::Phone1, phone.data()));
                SearchHit hit{{tab, page},
                              resultLine(tab, page, QByteArrayView(name.data(), nameLength), org,
                                         phone1, encoding)};
                if (onHit)
                    onHit(hit, record);
                else
                    outcome.hits.append(std::move(hit));
                return true;
            },
            [&](qint64 page) {
                outcome.damaged.append({tab, page});
            });
        if (error && error != RuntimeError::FileNotFound && error != RuntimeError::PathNotFound)
            outcome.unreadTabs.append(tab);
        if (afterTab)
            afterTab(tab, outcome.found());
    }
    return outcome;
}

void storeResults(SearchResults& results, const SearchOutcome& outcome) {
    if (outcome.hits.isEmpty())
        return;
    results.lines.clear();
    results.lines.reserve(outcome.hits.size());
    for (const SearchHit& hit : outcome.hits)
        results.lines.append(hit.line);
    results.present = true;
}

} // namespace orvelan
