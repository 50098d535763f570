#pragma once

#include "platform/LabelColour.h"
#include "store/PageTexts.h"

#include <QString>

#include <array>

namespace orvelan {

// A label used as a button: what it reads and the colour that tells its state.
struct LabelState {
    QString caption;
    LabelColour colour = LabelColour::Grey;
    bool operator==(const LabelState&) const = default;
};

inline constexpr int DialFieldCount = 5;
// The page text box each dial field reads: Phone1, Phone2, Mobile, Fax, Pager.
inline constexpr std::array<int, DialFieldCount> DialFieldViewIndex = {7, 8, 9, 10, 11};

// Everything the open book shows apart from the tab strip: the 26 texts, the command labels,
// the statistics and the dial selection. The logic changes it; the window draws it.
struct BookViewState {
    PageTexts texts;
    QString recordCaption; // RecnLa
    QString statusText;    // StatusLa
    // While the page shown is damaged (an encrypted page that fails its authentication):
    // "page 3 of tab M is damaged and cannot be read". Its texts are not shown, and it is
    // never written over or deleted without the user's word.
    QString damagedMark;

    LabelState add{QStringLiteral("Add")};
    LabelState edit{QStringLiteral("Stats")};
    LabelState undo{QStringLiteral("Undo")};
    LabelState del{QStringLiteral("Delete")};
    LabelState pass{QStringLiteral("Options")};
    LabelState find{QStringLiteral("Find")};
    LabelState dial{QStringLiteral("Dial")};

    bool newNameVisible = false;
    bool notesVisible = true;
    bool optionsVisible = false;
    bool callPictureVisible = false; // Picture4
    bool hangUpVisible = false;      // cmdHangUp, while a call can be ended

    // Statistics, shown while the notes box is hidden.
    QString statTab, statRecords, statModified, statTime;

    // The selected dial field (0 none, 1..5), its number and the five marker lines.
    int dialField = 0;
    QString dialNumber;
    std::array<bool, DialFieldCount> dialMarks{};

    bool addMode() const { return add.caption == QLatin1StringView("Save"); }
};

} // namespace orvelan
