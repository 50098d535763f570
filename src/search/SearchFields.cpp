#include "search/SearchFields.h"

namespace orvelan {

using enum Field;

const std::array<SearchSelector, SearchSelectorCount> SearchSelectors = {{
    {"FnamLa", "Name", "name", 0, {Name}, 1},
    {"FAdrLa", "H Address", "address", 1, {Addr1, Addr2, Addr3, Addr4, Addr5, Addr6}, 6},
    {"FPhoLa", "Phone Nos", "phone", 2, {Phone1, Phone2, Mobile, Fax, Pager}, 5},
    {"FInetLa", "Email/Web", "internet", 3, {Email, OrgEmail, OrgWeb}, 3},
    {"FGropLa", "Group", "group", 4, {Group}, 1},
    {"FOrgLa", "Organisation", "organisation", 5, {Organisation}, 1},
    {"FJobLa", "JobTitle", "jobtitle", 8, {JobTitle}, 1},
    {"FDeptLa", "Department", "department", 7, {Department}, 1},
    {"FAdWLa",
     "W Address",
     "workaddress",
     6,
     {OrgAddr1, OrgAddr2, OrgAddr3, OrgAddr4, OrgAddr5, OrgAddr6},
     6},
    {"FnoteLa", "Notes", "notes", 9, {Notes}, 1},
}};

SelectorFlags selectorFlagsOf(const Settings& settings) {
    SelectorFlags flags{};
    for (int i = 0; i < SearchSelectorCount; ++i)
        flags[i] = settings.searchFlag(SearchSelectors[i].settingsIndex) == '1';
    return flags;
}

bool anySelected(const SelectorFlags& flags) {
    for (const bool on : flags) {
        if (on)
            return true;
    }
    return false;
}

char toggledFlag(char flag) {
    return flag == '0' ? '1' : '0';
}

SelectorFlags selectorFlagsFromKeys(const QStringList& keys, QStringList* unknown) {
    SelectorFlags flags{};
    for (const QString& key : keys) {
        const QString k = key.trimmed().toLower();
        if (k.isEmpty())
            continue;
        bool found = false;
        for (int i = 0; i < SearchSelectorCount; ++i) {
            if (k == QLatin1StringView(SearchSelectors[i].key)) {
                flags[i] = true;
                found = true;
            }
        }
        if (!found && unknown)
            unknown->append(key);
    }
    return flags;
}

QStringList selectorKeys() {
    QStringList keys;
    for (const SearchSelector& selector : SearchSelectors)
        keys.append(QLatin1StringView(selector.key));
    return keys;
}

} // namespace orvelan
