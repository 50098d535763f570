#include "book/qt/MainWindow.h"
#include "security/BookEncryption.h"
#include "store/PageTexts.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"
#include "ui/LabelButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<BookSession> s;
    std::unique_ptr<OrVel> window;
    int ended = 0;

    template <typename T> T* control(const char* name) { return findControl<T>(*window, name); }
    LabelButton* label(const char* name) { return control<LabelButton>(name); }
    QLineEdit* box(const char* name) { return control<QLineEdit>(name); }
    void click(const char* name) { QTest::mouseClick(control<QWidget>(name), Qt::LeftButton); }
    QString recn() { return control<QLabel>("RecnLa")->text(); }
    bool shown(const char* name) { return control<QWidget>(name)->isVisibleTo(window.get()); }

private Q_SLOTS:
    void init() {
        s = std::make_unique<BookSession>();
        s->book.writeTab(1, {TempBook::named("Adams"), TempBook::named("Avery")});
        s->book.writeTab(2, {TempBook::record({{Field::Name, "Baker"},
                                               {Field::Email, "baker@example.com"},
                                               {Field::OrgWeb, "www.baker.co.uk"},
                                               {Field::Notes, "first\r\nsecond"}}),
                             TempBook::named("Bell")});
        window = std::make_unique<OrVel>(s->session);
        ended = 0;
        window->setEnder([this] { ++ended; });
        window->showFirstPage();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() {
        window.reset();
        s.reset();
    }

    void everyNamedControlExists() {
        QStringList names;
        for (const char* name :
             {"OrVel",     "NextB",       "LastB",       "RecnLa",      "StatusLa",  "EditLa",
              "UndoLa",    "AddLa",       "DelLa",       "PassLa",      "FindLa",    "PrintLa",
              "NewNameLa", "Picture1",    "Picture2",    "Picture3",    "Picture4",  "DialLa",
              "P1Lab",     "P2LAb",       "P3Lab",       "P4Lab",       "P5Lab",     "CloseLa",
              "Image1",    "LaunchEM1La", "LaunchEM2La", "LaunchWebLa", "StatTABLa", "StatRenLA",
              "StatMODLa", "StatTIMLa",   "Label19",     "Label20",     "StartLa"})
            names.append(QLatin1StringView(name));
        for (int i = 0; i < ViewFieldCount; ++i)
            names.append(QLatin1StringView(RecordLayout[i + 1].control));
        for (int k = 1; k <= 25; ++k)
            names << TabStrip::leftName(k) << TabStrip::rightName(k);
        for (const QString& name : names) {
            if (name == QLatin1StringView("OrVel"))
                QCOMPARE(window->objectName(), name);
            else
                QVERIFY2(window->findChild<QWidget*>(name), qPrintable(name));
        }
        QCOMPARE(window->pageTexts()[0], u"Adams"_s);
    }

    void nextAndLastAcrossTabsWithTheLabelStacks() {
        QCOMPARE(recn(), u"A  1"_s);
        QVERIFY(shown("RALa"));
        QVERIFY(!shown("LALa"));
        QVERIFY(shown("LBLa"));
        click("NextB");
        click("NextB");
        QCOMPARE(recn(), u"B  1"_s);
        QCOMPARE(box("SNameTB")->text(), u"Baker"_s);
        QCOMPARE(box("SEmaiTB")->text(), u"baker@example.com"_s);
        QCOMPARE(control<QPlainTextEdit>("SNoteTB")->toPlainText(), u"first\nsecond"_s);
        QVERIFY(control<QWidget>("Picture2")->hasFocus());
        click("LastB");
        QCOMPARE(recn(), u"A  2"_s);
        click("LastB");
        click("LastB");
        QCOMPARE(recn(), u"*0  1"_s);
        QVERIFY(shown("Picture1"));
        QVERIFY(!shown("RALa"));
        click("StartLa");
        QCOMPARE(recn(), u"A  1"_s);
        QVERIFY(!shown("Picture1"));
        // Tab labels: a left label opens its tab, a right label the tab before its letter.
        click("LMLa");
        QCOMPARE(recn(), u"M  1"_s);
        click("RMLa");
        QCOMPARE(recn(), u"L  1"_s);
        // The page panels stand further right the further the book is opened.
        const int atL = control<QWidget>("Picture2")->x();
        click("LZLa");
        QVERIFY(control<QWidget>("Picture2")->x() > atL);
        QCOMPARE(control<QWidget>("Picture3")->x() - control<QWidget>("Picture2")->x(), 380);
    }

    // An encrypted book's page that fails its authentication is marked by its place in the
    // status line, shows no text and takes no typing; the next page is as ever.
    void aDamagedPageIsMarkedAndTakesNoTyping() {
        QVERIFY(encryptBook(s->book.folder(), u"S3cret!pw"_s, false, {}, {1, 8192}).ok);
        QByteArray sealed = s->book.tabBytes(2);
        sealed[100] = char(sealed[100] ^ 0x10);
        s->book.writeTab(2, {sealed});
        click("NextB");
        click("NextB");
        const QString mark = u"page 1 of tab B is damaged and cannot be read"_s;
        QCOMPARE(s->prompter.last().text, mark);
        QCOMPARE(control<QLabel>("StatusLa")->text(), mark);
        QCOMPARE(box("SNameTB")->text(), QString());
        QVERIFY(box("SNameTB")->isReadOnly());
        QVERIFY(control<QPlainTextEdit>("SNoteTB")->isReadOnly());
        click("NextB");
        QCOMPARE(box("SNameTB")->text(), u"Bell"_s);
        QVERIFY(!box("SNameTB")->isReadOnly());
        QCOMPARE(control<QLabel>("StatusLa")->text(), QString());
        QCOMPARE(ended, 0);
    }

    void keysTurnPagesAndAltLettersOpenTabs() {
        box("SAdd1TB")->setFocus();
        QTest::keyClick(box("SAdd1TB"), Qt::Key_PageDown);
        QCOMPARE(recn(), u"A  2"_s);
        box("SNameTB")->setFocus();
        QTest::keyClick(box("SNameTB"), Qt::Key_K, Qt::AltModifier);
        QCOMPARE(recn(), u"K  1"_s);
        QCOMPARE(box("SNameTB")->text(), QString()); // the letter went nowhere
        QTest::keyClick(window.get(), Qt::Key_F7);
        QCOMPARE(recn(), u"*0  1"_s);
        QTest::keyClick(window.get(), Qt::Key_F4);
        QCOMPARE(recn(), u"A  1"_s);
    }

    void typingMarksThePageAndThePromptsDecide() {
        QTest::keyClicks(box("SAdd1TB"), u"1 Mill Lane"_s);
        QCOMPARE(label("EditLa")->caption(), u"Save"_s);
        QCOMPARE(label("UndoLa")->colour(), LabelColour::Blue);

        s->prompter.answerNext(PromptAnswer::Cancel);
        click("LCLa");
        QCOMPARE(recn(), u"A  1"_s);
        QCOMPARE(box("SAdd1TB")->text(), u"1 Mill Lane"_s);

        s->prompter.answerNext(PromptAnswer::Yes);
        click("LCLa");
        QCOMPARE(recn(), u"C  1"_s);
        QCOMPARE(s->book.page(1, 1)[Field::Addr1], QByteArray("1 Mill Lane"));
        QCOMPARE(label("EditLa")->caption(), u"Stats"_s);

        click("RCLa"); // back to B
        click("NextB");
        QTest::keyClicks(box("SAdd2TB"), u"y"_s);
        QTest::keyClick(box("SAdd2TB"), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s->book.page(2, 2)[Field::Addr2], QByteArray("y"));
        QCOMPARE(label("EditLa")->caption(), u"Stats"_s);
    }

    void nameRefusalWhileTypingAndPasting() {
        QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(label("AddLa")->caption(), u"Save"_s);
        QVERIFY(shown("NewNameLa"));
        QVERIFY(box("SNameTB")->hasFocus());
        box("SNameTB")->insert(u"\u0301xyz"_s);
        QCOMPARE(box("SNameTB")->text(), u"xyz"_s);
        QCOMPARE(s->prompter.shown().size(), 1);
        QCOMPARE(s->prompter.last().text, PageEditor::nameStartRefused().text);
        box("SNameTB")->clear();
        box("SNameTB")->insert(u"\u00a0\u0001xyz"_s);
        QCOMPARE(box("SNameTB")->text(), u"xyz"_s); // the control is just removed
        QCOMPARE(s->prompter.shown().size(), 2);
        // Ctrl+X with nothing selected and Ctrl+U do nothing in add mode.
        box("SNameTB")->deselect();
        QTest::keyClick(box("SNameTB"), Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(box("SNameTB"), Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(s->prompter.shown().size(), 2);
        click("AddLa");
        QCOMPARE(s->prompter.last().text, u" New page for the Name: [ xyz ] Entered.    "_s);
        QCOMPARE(recn(), u"X  1"_s);
        QCOMPARE(s->book.page(23, 1)[Field::Name], QByteArray("xyz"));
    }

    // Names and notes in every script are typed, filed under their Latin letter, shown and saved
    // whole; an edited name of another script's letter offers a copy under that letter.
    void namesInEveryScriptAreFiledAndShownWhole() {
        const QList<std::pair<QString, QString>> names = {
            {u"\u00c9mile Zola"_s, u"E  1"_s},
            {u"\u0141ukasz Nowak"_s, u"L  1"_s},
            {u"\u0418\u0432\u0430\u043d\u043e\u0432"_s, u"I J  1"_s},
            {u"\u738b\u82b3"_s, u"W  1"_s},
        };
        const QString notes = u"\u5317\u4eac \U0001F600\n\u0414\u043e\u043c"_s;
        for (const auto& [name, caption] : names) {
            click("AddLa");
            box("SNameTB")->insert(name);
            QCOMPARE(box("SNameTB")->text(), name);
            control<QPlainTextEdit>("SNoteTB")->setPlainText(notes);
            click("AddLa");
            QVERIFY(s->prompter.last().text.contains(name));
            QCOMPARE(recn(), caption);
            QCOMPARE(box("SNameTB")->text(), name);
            QCOMPARE(control<QPlainTextEdit>("SNoteTB")->toPlainText(), notes);
        }
        QCOMPARE(textsOf(s->book.page(22, 1))[0], u"\u738b\u82b3"_s);

        // The Polish page renamed to a Greek name: a copy is offered under P.
        click("StartLa");
        QTest::keyClick(window.get(), Qt::Key_L, Qt::AltModifier);
        s->prompter.answerNext(PromptAnswer::No);
        box("SNameTB")->selectAll();
        box("SNameTB")->insert(u"\u03a9\u03bc\u03ad\u03b3\u03b1"_s);
        QTest::keyClick(box("SNameTB"), Qt::Key_S, Qt::ControlModifier);
        const QString offer =
            u" Do you wish make a COPY of this NEW NAME under the [ O ] Tab    "_s;
        QVERIFY(std::any_of(s->prompter.shown().begin(), s->prompter.shown().end(),
                            [&](const PromptRequest& shown) { return shown.text == offer; }));
    }

    // The editing keys edit the text of the box that has the keyboard; the page commands keep
    // Ctrl+N everywhere, Ctrl+A outside the boxes and Ctrl+X when no text is selected. A script
    // is a list of steps: "sel" selects the box's text with Home, Shift+End; "^K" is Ctrl+K;
    // "end" is the End key; anything else is typed.
    void editingKeysEditTheBoxText_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("nameShown");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("promptTitle");
        QTest::addColumn<QString>("addCaption");
        const auto row = [](const char* name, const char* target, const char* script,
                            const char* nameShown, const char* selected, const char* promptTitle,
                            const char* addCaption) {
            QTest::newRow(name) << QString::fromUtf8(target) << QString::fromUtf8(script)
                                << QString::fromUtf8(nameShown) << QString::fromUtf8(selected)
                                << QString::fromUtf8(promptTitle) << QString::fromUtf8(addCaption);
        };
        const char* asksDelete = "Delete: [ Adams ]";
        row("Ctrl+X cuts the selected name", "SNameTB", "sel ^X", "", "", "", "Add");
        row("Ctrl+X with nothing selected asks to delete", "SNameTB", "^X", "Adams", "", asksDelete,
            "Add");
        row("Ctrl+X in the notes with nothing selected asks to delete", "SNoteTB", "^X", "Adams",
            "", asksDelete, "Add");
        row("Ctrl+A selects the box's text", "SNameTB", "^A", "Adams", "Adams", "", "Add");
        row("Ctrl+C and Ctrl+V copy and paste", "SNameTB", "sel ^C end ^V", "AdamsAdams", "", "",
            "Add");
        row("Ctrl+Z undoes typing", "SNameTB", "end x y ^Z", "Adams", "", "", "Add");
        row("Ctrl+N in a box starts a new page", "SNameTB", "^N", "", "", "", "Save");
        row("Ctrl+N outside the boxes starts a new page", "Picture2", "^N", "", "", "", "Save");
        row("Ctrl+A outside the boxes starts a new page", "Picture2", "^A", "", "", "", "Save");
        row("Ctrl+X outside the boxes asks to delete", "Picture2", "^X", "Adams", "", asksDelete,
            "Add");
    }

    void editingKeysEditTheBoxText() {
        QFETCH(QString, target);
        QFETCH(QString, script);
        QFETCH(QString, nameShown);
        QFETCH(QString, selected);
        QFETCH(QString, promptTitle);
        QFETCH(QString, addCaption);
        QWidget* focused = control<QWidget>(qPrintable(target));
        focused->setFocus();
        s->prompter.answerNext(PromptAnswer::Cancel);
        for (const QString& step : script.split(u' ')) {
            if (step == QLatin1StringView("sel")) {
                QTest::keyClick(focused, Qt::Key_Home);
                QTest::keyClick(focused, Qt::Key_End, Qt::ShiftModifier);
            } else if (step == QLatin1StringView("end")) {
                QTest::keyClick(focused, Qt::Key_End);
            } else if (step.startsWith(u'^')) {
                QTest::keyClick(focused, step.at(1).toLatin1(), Qt::ControlModifier);
            } else {
                QTest::keyClicks(focused, step);
            }
        }
        QCOMPARE(box("SNameTB")->text(), nameShown);
        QCOMPARE(box("SNameTB")->selectedText(), selected);
        QCOMPARE(s->prompter.shown().isEmpty() ? QString() : s->prompter.last().title, promptTitle);
        QCOMPARE(label("AddLa")->caption(), addCaption);
        QCOMPARE(s->book.page(1, 1)[Field::Name], QByteArray("Adams")); // nothing deleted
    }

    void addModeCancelShowsThePageAgain() {
        click("NextB");
        click("AddLa");
        QCOMPARE(label("PassLa")->caption(), u"Cancel"_s);
        QTest::keyClicks(box("SNameTB"), u"Zed"_s);
        click("PassLa");
        QCOMPARE(box("SNameTB")->text(), u"Avery"_s);
        QCOMPARE(label("PassLa")->caption(), u"Options"_s);
    }

    void undoAndDeleteThroughTheLabels() {
        QTest::keyClicks(box("SAdd3TB"), u"abc"_s);
        click("UndoLa");
        QCOMPARE(box("SAdd3TB")->text(), QString());
        s->prompter.answerNext(PromptAnswer::Ok);
        click("DelLa");
        QCOMPARE(s->prompter.last().title, u"Delete: [ Adams ]"_s);
        QCOMPARE(box("SNameTB")->text(), QString());
        QVERIFY(s->book.page(1, 1).isBlank());
    }

    void statisticsDialAndCommandSignals() {
        click("EditLa");
        QVERIFY(!shown("SNoteTB"));
        QVERIFY(shown("StatTABLa"));
        click("EditLa");
        QVERIFY(shown("SNoteTB"));

        box("SMobiTB")->insert(u"0123 456"_s);
        click("P3Lab");
        QCOMPARE(label("DialLa")->colour(), LabelColour::Blue);
        QVERIFY(shown("DialMark3"));

        int finds = 0, prints = 0, dials = 0, options = 0, closes = 0;
        connect(window.get(), &OrVel::findRequested, this, [&] { ++finds; });
        connect(window.get(), &OrVel::printRequested, this, [&] { ++prints; });
        connect(window.get(), &OrVel::dialRequested, this, [&] { ++dials; });
        connect(window.get(), &OrVel::optionsRequested, this, [&] { ++options; });
        connect(window.get(), &OrVel::closeRequested, this, [&] { ++closes; });
        click("PrintLa");
        click("DialLa");
        click("FindLa");
        QCOMPARE(label("FindLa")->colour(), LabelColour::Blue);
        QWidget panel;
        window->setOptionsPanel(&panel);
        click("PassLa");
        QVERIFY(panel.isVisibleTo(window.get()));
        QCOMPARE(label("PassLa")->colour(), LabelColour::Blue);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!panel.isVisibleTo(window.get()));
        QCOMPARE(label("PassLa")->colour(), LabelColour::Grey);
        window->setOptionsPanel(nullptr);
        click("CloseLa");
        QCOMPARE((QList<int>{finds, prints, dials, options, closes}), (QList<int>{1, 1, 1, 1, 1}));
    }

    void mailAndWebLaunch() {
        click("NextB");
        click("NextB");
        click("LaunchEM1La");
        click("LaunchWebLa");
        click("LaunchEM2La");
        QCOMPARE(s->launcher.opened().size(), 2);
        QCOMPARE(s->launcher.opened()[0].toString(), u"mailto:baker@example.com"_s);
        QCOMPARE(s->launcher.opened()[1].toString(), u"http://www.baker.co.uk"_s);
        QCOMPARE(s->prompter.last().text,
                 u" Nothing to Send: Can't launch E-Mail Client from Empty Field     "_s);
        QTest::keyClicks(box("SEmaOTB"), u"two@@example.com"_s);
        click("LaunchEM2La");
        QCOMPARE(s->launcher.opened().size(), 2);
    }

    void closingTheWindowRunsTheClosePrompt() {
        int closes = 0;
        connect(window.get(), &OrVel::closeRequested, this, [&] { ++closes; });
        QTest::keyClicks(box("SAdd1TB"), u"x"_s);
        s->prompter.answerNext(PromptAnswer::Cancel);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(closes, 0);
        s->prompter.answerNext(PromptAnswer::No);
        QVERIFY(window->close());
        QCOMPARE(closes, 1);
        QCOMPARE(s->prompter.shown().size(), 2);
        // Shown again, the book asks again; the edits left unsaved are still there to save.
        window->show();
        QVERIFY(window->close());
        QCOMPARE(closes, 2);
        QCOMPARE(s->prompter.shown().size(), 3);
        QCOMPARE(s->book.page(1, 1)[Field::Addr1], QByteArray("x"));
    }

    void importAsksForTheFirstPageOnActivation() {
        click("LDLa");
        s->session.showFirstPageOnActivate = true;
        window->checkActivation();
        QCOMPARE(recn(), u"A  1"_s);
        QVERIFY(!s->session.showFirstPageOnActivate);
    }
};

ORVELAN_QT_TEST(MainWindowTest)
#include "MainWindowTest.moc"
