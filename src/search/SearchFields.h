#pragma once

#include "store/PageRecord.h"
#include "store/Settings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace orvelan {

// One "Look in" selector of the search window: the fields it adds to a page's search text.
struct SearchSelector {
    const char* objectName; // FnamLa ...
    const char* caption;    // "Name" ...
    const char* key;        // the command-line tool's name for it
    int settingsIndex;      // its flag is settings position 300 + settingsIndex
    std::array<Field, 6> fields;
    int fieldCount;
};

inline constexpr int SearchSelectorCount = 10;

// In the order in which the fields of the selected ones are joined.
extern const std::array<SearchSelector, SearchSelectorCount> SearchSelectors;

// Which selectors are on, in the order of SearchSelectors.
using SelectorFlags = std::array<bool, SearchSelectorCount>;

// A selector is on when its stored flag is "1"; anything else is off.
SelectorFlags selectorFlagsOf(const Settings& settings);
bool anySelected(const SelectorFlags& flags);

// A stored flag toggled by a click: "0" becomes "1", anything else becomes "0".
char toggledFlag(char flag);

// "name,phone" to flags; throws nothing, returns the unknown names in `unknown`.
SelectorFlags selectorFlagsFromKeys(const QStringList& keys, QStringList* unknown = nullptr);
QStringList selectorKeys();

} // namespace orvelan
