#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

class QGuiApplication;

namespace orvelan {

// What the desktop knows the program by: its name, version, desktop file (orvelan.desktop, so
// docks match the windows to the menu entry) and window icon.
void applyProgramIdentity();

// "orvelan 1.0.0"
QString programVersionText();

// --help and --version: answered on `out` before any window opens or any book folder is made;
// returns the exit status then. Every other argument (the -TAPI and /DRST switches) is left to
// the start of the run.
std::optional<int> answerInformationOptions(const QStringList& arguments, QTextStream& out);

} // namespace orvelan
