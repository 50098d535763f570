#pragma once

namespace orvelan {

// The three states a label used as a button shows: grey (128,128,128) idle or not applicable,
// blue (0,0,255) active or with work to do, red (255,0,0) while a destructive confirmation is
// open.
enum class LabelColour { Grey, Blue, Red };

} // namespace orvelan
