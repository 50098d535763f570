#pragma once

#include "store/BookFolder.h"

#include <QLockFile>
#include <QString>

#include <chrono>

namespace orvelan {

// The book's lock (orvelan.lock in the book folder), held by the address book window for its
// whole run and by each command of orvelan-book that changes the book, from before it reads what
// it changes until it has written. A lock whose owner is not running is stale whatever its age
// and content (empty, unreadable, or the id of a process that is gone) and is taken over.
class BookLock {
public:
    enum class Result {
        Taken,
        HeldByWindow,  // the address book program has the book open
        HeldByCommand, // another command (or another program) is changing it
        Unavailable,   // no lock can be made here (a read-only folder): go on unguarded
    };

    explicit BookLock(const BookFolder& folder);
    ~BookLock(); // releases the lock when taken

    BookLock(const BookLock&) = delete;
    BookLock& operator=(const BookLock&) = delete;

    // Tries to take the lock. A lock held by a command is waited for up to `wait`; one held by
    // the window is refused at once.
    Result take(std::chrono::milliseconds wait);
    bool isTaken() const { return m_lock.isLocked(); }

    // The program file name that marks the address book window as the holder.
    static constexpr char WindowProgram[] = "orvelan";

private:
    // Removes a lock file that holds no valid owner and that no running process holds.
    bool removeOwnerlessLock();

    QString m_path;
    QLockFile m_lock;
};

} // namespace orvelan
