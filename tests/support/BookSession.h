#pragma once

#include "store/Session.h"
#include "support/FakeClock.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

namespace orvelan::test {

// A temporary book in a session with scripted answers, a clock that never waits and a launcher
// that records what it was asked to open.
struct BookSession {
    TempBook book;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
    Session session{book.folder(), Services{prompter, clock, launcher}};
};

} // namespace orvelan::test
