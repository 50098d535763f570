#include "search/qt/FindWindow.h"
#include "support/QtTestMain.h"

#include "print/RecordingSurface.h"
#include "print/SearchListPrintout.h"
#include "security/BookEncryption.h"
#include "support/BookSession.h"
#include "telephony/PhoneNumbers.h"
#include "ui/LabelButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>
#include <QtTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

class FakeNavigator final : public BookNavigator {
public:
    void showPage(int tab, qint64 page) override { shown.append({tab, page}); }
    void bringBookToFront() override { ++fronts; }
    QRect bookFrame() const override { return QRect(300, 100, 600, 400); }
    void searchWindowActivated() override { ++activations; }
    void openHelpPage(const QString& fileName) override { help.append(fileName); }

    QList<std::pair<int, qint64>> shown;
    int fronts = 0;
    int activations = 0;
    QStringList help;
};

// A book, a session on it and an open search window.
struct Fixture : BookSession {
    FakeNavigator navigator;
    RecordingTarget printer;
    FindWindow window{session, navigator, printer};

    explicit Fixture(QByteArray flags = "1000000000") {
        book.writeTab(9, {TempBook::named("Ivy"), TempBook::named("Jo Smith"), blankRecord(),
                          TempBook::named("Jill")});
        book.writeTab(
            19, {TempBook::record({{Field::Name, "Tom"}, {Field::Organisation, "Smithson"}})});
        if (!flags.isEmpty()) { // no flags: a new book, without a settings file
            storeSettings(book, [&](Settings& s) {
                for (int i = 0; i < Settings::SearchFlagCount; ++i)
                    s.setSearchFlag(i, flags[i]);
            });
        }
        window.open();
    }

    template <typename T> T* child(const char* name) { return findControl<T>(window, name); }
    LabelButton* label(const char* name) { return child<LabelButton>(name); }
    QString info() { return child<QLabel>("Info")->text(); }
    QListWidget* list() { return child<QListWidget>("List1"); }
    void click(const char* name) { QTest::mouseClick(label(name), Qt::LeftButton); }
    void search(const QString& text) {
        QLineEdit* edit = child<QLineEdit>("Text2");
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
};

} // namespace

class FindWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsColoursAndTogglesTheSelectors() {
        Fixture f(" 1x000000 ");
        QCOMPARE(f.window.objectName(), u"frmFind"_s);
        QCOMPARE(f.window.windowTitle(), u"ORVELAN Search"_s);
        QCOMPARE(f.info(), u"ORVELAN  Ready"_s);
        QCOMPARE(f.label("FnamLa")->colour(), LabelColour::Grey);
        QCOMPARE(f.label("FAdrLa")->colour(), LabelColour::Blue);
        QCOMPARE(f.label("FPhoLa")->colour(), LabelColour::Grey);
        // An unknown stored value becomes "0" on the first click, "1" on the second.
        f.click("FnamLa");
        QCOMPARE(f.session.settings().searchFlag(0), '0');
        QCOMPARE(f.label("FnamLa")->colour(), LabelColour::Grey);
        f.click("FnamLa");
        QCOMPARE(f.session.settings().searchFlag(0), '1');
        QCOMPARE(f.label("FnamLa")->colour(), LabelColour::Blue);
        // The work address selector keeps its flag at position 306.
        f.click("FAdWLa");
        QCOMPARE(f.session.settings().searchFlag(6), '1');
        // Nothing is written until Close; Close writes and hides.
        QCOMPARE(SettingsFile(f.book.folder().settingsPath()).read().searchFlag(0), ' ');
        f.click("CancelLa");
        QVERIFY(f.window.isHidden());
        const Settings written = SettingsFile(f.book.folder().settingsPath()).read();
        QCOMPARE(written.searchFlag(0), '1');
        QCOMPARE(written.searchFlag(6), '1');
        // Reopening shows the window as it was, without reading the settings again.
        f.session.settings().setSearchFlag(1, '0');
        f.window.open();
        QCOMPARE(f.label("FAdrLa")->colour(), LabelColour::Blue);
    }

    void searchStatusTexts() {
        Fixture f;
        f.search(u"SMITH"_s);
        QCOMPARE(f.list()->count(), 1);
        QCOMPARE(f.info(), u"1  Page Found"_s);
        QCOMPARE(f.window.outcomeText(), u"OK"_s);
        QVERIFY(f.list()->item(0)->text().endsWith(u" IJ /     2"));

        f.search(u"j"_s);
        QCOMPARE(f.info(), u"Found:  2  Pages"_s); // Jo Smith and Jill
        f.search(u""_s);
        QCOMPARE(f.info(), u"4  Pages Listed"_s);
        QCOMPARE(f.window.foundCount(), 4);
        QCOMPARE(f.session.searchResults().lines.size(), 4);

        const double paused = f.clock.pausedSeconds();
        f.search(u"nobody"_s);
        QCOMPARE(f.info(), u"Nothing  Found"_s);
        QCOMPARE(f.window.outcomeText(), u"Nothing  Found"_s);
        QCOMPARE(f.list()->count(), 0);
        QCOMPARE(f.window.foundCount(), 0);
        QVERIFY(qAbs(f.clock.pausedSeconds() - paused - 0.5) < 1e-9); // 0.1 + 4 blinks of 0.1
        // Editing the query after nothing was found reads Ready again.
        QTest::keyClick(f.child<QLineEdit>("Text2"), Qt::Key_X);
        QCOMPARE(f.info(), u"ORVELAN  Ready"_s);
        QVERIFY(f.prompter.shown().isEmpty());
    }

    // Searching with no selector on, or viewing with no line chosen, is refused and looks in no
    // page.
    void selectionErrorsAreRefused() {
        Fixture f("0000000000");
        f.search(u"smith"_s);
        f.click("ViewLa");
        const auto refusal = [](const QString& text) {
            return PromptRequest{u"ORVELAN Find"_s, text, PromptIcon::Exclamation,
                                 PromptButtons::Ok};
        };
        QCOMPARE(f.prompter.shown(),
                 (QList<PromptRequest>{
                     refusal(u" Can't FIND: There is no FIELD selected to look in "_s),
                     refusal(u" Can't VIEW an empty Line:  No Text or Page has been SELECTED "
                             "     "_s)}));
        QCOMPARE(f.info(), u"ORVELAN  Ready"_s);
        QCOMPARE(f.list()->count(), 0);
        QVERIFY(f.navigator.shown.isEmpty());
    }

    void opensTheSelectedResult() {
        Fixture f;
        f.search(u""_s);
        QListWidget* list = f.list();
        list->setCurrentRow(1);
        f.click("ViewLa");
        list->setCurrentRow(3);
        QTest::keyClick(list, Qt::Key_Return);
        list->setCurrentRow(0);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const QRect rect = list->visualItemRect(list->item(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        const QList<std::pair<int, qint64>> expected = {{9, 2}, {19, 1}, {9, 1}};
        QCOMPARE(f.navigator.shown, expected);
        QVERIFY(f.prompter.shown().isEmpty());
    }

    void clearEmptiesTheListOnly() {
        Fixture f;
        f.search(u""_s);
        const double paused = f.clock.pausedSeconds();
        f.click("DialLa");
        QCOMPARE(f.list()->count(), 0);
        QCOMPARE(f.window.foundCount(), 0);
        QCOMPARE(f.info(), u"ORVELAN  Ready"_s);
        QCOMPARE(f.label("DialLa")->colour(), LabelColour::Grey);
        QVERIFY(qAbs(f.clock.pausedSeconds() - paused - 1.4) < 1e-9);
        QCOMPARE(f.session.searchResults().lines.size(), 4);
    }

    void printsTheListOnce() {
        Fixture f;
        f.click("PrintLa");
        QCOMPARE(f.prompter.shown().size(), 1); // nothing searched yet
        f.prompter.clear();
        f.search(u"smith"_s);
        f.click("PrintLa");
        QCOMPARE(f.printer.documents.size(), 1);
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(f.info(), u"ORVELAN  Ready"_s);
        QCOMPARE(f.label("PrintLa")->colour(), LabelColour::Grey);
        QCOMPARE(f.window.foundCount(), 0);
        QCOMPARE(f.list()->count(), 1); // the list stays on screen
    }

    void escapeHelpAndActivation() {
        Fixture f;
        QTest::keyClick(&f.window, Qt::Key_Escape);
        QCOMPARE(f.navigator.fronts, 1);
        QVERIFY(f.window.isVisible());
        QTest::keyClick(&f.window, Qt::Key_F1);
        QCOMPARE(f.navigator.help, QStringList{u"orvelanfind.htm"_s});
        f.window.activateWindow();
        QTRY_VERIFY(f.navigator.activations > 0);
    }

    void aNewBooksFirstFindFinds() {
        Fixture f(QByteArray{});
        QCOMPARE(f.label("FnamLa")->colour(), LabelColour::Blue);
        f.search(u"smith"_s);
        QVERIFY(f.prompter.shown().isEmpty());
        QCOMPARE(f.list()->count(), 1);
        // The other selectors are off: the first click turns one on.
        f.click("FOrgLa");
        f.search(u"smith"_s);
        QCOMPARE(f.list()->count(), 2); // Jo Smith, and Tom of Smithson
    }

    void everyControlIsReachedWithTabInOrder() {
        Fixture f;
        QApplication::setActiveWindow(&f.window);
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.child<QLineEdit>("Text2")->setFocus();
        QStringList order;
        for (int i = 0; i < 19; ++i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order,
                 (QStringList{u"Text2"_s, u"FnamLa"_s, u"FAdrLa"_s, u"FPhoLa"_s, u"FInetLa"_s,
                              u"FGropLa"_s, u"FOrgLa"_s, u"FJobLa"_s, u"FDeptLa"_s, u"FAdWLa"_s,
                              u"FnoteLa"_s, u"FindBox"_s, u"FindList"_s, u"FindLa"_s, u"ViewLa"_s,
                              u"DialLa"_s, u"PrintLa"_s, u"CancelLa"_s, u"Text2"_s}));
    }

    void spaceAndEnterPressTheFocusedLabel() {
        Fixture f;
        QApplication::setActiveWindow(&f.window);
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.label("FAdrLa")->setFocus();
        QTest::keyClick(f.label("FAdrLa"), Qt::Key_Space);
        QCOMPARE(f.label("FAdrLa")->colour(), LabelColour::Blue);
        f.child<QLineEdit>("Text2")->setText(u"smith"_s);
        f.label("FindLa")->setFocus();
        QTest::keyClick(f.label("FindLa"), Qt::Key_Return);
        QCOMPARE(f.list()->count(), 1);
        // The focus mark is drawn on the focused label only.
        const QImage focused = f.label("FindLa")->grab().toImage();
        f.label("ViewLa")->setFocus();
        QVERIFY(f.label("FindLa")->grab().toImage() != focused);
    }

    // The find box, typed into one key at a time: after each key the list shows the pages found
    // so far with the field that matched (how each field matches is the find index's test).
    void findBoxListsTheMatchedFieldAfterEachKey() {
        Fixture f;
        QVERIFY(setPhoneRegionSetting(f.book.folder().configPath(), u"GB"_s) == 0);
        f.book.writeTab(2,
                        {TempBook::record({{Field::Name, "Bell"}, {Field::Fax, "+44 1234 890000"}}),
                         TempBook::record({{Field::Name, "Ivanov"},
                                           {Field::Phone1, "none"},
                                           {Field::Mobile, "+7 495 123-45-67"}})});
        auto* box = f.child<QLineEdit>("FindBox");
        auto* list = f.child<QListView>("FindList");
        QCOMPARE(list->model()->rowCount(), 4); // the book as it was when the window opened
        QList<int> counts;
        for (const QChar key : u"01234 89"_s) {
            QTest::keyClicks(box, QString(key));
            counts += list->model()->rowCount();
        }
        QCOMPARE(counts, (QList<int>{1, 0, 0, 2, 2, 2, 1, 1}));
        QCOMPARE(list->model()->index(0, 0).data().toString().mid(24, 46).trimmed(),
                 u"Fax: +44 1234 890000"_s);
        QCOMPARE(f.child<QLabel>("List1Headings")->text().mid(24, 8), u"Found in"_s);
    }

    // A damaged page (sealed and failing its tag, or plain and not decoding) is left out of the
    // find box's list, and the line under it says so.
    void findBoxCountsTheDamagedPagesLeftOut() {
        for (const bool sealed : {false, true}) {
            Fixture f;
            QByteArray ivy = TempBook::named("I\x01vy"); // Ivy's page, written over
            if (sealed) {
                QVERIFY(encryptBook(f.book.folder(), u"S3cret!pw"_s, false, {}, {1, 8192}).ok);
                ivy = f.book.tabBytes(9).left(1730);
                ivy[100] = char(ivy[100] ^ 1);
            }
            f.book.writeTab(9, {ivy, f.book.tabBytes(9).mid(ivy.size())});
            QTest::keyClicks(f.child<QLineEdit>("FindBox"), u"i"_s);
            QCOMPARE(f.child<QListView>("FindList")->model()->rowCount(), 3); // never Ivy
            QCOMPARE(f.info(),
                     u"Found:  3  Pages   1 damaged page could not be read and was left out."_s);
        }
    }

    // With the box empty the list holds every page by name; a click opens one; Ctrl+F comes
    // back to the box; a classic search shows its own list again.
    void anEmptyBoxListsEveryPageAndAClickOpensIt() {
        Fixture f;
        auto* list = f.child<QListView>("FindList");
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QVERIFY(list->model()->index(2, 0).data().toString().startsWith(u" Jo Smith "));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(2, 0)).center());
        QCOMPARE(f.navigator.shown, (QList<std::pair<int, qint64>>{{9, 2}}));

        QApplication::setActiveWindow(&f.window);
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.child<QLineEdit>("Text2")->setFocus();
        QTest::keyClick(&f.window, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), f.child<QLineEdit>("FindBox"));
        QTest::keyClicks(QApplication::focusWidget(), u"tom\r"_s);
        QCOMPARE(f.navigator.shown.last(), (std::pair<int, qint64>{19, 1}));

        f.search(u"smith"_s);
        QVERIFY(f.list()->isVisible());
        QVERIFY(!list->isVisible());
    }

    // The list is as wide as its widest line beside its scroll bar: a line's page is never cut
    // to "…", whatever the script of the name before it.
    void everyLineShowsItsPage_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Latin") << u"Wolfeschlegelsteinhaus"_s;
        QTest::newRow("Devanagari") << u"श्रीनिवास रामानुजन्"_s;
        QTest::newRow("Thai") << u"สมชาย ใจดี ศรีสวัสดิ์"_s;
    }
    void everyLineShowsItsPage() {
        QFETCH(QString, name);
        Fixture f;
        f.book.writeTab(1, QList<QByteArray>(40, TempBook::textPage(name)));
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.search(u""_s);
        QTRY_VERIFY(f.list()->verticalScrollBar()->isVisible());
        const int margins =
            2 *
            (f.list()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, f.list()) + 1);
        for (int row = 0; row < f.list()->count(); ++row)
            QVERIFY(f.list()->fontMetrics().horizontalAdvance(f.list()->item(row)->text()) +
                        margins <=
                    f.list()->viewport()->width());
    }

    void theSelectorsReadOnPaperUnderADarkTheme() {
        const QPalette desktop = QApplication::palette();
        QPalette dark(QColor(230, 230, 230), QColor(40, 40, 40));
        QApplication::setPalette(dark);
        {
            Fixture f;
            QCOMPARE(f.window.palette().color(QPalette::Window), QColor(253, 249, 236));
            QCOMPARE(f.child<QLabel>("Info")->palette().color(QPalette::Window),
                     QColor(253, 249, 236));
        }
        QApplication::setPalette(desktop);
    }
};

ORVELAN_QT_TEST(FindWindowTest)
#include "FindWindowTest.moc"
