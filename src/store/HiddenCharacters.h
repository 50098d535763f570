#pragma once

#include <QString>

namespace orvelan {

// Removes the characters that change what a text shows or how it is read without being seen:
// control characters (line breaks stay where `keepLineBreaks`, as in Notes; a tab becomes a
// space), the bidirectional overrides and isolates (U+202A..U+202E, U+2066..U+2069) that turn
// a list's columns around, and zero-width spaces that hide a word from a search. The
// zero-width joiners that scripts and emoji need stay. Returns how many were removed or
// replaced.
qsizetype removeHiddenCharacters(QString& text, bool keepLineBreaks);

} // namespace orvelan
