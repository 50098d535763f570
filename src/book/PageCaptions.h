#pragma once

#include <QString>

namespace orvelan {

// The title printed beside page text box `viewIndex` ("Name", "Address", "Phone 2" ...); empty
// for the address lines below the first, which share the title of their first line.
QString pageTitleOf(int viewIndex);

// How the user is told which page text box `viewIndex` is (messages, accessible names): its
// title on the page, with the line of an address ("Address line 4", "Work address line 2").
QString pageCaptionOf(int viewIndex);

} // namespace orvelan
