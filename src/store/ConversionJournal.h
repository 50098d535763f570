#pragma once

#include "store/BookFolder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvelan {

// A book turns from plain to encrypted (or back) by writing the converted form of every file
// beside it as a twin ("Orvel01.raf.convert"), then the marker book.conversion that names the
// form the book goes to, then renaming each twin over its file. The marker is the one moment of
// change: a start that finds twins without a marker removes them (the book is whole in its old
// form); a start that finds the marker completes the renames (the new form is whole in the
// twins). Completing needs no key.
namespace Conversion {
inline constexpr char TwinSuffix[] = ".convert";
inline constexpr char ToSealed[] = "sealed";
inline constexpr char ToPlain[] = "plain";
QString markerPath(const BookFolder& folder);
QString newKeyPath(const BookFolder& folder); // book.key.new: the key of a book being encrypted
QString twinPath(const QString& path);
} // namespace Conversion

// A file of records of one tab (a tab file, its .ra_ twin, a copy in Reserve/).
struct RecordFileOfTab {
    QString path;
    int tab = 0;
};
// A file that holds page contents and is sealed whole, with the label it is sealed under.
struct WholeSealedFile {
    QString path;
    QByteArray label;
};

std::vector<RecordFileOfTab> recordFiles(const BookFolder& folder); // those that exist
std::vector<WholeSealedFile> wholeSealedFiles(const BookFolder& folder);

// Writes the marker (durably); 0 or a runtime error number.
int markConversion(const BookFolder& folder, const char* target);

enum class ConversionState { None, Completed, RolledBack };
// Completes or rolls back a conversion that was cut short, and brings the folder's sealing in
// line with what is then on disk. Call it only while holding the book's lock.
ConversionState completeInterruptedConversion(const BookFolder& folder, QString* error = nullptr);
// Whether a conversion left work behind (a marker or twins): a book in that state is read by
// nobody until a holder of the lock completes it.
bool conversionPending(const BookFolder& folder);

// Flushes a folder's entries (renames, removals) to disk.
void syncFolder(const QString& path);

} // namespace orvelan
