#pragma once

namespace orvelan {

// Where each field stands among the page texts (PageTexts): the first of a group of address
// lines, the numbers, the e-mails and so on.
enum PageViewIndex : int {
    VName = 0,
    VAddr1 = 1,
    VPhone1 = 7,
    VPhone2 = 8,
    VMobile = 9,
    VFax = 10,
    VPager = 11,
    VEmail = 12,
    VGroup = 13,
    VOrganisation = 14,
    VJobTitle = 15,
    VDepartment = 16,
    VOrgAddr1 = 17,
    VOrgEmail = 23,
    VOrgWeb = 24,
    VNotes = 25,
};
// Each address, the home one and the work one, takes six lines.
inline constexpr int AddressLines = 6;

} // namespace orvelan
