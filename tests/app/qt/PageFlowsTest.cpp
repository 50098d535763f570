#include "app/qt/AssembledBook.h"
#include "support/QtTestMain.h"

#include "book/qt/OptionsPanel.h"
#include "book/qt/TrashWindow.h"
#include "search/qt/FindWindow.h"
#include "ui/LabelButton.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;

namespace {

const QString NewPageQuestion =
    QStringLiteral(" This NEW page has not been saved,  Do you wish to save it?      ");
const QString CopyOrOverwrite =
    QStringLiteral(" Choose YES to COPY this NEW NAME under the CURRENT Tab,    \r\n or, choose NO "
                   "to OVERWRITE this page with the NEW NAME    ");
const QString ChangedBeforeClose =
    QStringLiteral(" This page has changed,  Do you wish to save it before you close?     ");

QStringList textsOf(const QList<PromptRequest>& shown) {
    QStringList texts;
    for (const PromptRequest& request : shown)
        texts.append(request.text);
    return texts;
}

} // namespace

// The open book used as a person moves through it: adding and then turning away, editing and
// closing, searching and then changing the book under the result list, typing and pasting.
class PageFlowsTest : public QObject {
    Q_OBJECT

    // A book of two tabs, Adams and Avery under A, Baker, Bell and Brown under B, opened with
    // the settings changed as given.
    std::unique_ptr<TempBook> m_book;
    std::unique_ptr<AssembledBook> m_run;
    AssembledBook& openBook(const std::function<void(Settings&)>& settings = {}) {
        m_book = std::make_unique<TempBook>();
        m_book->writeTab(1, {TempBook::named("Adams"), TempBook::named("Avery")});
        m_book->writeTab(
            2, {TempBook::named("Baker"), TempBook::named("Bell"), TempBook::named("Brown")});
        if (settings)
            storeSettings(*m_book, settings);
        m_run = std::make_unique<AssembledBook>(*m_book);
        m_run->program->run().openBook();
        return *m_run;
    }
    static void expectViewState(AssembledBook& run) {
        QCOMPARE(run.find<LabelButton>("AddLa")->caption(), QStringLiteral("Add"));
        QCOMPARE(run.find<LabelButton>("PassLa")->caption(), QStringLiteral("Options"));
        QVERIFY(!run.find("NewNameLa")->isVisible());
    }
    static void startNewPage(AssembledBook& run, const QString& name) {
        run.key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(run.find<LabelButton>("AddLa")->caption(), QStringLiteral("Save"));
        if (!name.isEmpty())
            QTest::keyClicks(run.find<QLineEdit>("SNameTB"), name);
        run.prompter.clear();
    }

private Q_SLOTS:
    void cleanup() {
        m_run.reset();
        m_book.reset();
    }

    // A new page typed and then left by a page turn is filed as a new page when the user says
    // Yes; the page shown before Add is never overwritten and add mode ends with the move.
    void aNewPageLeftByAPageTurnIsFiledNotWrittenOverThePageBefore() {
        AssembledBook& run = openBook();
        const TempBook& book = *m_book;
        startNewPage(run, QStringLiteral("Anderson"));

        run.prompter.answerNext(PromptAnswer::Yes);
        run.prompter.answerNext(PromptAnswer::No); // would overwrite, were it asked
        run.key(Qt::Key_PageDown);
        QCOMPARE(run.prompter.shown().first().text, NewPageQuestion);
        QVERIFY(!textsOf(run.prompter.shown()).contains(CopyOrOverwrite));
        QCOMPARE(book.page(1, 1)[Field::Name], QByteArray("Adams"));
        QCOMPARE(book.page(1, 3)[Field::Name], QByteArray("Anderson"));
        QCOMPARE(book.pageCount(1), 3);
        // The move goes on from the new page: the next page is page 1 of B.
        QCOMPARE(run.find<QLabel>("RecnLa")->text(), QStringLiteral("B  1"));
        expectViewState(run);

        // Saving what is shown now files nothing twice.
        run.prompter.clear();
        run.click("AddLa");
        run.click("PassLa");
        QCOMPARE(book.pageCount(2), 3);
    }

    // Every other way out of add mode asks the same question: No drops the new page, Cancel
    // keeps it, and an empty new page is left without a question.
    void everyMoveOrCloseSettlesTheNewPage() {
        AssembledBook& run = openBook();
        const TempBook& book = *m_book;

        startNewPage(run, QString());
        run.key(Qt::Key_F4);
        QVERIFY(run.prompter.shown().isEmpty());
        QCOMPARE(run.find<QLabel>("RecnLa")->text(), QStringLiteral("B  1"));
        expectViewState(run);

        startNewPage(run, QStringLiteral("Bond"));
        run.prompter.answerNext(PromptAnswer::Cancel);
        run.click("LALa");
        QCOMPARE(textsOf(run.prompter.shown()), QStringList{NewPageQuestion});
        QCOMPARE(run.find<QLineEdit>("SNameTB")->text(), QStringLiteral("Bond"));
        QCOMPARE(run.find<LabelButton>("AddLa")->caption(), QStringLiteral("Save"));

        run.prompter.clear();
        run.prompter.answerNext(PromptAnswer::Cancel);
        run.key(Qt::Key_C, Qt::AltModifier);
        QCOMPARE(textsOf(run.prompter.shown()), QStringList{NewPageQuestion});
        QCOMPARE(run.find<QLineEdit>("SNameTB")->text(), QStringLiteral("Bond"));

        run.prompter.clear();
        run.prompter.answerNext(PromptAnswer::No);
        run.click("Image1");
        QCOMPARE(textsOf(run.prompter.shown()), QStringList{NewPageQuestion});
        QTRY_VERIFY(!run.mainWindow.isVisible());
        QCOMPARE(book.pageCount(2), 3);
        QCOMPARE(book.page(2, 1)[Field::Name], QByteArray("Baker"));

        run.program->run().openBook();
        expectViewState(run);
        QCOMPARE(run.find<QLineEdit>("SNameTB")->text(), QStringLiteral("Adams"));
    }

    // "Finish Program without Prompting" is about ending the program: the book's cover picture
    // and the keys that close the book still offer a changed page for saving.
    void closingWithoutFinishPromptStillOffersTheChangedPage() {
        AssembledBook& run =
            openBook([](Settings& s) { s.setFlag(Settings::FinishWithoutPrompting, true); });
        const TempBook& book = *m_book;
        QTest::keyClicks(run.find<QLineEdit>("SAdd1TB"), QStringLiteral("1 Mill Lane"));
        run.prompter.answerNext(PromptAnswer::Yes);
        run.click("Image1");
        QCOMPARE(textsOf(run.prompter.shown()), QStringList{ChangedBeforeClose});
        QTRY_VERIFY(!run.mainWindow.isVisible());
        QCOMPARE(book.page(1, 1)[Field::Addr1], QByteArray("1 Mill Lane"));

        // At the cover (tab 0), Page Up and F3 close the book the same way.
        run.program->run().openBook();
        run.key(Qt::Key_F7);
        QVERIFY(run.find("Picture1")->isVisible());
        for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_F3}) {
            QTest::keyClicks(run.find<QLineEdit>("SAdd2TB"), QStringLiteral("x"));
            run.prompter.clear();
            run.prompter.answerNext(PromptAnswer::Cancel);
            run.key(key);
            QCOMPARE(textsOf(run.prompter.shown()), QStringList{ChangedBeforeClose});
            QVERIFY(run.mainWindow.isVisible());
            run.click("UndoLa");
        }
    }

    // Ctrl+F in the book puts the keyboard in the find box; a page saved meanwhile is found by
    // its new number as soon as the box is typed into, and Enter opens it.
    void ctrlFFindsAPageByTheNumberJustSaved() {
        AssembledBook& run = openBook();
        run.key(Qt::Key_F, Qt::ControlModifier);
        FindWindow* find = run.openBook->findWindow();
        QVERIFY(find && find->isVisible());
        run.mainWindow.showPage(2, 2); // Bell
        QTest::keyClicks(run.find<QLineEdit>("SMobiTB"), QStringLiteral("+7 495 123-45-67"));
        run.key(Qt::Key_S, Qt::ControlModifier);
        run.mainWindow.showPage(1, 1);
        run.key(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->focusWidget() == run.find<QLineEdit>(*find, "FindBox"));
        QTest::keyClicks(find->focusWidget(), QStringLiteral("4567\r"));
        QCOMPARE(run.find<QLabel>("RecnLa")->text(), QStringLiteral("B  2"));
    }

    // A result line of a search made before its tab lost pages no longer names a page: it is
    // refused, and nothing is ever written beyond the end of the tab.
    void aStaleSearchResultPastTheEndOfItsTabIsRefused() {
        AssembledBook& run = openBook([](Settings& s) { s.setSearchFlag(0, '1'); });
        const TempBook& book = *m_book;
        run.click("FindLa");
        FindWindow* find = run.openBook->findWindow();
        QVERIFY(find);
        run.click(*find, "FindLa");
        auto* list = run.find<QListWidget>(*find, "List1");
        QCOMPARE(list->count(), 5);

        // Bell and Brown are deleted and the blank pages removed: tab B keeps one page.
        for (const qint64 page : {2, 3}) {
            run.mainWindow.showPage(2, page);
            run.click("DelLa");
        }
        run.click("PassLa");
        run.click(*run.find<OptionsPanel>("ConfigPBC"), "DelBlankBu");
        QCOMPARE(book.pageCount(2), 1);

        run.prompter.clear();
        list->setCurrentRow(4); // Brown, B / 3
        run.click(*find, "ViewLa");
        QCOMPARE(run.prompter.shown().size(), 1);
        QCOMPARE(run.prompter.last().title, QStringLiteral("ORVELAN Find"));
        QCOMPARE(run.find<QLabel>(*find, "Info")->text(), QStringLiteral("ORVELAN  Ready"));
        QVERIFY(run.find<QLabel>("RecnLa")->text() != QStringLiteral("B  3"));

        // Whatever is shown now and saved stays inside the tab file.
        QTest::keyClicks(run.find<QLineEdit>("SAdd1TB"), QStringLiteral("kept"));
        run.prompter.answerNext(PromptAnswer::No); // no copy under another tab
        run.prompter.answerNext(PromptAnswer::No); // no copy: write the page in place
        run.key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(book.tabBytes(2).size() % RecordSize == 0);
        QVERIFY(book.pageCount(2) <= 2);
        for (qint64 page = 1; page <= book.pageCount(2); ++page)
            QVERIFY(!book.page(2, page)[Field::Name].isEmpty());
    }

    // Typing stops silently at the field's width; a paste that does not fit is cut once, with
    // one message that names the field as the page shows it.
    void textBoxesTakeAtMostTheirFieldsWidth() {
        AssembledBook& run = openBook();
        const TempBook& book = *m_book;
        const int width = specOf(Field::Addr4).width;
        auto* addr4 = run.find<QLineEdit>("SAdd4TB");
        QTest::keyClicks(addr4, QString(width + 8, u'x'));
        QCOMPARE(addr4->text(), QString(width, u'x'));
        QVERIFY(run.prompter.shown().isEmpty());

        auto* addr5 = run.find<QLineEdit>("SAdd5TB");
        QTest::keyClicks(addr5, QStringLiteral("[]"));
        addr5->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QString(width * 2, u'p'));
        QTest::keyClick(addr5, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(addr5->text(), u'[' + QString(width - 2, u'p') + u']');
        QCOMPARE(run.prompter.shown().size(), 1);
        QVERIFY(run.prompter.last().text.contains(QStringLiteral("Address")));
        QVERIFY(!run.prompter.last().text.contains(QStringLiteral("Addr5")));

        run.key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(book.page(1, 1)[Field::Addr5], u'[' + QByteArray(width - 2, 'p') + u']');
    }

    // Undo brings the notes back in place of the statistics; the cover's open label reads
    // ">>"; the Find label turns grey when the search window closes.
    void smallerPoints() {
        AssembledBook& run = openBook();
        run.click("EditLa");
        QVERIFY(run.find("StatTABLa")->isVisible());
        QTest::keyClicks(run.find<QLineEdit>("SAdd1TB"), QStringLiteral("x"));
        run.prompter.answerNext(PromptAnswer::Yes);
        run.click("UndoLa");
        QVERIFY(run.find<QPlainTextEdit>("SNoteTB")->isVisible());
        QVERIFY(!run.find("StatTABLa")->isVisible());

        QCOMPARE(run.find<LabelButton>("StartLa")->caption(), QStringLiteral(">>"));

        run.click("FindLa");
        FindWindow* find = run.openBook->findWindow();
        QCOMPARE(run.find<LabelButton>("FindLa")->colour(), LabelColour::Blue);
        run.click(*find, "CancelLa");
        QVERIFY(!find->isVisible());
        QCOMPARE(run.find<LabelButton>("FindLa")->colour(), LabelColour::Grey);
    }

    // Delete puts the page into the trash; the options panel's "Trash..." lists it and puts it
    // back, and the book shows it again.
    void aDeletedPageComesBackFromTheTrashWindow() {
        AssembledBook& run = openBook();
        const TempBook& book = *m_book;
        run.mainWindow.showPage(2, 2);
        run.click("DelLa");
        QVERIFY(book.page(2, 2).isBlank());
        run.clock.advance(60);
        run.mainWindow.showPage(1, 1);
        run.click("DelLa");

        run.click("PassLa");
        run.click(*run.find<OptionsPanel>("ConfigPBC"), "TrashBu");
        TrashWindow* trash = run.openBook->trashWindow();
        QVERIFY(trash && trash->isVisible());
        auto* list = run.find<QListWidget>(*trash, "TrashList");
        QCOMPARE(list->count(), 2);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("Adams")));
        QVERIFY(list->item(1)->text().contains(QStringLiteral("Bell")));
        QVERIFY(list->item(1)->text().contains(QStringLiteral("Deleted, from tab B, page 2")));
        // Each line shows whole, with no scroll bar across the window's foot.
        QVERIFY(QTest::qWaitForWindowExposed(trash));
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        for (int row = 0; row < list->count(); ++row)
            QVERIFY(list->fontMetrics().horizontalAdvance(list->item(row)->text()) <
                    list->viewport()->width());
        QVERIFY(!run.find(*trash, "TrashRestoreBu")->isEnabled());
        list->item(1)->setSelected(true);
        run.click(*trash, "TrashRestoreBu");
        QCOMPARE(run.find<QLabel>(*trash, "TrashResultLa")->text(),
                 QStringLiteral("Restored Bell to tab B, page 2."));
        QCOMPARE(list->count(), 1);
        QCOMPARE(book.page(2, 2).text(Field::Name), QStringLiteral("Bell"));
        run.mainWindow.showPage(2, 2);
        QCOMPARE(run.find<QLineEdit>("SNameTB")->text(), QStringLiteral("Bell"));
    }
};

ORVELAN_QT_TEST(PageFlowsTest)
#include "PageFlowsTest.moc"
