#pragma once

#include "platform/BookWindow.h"
#include "store/Session.h"

namespace orvelan {

// Removes the blank pages of the letter tabs with the status texts in the main window, then
// shows page 1 of tab 1. A file operation that failed is reported in one box.
void removeBlankPagesWithStatus(Session& session, BookWindow& book);

} // namespace orvelan
