#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Writes a file that replaces the one at its path as a whole: the bytes go to a new file beside
// it, which is flushed to disk and renamed over the old one on commit. A failure at any step (a
// full disk, a missing folder, no permission), or no commit at all, leaves the old file as it
// was. The new file has no name until it is written whole where the file system allows it, so a
// crash leaves nothing behind; elsewhere it carries the temporary name pattern (PrivateFiles.h).
// A new file is private (0600); a replaced one keeps its mode. A link at the path is replaced,
// never followed. Errors are runtime error numbers.
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
    // The first error so far (0 when none).
    int error() const { return m_error; }
    // Flushes, syncs and renames the new file into place; 0 when the file was replaced.
    int commit();

private:
    bool flushBuffer();
    void fail(int errnoValue);
    void discard();
    bool nameUnnamedFile();

    QString m_path;
    QByteArray m_temporary; // the temporary's name, once it has one
    bool m_unnamed = false; // written to an unnamed file (O_TMPFILE) until commit
    QByteArray m_buffer;
    int m_fd = -1;
    int m_error = 0;
};

// Replaces the file at `path` with `contents` as a whole (see AtomicFileWriter).
int replaceFileAtomically(const QString& path, QByteArrayView contents);

// Copies `source` over `target` as a whole, reading and writing in bounded chunks.
int copyFileAtomically(const QString& source, const QString& target);

// A temporary name beside `target` with the recognisable pattern.
QByteArray temporaryNameFor(const QByteArray& target);

} // namespace orvelan
