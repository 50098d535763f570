#pragma once

#include "store/PageRecord.h"

#include <QString>

#include <array>

namespace orvelan {

// The 26 texts of the page view (Name .. Notes) as the windows show them: Unicode, notes with
// plain line breaks. The store reads pages into it and writes pages from it.
using PageTexts = std::array<QString, ViewFieldCount>;

inline constexpr int NotesViewIndex = ViewFieldCount - 1;

// Stored bytes of a view text in the page's encoding, notes with carriage return + line feed.
QByteArray storedFormOf(int viewIndex, QStringView text,
                        TextEncoding encoding = TextEncoding::Windows1252);
// View text of stored bytes, decoded by the encoding of their page (PageRecord::encoding()).
QString viewFormOf(int viewIndex, QByteArrayView stored, TextEncoding encoding);
// The same into `text`, keeping its room where it can (a Windows-1252 page).
void viewFormOf(int viewIndex, QByteArrayView stored, TextEncoding encoding, QString& text);
// How many bytes the text takes in its field on disk (a notes line break takes two).
qsizetype storedLengthOf(int viewIndex, QStringView text,
                         TextEncoding encoding = TextEncoding::Windows1252);
// Whether the text fits its field whole when its page is stored in `encoding`.
bool fitsWhole(int viewIndex, QStringView text, TextEncoding encoding);

// The encoding a page of these texts is stored in: Windows-1252 when every text fits it.
TextEncoding encodingFor(const PageTexts& texts);

// Why `text` cannot go into page text box `viewIndex` of the page `page` (a character no page
// can hold, or more bytes than the field holds in the encoding the page would be stored in),
// or an empty string when it can.
QString inputProblem(const PageTexts& page, int viewIndex, QStringView text);

// An edit of page text box `viewIndex` of `page` from `before` to `after`, kept within the
// field's width in the encoding the page would be stored in: what the edit inserted is cut to
// what still fits (never inside a character), the text around it stays.
struct FittedEdit {
    QString text;
    bool cut = false;
    qsizetype insertedLength = 0; // characters the edit inserted, before any cut
    TextEncoding encoding = TextEncoding::Windows1252; // of the page with the fitted text
};
FittedEdit fitEditToField(const PageTexts& page, int viewIndex, QStringView before,
                          QStringView after);

PageTexts textsOf(const PageRecord& record);
// The record fields Name .. Notes from the view texts, and the Reserved field that marks their
// encoding; the other fields stay as they are.
void fillRecord(PageRecord& record, const PageTexts& texts);

} // namespace orvelan
