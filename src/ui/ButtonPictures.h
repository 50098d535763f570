#pragma once

#include <QPixmap>

namespace orvelan {

// The three pictures behind each command of the password window, drawn in code.
enum class ButtonState { Normal, Over, Pressed }; // SetMPS_N, SetMPS_O, SetMPS_X
QPixmap passwordButtonPicture(ButtonState state, QSize size);

} // namespace orvelan
