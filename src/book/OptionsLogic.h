#pragma once

#include "store/Settings.h"

#include <QString>
#include <QStringList>

namespace orvelan {

enum class Tick { Off, On, Greyed };

// The options panel's controls as plain values, so the rules run without a window.
struct OptionsState {
    Tick dialFieldFollowsPageTurn = Tick::Off;
    Tick usePasswordOnStartUp = Tick::Off;
    Tick allowExtCharsInPasswords = Tick::Off;
    Tick enableMinimise = Tick::Off;
    Tick finishWithoutPrompting = Tick::Off;
    QString dialMethodText; // ComSelectCB
    QString portText;       // PortSelectCb
    bool clearExistingPassword = false;

    bool operator==(const OptionsState&) const = default;
};

// How the panel is arranged for a dialing method.
struct DialLayout {
    bool portEnabled = false;
    bool lineSelectorEnabled = false;
    bool tapiShowVisible = false;
    bool operator==(const DialLayout&) const = default;
};

const QStringList& dialMethodTexts(); // "Use TAPI", "Use Serial", "Auto-Dial OFF"
const QStringList& serialPortTexts(); // "COM 1" .. "COM 4"

// The panel as the settings say; a stored value the panel does not know becomes its default
// in the settings too.
OptionsState fillOptions(Settings& settings);

// The panel into the settings; what the panel shows is put right where it held something the
// settings cannot take. The caller writes the file.
void storeOptions(OptionsState& state, Settings& settings);

// A new choice in the dialing-method list acts at once.
DialLayout chooseDialMethod(const QString& text, Settings& settings);
DialLayout dialLayoutFor(int dialMethod);

} // namespace orvelan
