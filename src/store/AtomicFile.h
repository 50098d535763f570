#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Writes a file that replaces the one at its path as a whole: the bytes go to a new file beside
// it, which is flushed to disk and renamed over the old one on commit. A failure at any step (a
// full disk, a missing folder, no permission), or no commit at all, leaves the old file as it
// was. Errors are runtime error numbers.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(QString path);
    ~AtomicFileWriter(); // without a commit the new file is removed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // 0 when the new file could be created.
    int open();
    // False once anything failed; the error is kept for commit().
    bool write(QByteArrayView bytes);
    // Flushes, syncs and renames the new file into place; 0 when the file was replaced.
    int commit();

private:
    bool flushBuffer();
    void fail(int errnoValue);
    void discard();

    QString m_path;
    QByteArray m_temporary;
    QByteArray m_buffer;
    int m_fd = -1;
    int m_error = 0;
};

// Replaces the file at `path` with `contents` as a whole (see AtomicFileWriter).
int replaceFileAtomically(const QString& path, QByteArrayView contents);

} // namespace orvelan
