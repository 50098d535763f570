#pragma once

#include "platform/Prompt.h"
#include "store/PageStore.h"

namespace orvelan {

// The message boxes of a failed page read or write, as data for the windows to show.
struct StoreFailureMessages {
    PromptRequest first;      // shown first
    bool continuable = false; // OK on `first` goes on with the load; otherwise the program ends
    PromptRequest onCancel;   // shown after Cancel on `first` (read failures only)
};

StoreFailureMessages messagesFor(const StoreFailure& failure);

// The text that follows "File Read/Write Error: " for a read error number.
QString readErrorMessage(int error);
// Where an encrypted book's page failed its authentication: "page 3 of tab M is damaged and
// cannot be read".
QString damagedPageText(int tab, qint64 page);
// What the user is told when damaged pages were left out; empty for none.
QString damagedLeftOutNotice(qint64 damaged);
// Said after an export or a printout of an encrypted book: the copy is plain.
QString plainCopyNotice();
// What the user is told when a file could not be written: "Could not write the file. The disk
// is full." and the like.
QString writeErrorMessage(int error);

} // namespace orvelan
