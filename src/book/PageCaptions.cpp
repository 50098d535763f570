#include "book/PageCaptions.h"

#include "store/PageTexts.h"
#include "store/PageViewIndex.h"

#include <array>

namespace orvelan {

namespace {

// Name, six address lines, five numbers, e-mail and group on the left page; organisation,
// job title, department, six address lines, e-mail, web and notes on the right.
constexpr std::array<const char*, ViewFieldCount> Titles = {
    "Name",      "Address",    "",        "",        "",
    "",          "",           "Phone",   "Phone 2", "Mobile",
    "Fax",       "Pager",      "E-Mail",  "Group",   "Organisation",
    "Job Title", "Department", "Address", "",        "",
    "",          "",           "",        "E-Mail",  "Web",
    "Notes"};

constexpr int HomeAddressFirst = VAddr1;
constexpr int WorkAddressFirst = VOrgAddr1;
constexpr int WorkEmail = VOrgEmail;

} // namespace

QString pageTitleOf(int viewIndex) {
    if (viewIndex < 0 || viewIndex >= ViewFieldCount)
        return {};
    return QString::fromLatin1(Titles[std::size_t(viewIndex)]);
}

QString pageCaptionOf(int viewIndex) {
    if (viewIndex >= HomeAddressFirst && viewIndex < HomeAddressFirst + AddressLines)
        return QStringLiteral("Address line %1").arg(viewIndex - HomeAddressFirst + 1);
    if (viewIndex >= WorkAddressFirst && viewIndex < WorkAddressFirst + AddressLines)
        return QStringLiteral("Work address line %1").arg(viewIndex - WorkAddressFirst + 1);
    if (viewIndex == WorkEmail)
        return QStringLiteral("Work e-mail");
    return pageTitleOf(viewIndex);
}

} // namespace orvelan
