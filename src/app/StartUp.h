#pragma once

#include "store/Session.h"

#include "store/BookLock.h"
#include <QStringList>

#include <memory>

namespace orvelan {

// The start of a run: the book folder, the command line, one running copy per book folder, the
// settings. The lock is held for as long as this object lives; a lock left behind by a copy
// that crashed does not block the next start, whatever it holds. With the lock held, the
// temporaries of interrupted writes are removed and a book whose first run was cut short is
// completed.
class StartUp {
public:
    // A command of the tool that holds the book is waited for `commandWait` before the user is
    // asked whether to wait longer.
    StartUp(BookFolder folder, Services services, const QStringList& arguments,
            std::chrono::milliseconds commandWait = std::chrono::seconds(5));

    // Returns false when another copy runs on this book folder, or a command of the tool holds
    // it and the user chose not to wait: the user has been told and the program ends without
    // touching the book.
    bool begin();
    // After a refused begin(): the book is open in another copy of the program.
    bool otherWindowRuns() const { return m_otherWindow; }

    Session& session() { return *m_session; }
    const CommandLine& commandLine() const { return m_commandLine; }

    static PromptRequest alreadyRunning();
    static PromptRequest commandWorking();
    // The arguments after the program's name as one text, the way the switches are looked for.
    static QString wholeCommandLine(const QStringList& arguments);

private:
    BookFolder m_folder;
    Services m_services;
    CommandLine m_commandLine;
    BookLock m_lock;
    std::unique_ptr<Session> m_session;
    std::chrono::milliseconds m_commandWait;
    bool m_otherWindow = false;
};

} // namespace orvelan
