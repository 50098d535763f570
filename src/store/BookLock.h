#pragma once

#include "store/BookFolder.h"

#include <QLockFile>
#include <QString>

#include <chrono>
#include <optional>
#include <utility>

namespace orvelan {

// The book's lock (orvelan.lock in the book folder), held by the address book window for its
// whole run and by each command of orvelan-book that changes the book, from before it reads what
// it changes until it has written. Only a lock held by a running process counts: anything else
// named like the lock (a file nobody holds, whatever its date and content, a folder, a link) is
// taken over.
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
    // Clears away what stands at the lock's name when no running process holds it and it was
    // seen so at the previous look. True when the lock may be tried again at once.
    bool removeUnheldLock();

    QString m_path;
    QLockFile m_lock;
    std::optional<std::pair<quint64, quint64>> m_unheldSeen; // device and inode
};

} // namespace orvelan
