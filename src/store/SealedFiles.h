#pragma once

#include "store/RecordSealer.h"

#include <QByteArray>
#include <QString>

namespace orvelan {

// A whole file that holds page contents (the sync state, the trash): plain in a plain book,
// sealed whole in an encrypted one under a label naming the file.
struct WholeFileRead {
    bool missing = false; // no file: nothing was kept yet
    int error = 0;        // a runtime error number (RuntimeError::PageDamaged: fails its tag)
    QByteArray contents;
};
WholeFileRead readWholeFile(const QString& path, QByteArrayView label, const BookSealing& sealing);
// Replaces the file whole (AtomicFile); 0 or a runtime error number.
int writeWholeFile(const QString& path, QByteArrayView label, const BookSealing& sealing,
                   QByteArrayView contents);

} // namespace orvelan
