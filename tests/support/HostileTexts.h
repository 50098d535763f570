#pragma once

#include "store/PageViewIndex.h"

#include <QString>

#include <ostream>
#include <string_view>

namespace orvelan::test {

// Texts a person pastes or a script passes that would hide or turn around what a page shows:
// what each field keeps of them, whatever way they come in.
struct HostileText {
    int viewIndex;
    std::u16string_view given; // may hold NUL
    std::u16string_view kept;
    QString givenText() const { return QStringView(given).toString(); }
    QString keptText() const { return QStringView(kept).toString(); }
};

using namespace std::string_view_literals;

inline constexpr HostileText HostileTexts[] = {
    {VEmail, u"a@b\u0000.evil"sv, u"a@b.evil"sv},
    {VPhone1, u"\u202e+1 555 0100\u202c"sv, u"+1 555 0100"sv},
    {VMobile, u"\u2066+44\u2069 \u2067700\u2068"sv, u"+44 700"sv},
    {VOrganisation, u"B\u200bob\ufeff Ltd\u007f"sv, u"Bob Ltd"sv},
    {VAddr1, u"1 High St\r\nLeeds\tUK"sv, u"1 High St  Leeds UK"sv},
    {VNotes, u"line\nnext\u0007\u001b[2J"sv, u"line\nnext[2J"sv},
    {VGroup, u"\U0001F468\u200d\U0001F469 family"sv, u"\U0001F468\u200d\U0001F469 family"sv},
};

inline void PrintTo(const HostileText& row, std::ostream* os) {
    *os << "field " << row.viewIndex << " keeps \"" << row.keptText().toStdString() << "\"";
}

} // namespace orvelan::test
