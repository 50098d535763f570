#include "search/DuplicateFinder.h"
#include "search/NameKey.h"

#include "store/PageTexts.h"
#include "store/PageViewIndex.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

using namespace orvelan;
using namespace orvelan::test;

namespace {

struct NamePair {
    const char* a;
    const char* b;
    bool same;
};

class NameKeyTest : public testing::TestWithParam<NamePair> {};

// Both names go through the Unicode path and, where they are Windows-1252, the stored-bytes path.
TEST_P(NameKeyTest, SameNameInAnyScriptCaseAndWordOrder) {
    NameKeys keys;
    const QString a = QString::fromUtf8(GetParam().a);
    const QString b = QString::fromUtf8(GetParam().b);
    EXPECT_EQ(keys.keyOf(a) == keys.keyOf(b), GetParam().same)
        << keys.keyOf(a).toStdString() << " / " << keys.keyOf(b).toStdString();
    if (encodingFor(QStringView(a)) == TextEncoding::Windows1252) {
        EXPECT_EQ(keys.keyOfWindows1252(encodeText(a, TextEncoding::Windows1252)), keys.keyOf(a));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, NameKeyTest,
    testing::Values(NamePair{"Иванов Иван", "Ivanov, Ivan", true},
                    NamePair{"IVAN IVANOV", "Ivanov, Ivan", true},
                    NamePair{"Иванов Иван", "Ivan Petrov", false},
                    NamePair{"IVANOV I.", "Ivan Ivanov", false},
                    NamePair{"Γιώργος Παπαδόπουλος", "Papadopoulos Giorgos", true},
                    NamePair{"José Müller-Lüdenscheidt", "jose muller ludenscheidt", true},
                    NamePair{"O'Brien, Seán", "SEAN OBRIEN", true},
                    NamePair{"Łukasz Żółć", "Zolc Lukasz", true},
                    NamePair{"王小明", "Wang Xiaoming", true},
                    NamePair{"王小明", "Xiaoming, Wang", true}, NamePair{"王小明", "王小红", false},
                    NamePair{"Ann Lee", "Lee Ann Smith", false}));

// A page of the given texts: name, then pairs of view index and text.
QByteArray page(const char* name, std::initializer_list<std::pair<int, const char*>> fields = {}) {
    PageTexts texts;
    texts[VName] = QString::fromUtf8(name);
    for (const auto& [index, text] : fields)
        texts[index] = QString::fromUtf8(text);
    PageRecord record;
    fillRecord(record, texts);
    return record.toStored();
}

struct FinderCase {
    const char* what;
    QList<QByteArray> pages;
    // One line per group: "possible " when so, the reasons, then the pages found.
    std::vector<std::string> expected;
};

class DuplicateFinderTest : public testing::TestWithParam<FinderCase> {};

TEST_P(DuplicateFinderTest, GroupsAndReasons) {
    TempBook book;
    book.writeTab(1, GetParam().pages);
    const PhoneNumbers phones(QStringLiteral("GB"));
    const DuplicateOutcome outcome = DuplicateFinder(book.folder(), phones).run();
    std::vector<std::string> groups;
    for (const DuplicateGroup& group : outcome.groups) {
        QString line = (group.possible ? QStringLiteral("possible ") : QString()) +
                       reasonNames(group.reasons).join(u'+') + u':';
        for (const PagePosition& position : group.pages)
            line += u' ' + QString::number(position.page);
        groups.push_back(line.toStdString());
    }
    EXPECT_EQ(groups, GetParam().expected) << GetParam().what;
}

const char* const Mobile = "+7 495 123-45-67";

INSTANTIATE_TEST_SUITE_P(
    Book, DuplicateFinderTest,
    testing::Values(
        FinderCase{"a number written two ways, an e-mail in capitals, a name in Cyrillic",
                   {page("Ivanov, Ivan", {{VPhone1, Mobile}}),
                    page("Иванов Иван", {{VMobile, "8 (495) 123 45 67"}}),
                    page("IVANOV I.", {{VEmail, "Ivan@Example.COM"}}),
                    page("Someone Else", {{VEmail, "ivan@example.com"}}),
                    page("Ivanov I.", {{VPhone2, "+7 495 765-43-21"}}),
                    TempBook::named("Nobody Twice")},
                   {"telephone+name: 1 2", "email+name: 3 4 5"}},
        FinderCase{"a name alone is possible unless another fact agrees",
                   {page("Anna Berg"), page("BERG, ANNA"),
                    page("Carl Dahl", {{VOrganisation, "Acme Ltd"}}),
                    page("Dahl Carl", {{VOrganisation, "ACME  ltd"}}),
                    page("Eva Falk", {{VAddr1, "1 High St"}}),
                    page("Falk Eva", {{VAddr1, "2 High St"}})},
                   {"possible name: 1 2", "name: 3 4", "possible name: 5 6"}},
        FinderCase{"a shared fax, short numbers, one page's number twice and blank pages join "
                   "nothing",
                   {page("Gus Hale", {{VFax, "020 7946 0000"}, {VPhone1, "112"}}),
                    page("Ida Jones", {{VFax, "020 7946 0000"}, {VPhone1, "112"}}),
                    page("Kim Lund", {{VPhone1, "+44 20 7946 0001"}, {VMobile, "020 7946 0001"}}),
                    TempBook::named({}), TempBook::named({})},
                   {}}));

} // namespace
