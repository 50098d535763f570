#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <mutex>
#include <optional>

namespace orvelan {

// Seals and opens what an encrypted book stores: each record of a tab file on its own, bound to
// its tab and record number, and other files that hold page contents whole, bound to a label
// naming the file. The store's file classes call it; the keys behind it never leave security/.
class RecordSealer {
public:
    // A sealed record: nonce (24), the record (1690) enciphered, tag (16).
    static constexpr qsizetype SealedRecordSize = 1730;
    static constexpr qsizetype RecordOverhead = 40;

    virtual ~RecordSealer() = default;
    // Writes the sealed form of `plain` (one 1690-byte record) into `out` (SealedRecordSize).
    virtual void sealRecord(int tab, qint64 record, QByteArrayView plain, char* out) const = 0;
    // Opens a sealed record into `out` (1690 bytes); false when it fails its tag (damaged, or
    // moved from another place).
    virtual bool openRecord(int tab, qint64 record, QByteArrayView sealed, char* out) const = 0;
    virtual QByteArray sealFile(QByteArrayView label, QByteArrayView plain) const = 0;
    virtual std::optional<QByteArray> openFile(QByteArrayView label,
                                               QByteArrayView sealed) const = 0;
};

// How the files of a book folder are to be read and written: plain, sealed and not yet
// unlocked, or sealed with the key at hand. Every copy of a BookFolder shares one, so unlocking
// (or converting) the book reaches every part of the program that holds the folder.
class BookSealing {
public:
    enum class State { Plain, Locked, Open };

    explicit BookSealing(State state) : m_state(state) {}

    State state() const {
        std::lock_guard guard(m_mutex);
        return m_state;
    }
    bool encrypted() const { return state() != State::Plain; }
    // The sealer while the book is open; null for a plain or a locked book.
    std::shared_ptr<const RecordSealer> sealer() const {
        std::lock_guard guard(m_mutex);
        return m_sealer;
    }
    void open(std::shared_ptr<const RecordSealer> sealer) {
        std::lock_guard guard(m_mutex);
        m_sealer = std::move(sealer);
        m_state = State::Open;
    }
    void setLocked() {
        std::lock_guard guard(m_mutex);
        m_sealer.reset();
        m_state = State::Locked;
    }
    void setPlain() {
        std::lock_guard guard(m_mutex);
        m_sealer.reset();
        m_state = State::Plain;
    }

private:
    mutable std::mutex m_mutex;
    State m_state;
    std::shared_ptr<const RecordSealer> m_sealer;
};

} // namespace orvelan
