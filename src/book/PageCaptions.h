#pragma once

#include <QString>

namespace orvelan {

// The title printed beside page text box `viewIndex` ("Name", "Address", "Phone 2" ...); empty
// for the address lines below the first, which share the title of their first line.
QString pageTitleOf(int viewIndex);

// How a message names page text box `viewIndex` for the user: its title on the page, with the
// line for address lines ("Address, line 4").
QString pageCaptionOf(int viewIndex);

} // namespace orvelan
