#include "search/BookSearch.h"

#include "store/RuntimeError.h"
#include "store/TabFile.h"
#include "store/TabTable.h"
#include "store/Windows1252.h"

#include <array>
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

QString columnText(QByteArrayView field, int width) {
    return fromWindows1252(field.first(std::min<qsizetype>(field.size(), width)))
        .leftJustified(width, u' ');
}

} // namespace

char foldCase(char c) {
    return foldTable().map[static_cast<unsigned char>(c)];
}

QString resultTabText(int tab) {
    if (tab == 9)
        return u" IJ"_s;
    return QString::fromLatin1(tabLabel(tab)).trimmed().prepend(u' ').leftJustified(3, u' ');
}

QString resultLine(int tab, qint64 page, const PlainRecord& record) {
    QString line;
    line.reserve(84);
    line += u' ';
    line += columnText(record.field(Field::Name), 21);
    line += u"  "_s;
    line += columnText(record.field(Field::Organisation), 26);
    line += u"  "_s;
    line += columnText(record.field(Field::Phone1), 18);
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

SearchOutcome BookSearch::run(const SelectorFlags& flags, QStringView query,
                              const std::function<void(int, int)>& afterTab) const {
    SearchOutcome outcome;
    qsizetype unmappable = 0;
    QByteArray needle = toWindows1252(trimSpaces(query), &unmappable);
    const bool searchable = unmappable == 0; // such a character is in no page
    for (char& c : needle)
        c = foldCase(c);
    const auto& fold = foldTable().map;
    std::array<char, RecordSize> text{};

    for (int tab = FirstLetterTab; tab <= LastTab; ++tab) {
        const TabFile file(m_folder.tabFilePath(tab));
        const int error = file.scan([&](qint64 page, QByteArrayView stored) {
            if (!searchable || isBlankStored(stored))
                return true;
            const PlainRecord record(stored);
            qsizetype length = 0;
            for (int s = 0; s < SearchSelectorCount; ++s) {
                if (!flags[s])
                    continue;
                const SearchSelector& selector = SearchSelectors[s];
                for (int f = 0; f < selector.fieldCount; ++f) {
                    for (const char c : record.field(selector.fields[f]))
                        text[length++] = fold[static_cast<unsigned char>(c)];
                }
            }
            if (QByteArrayView(text.data(), length).indexOf(needle) < 0 || record.isBlank())
                return true;
            outcome.hits.append({{tab, page}, resultLine(tab, page, record)});
            return true;
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
