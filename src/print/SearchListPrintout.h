#pragma once

#include "platform/Prompt.h"
#include "print/PrintSurface.h"
#include "store/SearchResults.h"

#include <QDateTime>
#include <QLocale>

namespace orvelan {

inline constexpr int SearchListLinesPerPage = 56; // a page breaks when its count exceeds this

// Prints result lines 1 to `foundCount` of `results` (fewer when the list is shorter) as one
// job: title, date, headings, the lines in pages, "End". Returns the first failure code, 0 when
// it went well.
int printSearchList(PrintSurface& surface, const SearchResults& results, int foundCount,
                    const QDateTime& now, const QLocale& locale = QLocale::system());

// The search window's Print command after its busy mark and status texts: prints the list and
// then clears the present flag and the found count, so the same list is not printed twice.
class SearchListPrint {
public:
    enum class Outcome { NoList, Printed, SavedToPdf, Failed };
    struct Result {
        Outcome outcome = Outcome::NoList;
        int error = 0;
        QString detail; // what the printer said, when it refused the job
        QString pdfPath;
    };

    // With `foundCount` below 1 nothing is printed and the outcome is NoList; the caller shows
    // noListPrompt(). A failure keeps the list, so it can be printed again.
    static Result run(PrintTarget& target, SearchResults& results, int& foundCount,
                      const QDateTime& now, const QLocale& locale = QLocale::system());

    static PromptRequest noListPrompt();
};

} // namespace orvelan
