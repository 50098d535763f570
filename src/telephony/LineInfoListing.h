#pragma once

#include <QString>
#include <QStringList>

namespace orvelan {

class CvbTAPILine;
class Settings;

// The texts of the telephony line information list `lstLineInfo`.
namespace LineInfoListing {

inline constexpr QStringView DisabledText = u"The TAPI is currentlty disabled ...";

// The description of the current line of `line`, one list entry per item; indented items begin
// with a tab.
QStringList capabilityLines(const CvbTAPILine& line);

// The whole list after a choice in the line selector: `entryText` is the chosen entry (empty
// when nothing is chosen). Makes the chosen line current, and remembers the choice in
// `settings` unless the service is disabled.
QStringList forChoice(bool tapiEnabled, const QString& entryText, CvbTAPILine* line,
                      Settings& settings);

} // namespace LineInfoListing

} // namespace orvelan
