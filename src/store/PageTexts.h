#pragma once

#include "store/PageRecord.h"

#include <QString>

#include <array>

namespace orvelan {

// The 26 texts of the page view (Name .. Notes) as the windows show them: Unicode, notes with
// plain line breaks. The store reads pages into it and writes pages from it.
using PageTexts = std::array<QString, ViewFieldCount>;

inline constexpr int NotesViewIndex = ViewFieldCount - 1;

// Stored bytes of a view text: Windows-1252, notes with carriage return + line feed.
QByteArray storedFormOf(int viewIndex, QStringView text);
// View text of stored bytes.
QString viewFormOf(int viewIndex, QByteArrayView stored);
// How many bytes the text takes in its field on disk (a notes line break takes two). Every
// field width check measures through this one function.
qsizetype storedLengthOf(int viewIndex, QStringView text);

// An edit of page text box `viewIndex` from `before` to `after`, kept within the field's
// width: what the edit inserted is cut to what still fits (never inside a character), the text
// around it stays.
struct FittedEdit {
    QString text;
    bool cut = false;
    qsizetype insertedLength = 0; // characters the edit inserted, before any cut
};
FittedEdit fitEditToField(int viewIndex, QStringView before, QStringView after);

// Why a text cannot go into page text box `viewIndex` (a character Windows-1252 cannot store,
// or more than the field holds), or an empty string when it can.
QString inputProblem(int viewIndex, QStringView text);

PageTexts textsOf(const PageRecord& record);
// The record fields Name .. Notes from the view texts; the other fields stay as they are.
void fillRecord(PageRecord& record, const PageTexts& texts);

} // namespace orvelan
