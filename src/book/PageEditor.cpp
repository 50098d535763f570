#include "book/PageEditor.h"

#include "book/PageCaptions.h"
#include "store/HiddenCharacters.h"
#include "store/TabTable.h"

#include <algorithm>

namespace orvelan {

namespace {

const QString& bookTitle() {
    static const QString title = QStringLiteral("ORVELAN Address Book");
    return title;
}

QString trimmed(QStringView text) {
    return trimSpaces(text).toString();
}

bool isDialIndex(int index) {
    return std::find(DialFieldViewIndex.begin(), DialFieldViewIndex.end(), index) !=
           DialFieldViewIndex.end();
}

} // namespace

bool PageEditor::textEdited(int index, const QString& typed) {
    if (m_book.ended() || index < 0 || index >= ViewFieldCount)
        return false;
    BookViewState& view = m_book.view();
    // Control and direction characters never reach a page, typed or pasted, as on import.
    QString text = typed;
    removeHiddenCharacters(text, index == NotesViewIndex);
    const FittedEdit fitted = fitEditToField(view.texts, index, view.texts[index], text);
    if (const QString problem = inputProblem(view.texts, index, fitted.text); !problem.isEmpty()) {
        m_book.ask({bookTitle(), problem, PromptIcon::Exclamation, PromptButtons::Ok});
        m_book.notify();
        return false;
    }
    view.texts[index] = fitted.text;
    if (fitted.cut && fitted.insertedLength > 1) {
        // A paste, not a key: the user is told once what was left out.
        m_book.ask(
            {bookTitle(),
             QStringLiteral(" The pasted text did not fit:  %1 holds at most %2 %3, "
                            "the rest was left out.    ")
                 .arg(pageCaptionOf(index))
                 .arg(specOf(viewField(index)).width)
                 .arg(fitted.encoding == TextEncoding::Windows1252 ? QStringLiteral("characters")
                                                                   : QStringLiteral("bytes")),
             PromptIcon::Information, PromptButtons::Ok});
    }
    if (index == 0)
        checkNameFirstLetter();
    if (isDialIndex(index))
        m_book.clearDialMark();
    if (!view.addMode())
        refreshEditState();
    m_book.notify();
    return true;
}

void PageEditor::refreshEditState() {
    BookViewState& view = m_book.view();
    if (m_book.textsChanged()) {
        view.undo.colour = LabelColour::Blue;
        view.edit = {QStringLiteral("Save"), LabelColour::Blue};
    } else {
        view.undo.colour = LabelColour::Grey;
        view.edit = {QStringLiteral("Stats"), LabelColour::Grey};
    }
}

PromptRequest PageEditor::nameStartRefused() {
    return {bookTitle(),
            QStringLiteral(" A Name in this Address Book cannot begin with a space, a control "
                           "character or a combining mark      "),
            PromptIcon::Exclamation, PromptButtons::Ok};
}

bool PageEditor::checkNameFirstLetter() {
    m_book.nameRejected = false;
    QString& name = m_book.view().texts[0];
    for (;;) {
        const QStringView trimmedName = trimSpaces(QStringView(name));
        if (trimmedName.isEmpty())
            break;
        if (nameStartAllowed(trimmedName))
            break;
        m_book.ask(nameStartRefused());
        name.remove(0, name.front().isHighSurrogate() && name.size() > 1 ? 2 : 1);
        m_book.nameRejected = true;
    }
    return !m_book.nameRejected;
}

void PageEditor::checkNameChange() {
    PageStore& store = m_book.store();
    BookViewState& view = m_book.view();
    m_book.copyMade = false;
    store.keepCurrentTab = false;
    if (trimSpaces(QStringView(view.texts[0])).isEmpty())
        view.texts[0] = QStringLiteral("No Name");
    if (!checkNameFirstLetter()) {
        m_book.nameRejected = false;
        return;
    }
    store.tabLabel();
    view.recordCaption = store.recordCaption(store.currentPage());
    const QString name = trimmed(view.texts[0]);
    const QString letter = QString(QLatin1Char(filingLetter(name)));
    if (tabForName(QStringView(name)) != store.currentTab()) {
        const PromptAnswer answer =
            m_book.ask({bookTitle(),
                        QStringLiteral(" Do you wish make a COPY of this NEW NAME under the [ ") +
                            letter + QStringLiteral(" ] Tab    "),
                        PromptIcon::Exclamation, PromptButtons::YesNo});
        if (answer == PromptAnswer::Yes) {
            m_book.saveNewPage();
            m_book.copyMade = true;
            return;
        }
    }
    if (name != trimmed(store.loadedCopy()[0])) {
        const PromptAnswer answer = m_book.ask(
            {bookTitle(),
             QStringLiteral(" Choose YES to COPY this NEW NAME under the CURRENT Tab,    \r\n or, "
                            "choose NO to OVERWRITE this page with the NEW NAME    "),
             PromptIcon::Exclamation, PromptButtons::YesNo});
        if (answer == PromptAnswer::Yes) {
            store.keepCurrentTab = true;
            m_book.saveNewPage();
            m_book.copyMade = true;
        } else {
            m_book.ask({bookTitle(),
                        QStringLiteral(" This page has now been SAVED with the New Name: [ ") +
                            name + QStringLiteral(" ]"),
                        PromptIcon::None, PromptButtons::Ok});
        }
    }
}

PageEditor::SaveOutcome PageEditor::saveChecks() {
    if (!checkNameFirstLetter()) {
        m_book.requestFocus(BookContext::Focus::NameBox);
        return SaveOutcome::Refused;
    }
    checkNameChange();
    if (m_book.ended())
        return SaveOutcome::Failed;
    if (m_book.copyMade)
        return SaveOutcome::Copied;
    return m_book.putPage() ? SaveOutcome::Saved : SaveOutcome::Failed;
}

void PageEditor::confirmLeavePage() {
    PageStore& store = m_book.store();
    store.leaveCancelled = false;
    if (!settleNewPage()) {
        store.leaveCancelled = true;
        return;
    }
    if (m_book.textsChanged()) {
        const PromptAnswer answer = m_book.ask(
            {bookTitle(), QStringLiteral(" This page has changed,  Do you wish to save it?      "),
             PromptIcon::Information, PromptButtons::YesNoCancel});
        if (answer == PromptAnswer::Yes) {
            const SaveOutcome outcome = saveChecks();
            // A refused or failed save must not lose the edits by moving on.
            if (outcome == SaveOutcome::Refused || outcome == SaveOutcome::Failed)
                store.leaveCancelled = true;
        } else if (answer == PromptAnswer::No) {
            m_book.reloadCurrentPage();
        } else {
            store.leaveCancelled = true;
        }
    }
    m_book.requestFocus(BookContext::Focus::PagePanel);
}

bool PageEditor::settleNewPage() {
    if (m_book.ended())
        return false;
    BookViewState& view = m_book.view();
    if (!view.addMode())
        return true;
    const bool empty = std::all_of(view.texts.begin(), view.texts.end(), [](const QString& t) {
        return trimSpaces(QStringView(t)).isEmpty();
    });
    const PromptAnswer answer =
        empty ? PromptAnswer::No
              : m_book.ask({bookTitle(),
                            QStringLiteral(" This NEW page has not been saved,  Do you wish to "
                                           "save it?      "),
                            PromptIcon::Information, PromptButtons::YesNoCancel});
    if (answer == PromptAnswer::Yes)
        return fileNewPage();
    if (answer == PromptAnswer::No) {
        cancelNewPage();
        return !m_book.ended();
    }
    m_book.requestFocus(BookContext::Focus::NameBox);
    return false;
}

bool PageEditor::confirmBeforeAction(const QString& text, bool reloadOnNo) {
    if (!settleNewPage())
        return false;
    if (!m_book.textsChanged())
        return true;
    const PromptAnswer answer =
        m_book.ask({bookTitle(), text, PromptIcon::Information, PromptButtons::YesNoCancel});
    if (answer == PromptAnswer::Yes) {
        const SaveOutcome outcome = saveChecks();
        return outcome == SaveOutcome::Saved || outcome == SaveOutcome::Copied;
    }
    if (answer == PromptAnswer::No) {
        if (reloadOnNo)
            return m_book.reloadCurrentPage();
        return true;
    }
    return false;
}

void PageEditor::saveEditedPage() {
    if (m_book.ended() || m_book.view().addMode())
        return;
    const SaveOutcome outcome = saveChecks();
    if (outcome == SaveOutcome::Saved)
        m_book.reloadCurrentPage();
    m_book.notify();
}

void PageEditor::startNewPage() {
    if (m_book.ended())
        return;
    BookViewState& view = m_book.view();
    m_book.store().keepCurrentTab = false;
    view.notesVisible = true;
    view.edit.colour = LabelColour::Grey;
    if (m_book.textsChanged()) {
        const PromptAnswer answer = m_book.ask(
            {QStringLiteral("Drevnak - Changed Report"),
             QStringLiteral("The CURRENT Page has CHANGED: Do you wish to SAVE it?     "),
             PromptIcon::Exclamation, PromptButtons::YesNoCancel});
        if (answer == PromptAnswer::Cancel) {
            refreshEditState();
            m_book.notify();
            return;
        }
        if (answer == PromptAnswer::Yes && saveChecks() != SaveOutcome::Saved) {
            m_book.requestFocus(BookContext::Focus::NameBox);
            if (!m_book.ended())
                refreshEditState();
            m_book.notify();
            return;
        }
    }
    view.texts = {};
    view.add = {QStringLiteral("Save"), LabelColour::Blue};
    view.pass = {QStringLiteral("Cancel"), LabelColour::Blue};
    view.newNameVisible = true;
    view.undo.colour = LabelColour::Grey;
    view.edit = {QStringLiteral("Stats"), LabelColour::Grey};
    m_book.notify();
    m_book.requestFocus(BookContext::Focus::NameBox);
}

bool PageEditor::fileNewPage() {
    if (m_book.ended() || !m_book.view().addMode())
        return false;
    if (trimSpaces(QStringView(m_book.view().texts[0])).isEmpty()) {
        m_book.ask({QStringLiteral("ORVELAN Add Page"),
                    QStringLiteral("ORVELAN Can't SAVE this Page without a Name!     "),
                    PromptIcon::Information, PromptButtons::Ok});
        m_book.requestFocus(BookContext::Focus::NameBox);
        return false;
    }
    if (!checkNameFirstLetter()) {
        m_book.notify();
        return false;
    }
    return m_book.saveNewPage();
}

void PageEditor::cancelNewPage() {
    if (m_book.ended())
        return;
    BookViewState& view = m_book.view();
    view.pass = {QStringLiteral("Options"), LabelColour::Grey};
    view.add = {QStringLiteral("Add"), LabelColour::Grey};
    view.newNameVisible = false;
    m_book.reloadCurrentPage();
}

void PageEditor::undo() {
    BookViewState& view = m_book.view();
    if (m_book.ended() || view.addMode())
        return;
    if (m_book.textsChanged()) {
        const PromptAnswer answer =
            m_book.ask({bookTitle(),
                        QStringLiteral(" Do you wish to Undo ALL Changes made to this page?      "),
                        PromptIcon::Exclamation, PromptButtons::YesNo});
        if (answer == PromptAnswer::Yes) {
            const PageTexts& loaded = m_book.store().loadedCopy();
            for (int i = 0; i < ViewFieldCount; ++i) {
                if (view.texts[i] != loaded[i] && isDialIndex(i))
                    m_book.clearDialMark();
            }
            view.texts = loaded;
            m_book.textsChanged();
        }
    } else {
        m_book.ask({bookTitle(),
                    QStringLiteral("This page has NOT changed since the last save, there is "
                                   "nothing to Undo!     "),
                    PromptIcon::Exclamation, PromptButtons::Ok});
    }
    view.undo.colour = LabelColour::Grey;
    view.edit = {QStringLiteral("Stats"), LabelColour::Grey};
    // A grey EditLa means the statistics are not shown: the notes come back in their place.
    view.notesVisible = true;
    m_book.notify();
}

void PageEditor::deletePage() {
    BookViewState& view = m_book.view();
    if (m_book.ended() || view.addMode())
        return;
    view.del.colour = LabelColour::Red;
    const PromptAnswer answer =
        m_book.ask({QStringLiteral("Delete: [ ") + view.texts[0] + QStringLiteral(" ]"),
                    QStringLiteral(" This will Permanently DELETE all contents on this Page      "),
                    PromptIcon::Exclamation, PromptButtons::OkCancel});
    if (answer == PromptAnswer::Ok && m_book.deletePage(m_book.store().currentPage()))
        m_book.reloadCurrentPage();
    view.del.colour = LabelColour::Grey;
    m_book.notify();
}

bool PageEditor::prepareFind() {
    if (m_book.ended() || m_book.view().addMode())
        return false;
    if (m_book.textsChanged()) {
        const PromptAnswer answer =
            m_book.ask({bookTitle(),
                        QStringLiteral(" This page has changed,  Do you wish to save it first ? "),
                        PromptIcon::Information, PromptButtons::YesNoCancel});
        if (answer == PromptAnswer::Cancel)
            return false;
        if (answer == PromptAnswer::Yes) {
            const SaveOutcome outcome = saveChecks();
            if (outcome == SaveOutcome::Refused || outcome == SaveOutcome::Failed)
                return false;
        }
    }
    m_book.view().find.colour = LabelColour::Blue;
    m_book.notify();
    return true;
}

} // namespace orvelan
