#pragma once

#include "book/BookContext.h"
#include "book/KeyRouter.h"
#include "book/PageEditor.h"
#include "book/PageNavigator.h"
#include "book/QtPrinters.h"
#include "support/RecordingLauncher.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompter.h"
#include "support/TempBook.h"

#include <gtest/gtest.h>

namespace orvelan::test {

// An open book on a temporary folder, with scripted answers, a fast clock and a recorded ender.
class BookFixture : public ::testing::Test {
protected:
    BookFixture() {
        book.setEnder([this] { ++ended; });
    }

    // Writes tab files, then opens the book at page 1 of tab 1.
    void open() { navigator.showFirstPage(); }

    // The user types into text box `index` (the whole new text).
    void type(int index, const QString& text) { editor.textEdited(index, text); }

    QString shownName() const { return book.view().texts[0]; }
    int tab() { return book.store().currentTab(); }
    qint64 page() { return book.store().currentPage(); }
    QString storedName(int tabIndex, qint64 pageNo) const {
        return QString::fromLatin1(folder.page(tabIndex, pageNo)[Field::Name]);
    }
    // Titles of the boxes shown since the last clear.
    QStringList texts() const {
        QStringList out;
        for (const PromptRequest& r : prompter.shown())
            out.append(r.text);
        return out;
    }

    TempBook folder;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingLauncher launcher;
    Session session{folder.folder(), Services{prompter, clock, launcher}};
    BookContext book{session};
    PageEditor editor{book};
    PageNavigator navigator{book, editor};
    KeyRouter keys{book, editor, navigator};
    int ended = 0;
};

} // namespace orvelan::test
