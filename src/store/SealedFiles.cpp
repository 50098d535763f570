#include "store/SealedFiles.h"

#include "store/AtomicFile.h"
#include "store/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace orvelan {

WholeFileRead readWholeFile(const QString& path, QByteArrayView label, const BookSealing& sealing) {
    WholeFileRead result;
    QFile file(path);
    if (!file.exists()) {
        result.missing = true;
        return result;
    }
    if (sealing.state() == BookSealing::State::Locked) {
        result.error = RuntimeError::BookLocked;
        return result;
    }
    errno = 0;
    if (QFileInfo(path).isDir()) { // Qt refuses to open a folder without setting errno
        result.error = RuntimeError::PathFileAccessError;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = runtimeErrorFromErrno(errno ? errno : EIO, path);
        return result;
    }
    QByteArray bytes = file.readAll();
    const auto sealer = sealing.sealer();
    if (!sealer) {
        result.contents = std::move(bytes);
        return result;
    }
    auto opened = sealer->openFile(label, bytes);
    if (!opened)
        result.error = RuntimeError::PageDamaged;
    else
        result.contents = std::move(*opened);
    return result;
}

int writeWholeFile(const QString& path, QByteArrayView label, const BookSealing& sealing,
                   QByteArrayView contents) {
    if (sealing.state() == BookSealing::State::Locked)
        return RuntimeError::BookLocked;
    const auto sealer = sealing.sealer();
    if (!sealer)
        return replaceFileAtomically(path, contents);
    return replaceFileAtomically(path, sealer->sealFile(label, contents));
}

} // namespace orvelan
