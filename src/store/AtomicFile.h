#pragma once

#include <QByteArrayView>
#include <QString>

namespace orvelan {

// Replaces the file at `path` with `contents` as a whole: the bytes go to a new file beside it,
// which is flushed to disk and then renamed over the old one. A failure at any step (a full
// disk, a missing folder, no permission) leaves the old file as it was and returns a runtime
// error number; 0 when the file was replaced.
int replaceFileAtomically(const QString& path, QByteArrayView contents);

} // namespace orvelan
