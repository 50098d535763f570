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

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<BookSession> s;
    std::unique_ptr<OrVel> window;
    int ended = 0;

    template <typename T> T* control(const char* name) {
        T* found = window->findChild<T*>(QLatin1StringView(name));
        if (!found)
            qFatal("control %s not found", name);
        return found;
    }
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
        QVERIFY(window->findChild<QPlainTextEdit*>(QStringLiteral("SNoteTB")));
        QCOMPARE(window->pageTexts()[0], QStringLiteral("Adams"));
    }

    void nextAndLastAcrossTabsWithTheLabelStacks() {
        QCOMPARE(recn(), QStringLiteral("A  1"));
        QVERIFY(shown("RALa"));
        QVERIFY(!shown("LALa"));
        QVERIFY(shown("LBLa"));
        click("NextB");
        click("NextB");
        QCOMPARE(recn(), QStringLiteral("B  1"));
        QCOMPARE(box("SNameTB")->text(), QStringLiteral("Baker"));
        QCOMPARE(box("SEmaiTB")->text(), QStringLiteral("baker@example.com"));
        QCOMPARE(control<QPlainTextEdit>("SNoteTB")->toPlainText(),
                 QStringLiteral("first\nsecond"));
        QVERIFY(shown("RBLa"));
        QVERIFY(!shown("LBLa"));
        QVERIFY(control<QWidget>("Picture2")->hasFocus());
        click("LastB");
        QCOMPARE(recn(), QStringLiteral("A  2"));
        QVERIFY(!shown("RBLa"));
        click("LastB");
        click("LastB");
        QCOMPARE(recn(), QStringLiteral("*0  1"));
        QVERIFY(shown("Picture1"));
        QVERIFY(!shown("RALa"));
        click("StartLa");
        QCOMPARE(recn(), QStringLiteral("A  1"));
        QVERIFY(!shown("Picture1"));
        // Tab labels: a left label opens its tab, a right label the tab before its letter.
        click("LMLa");
        QCOMPARE(recn(), QStringLiteral("M  1"));
        click("RMLa");
        QCOMPARE(recn(), QStringLiteral("L  1"));
        QVERIFY(shown("LMLa"));
        QVERIFY(shown("RLLa"));
        // The page panels stand further right the further the book is opened.
        const int atL = control<QWidget>("Picture2")->x();
        click("LZLa");
        QVERIFY(control<QWidget>("Picture2")->x() > atL);
        QCOMPARE(control<QWidget>("Picture3")->x() - control<QWidget>("Picture2")->x(), 380);
    }

    // An encrypted book's page that fails its authentication is marked by its place in the
    // status line, shows no text and takes no typing; the next page is as ever.
    void aDamagedPageIsMarkedAndTakesNoTyping() {
        QVERIFY(
            encryptBook(s->book.folder(), QStringLiteral("S3cret!pw"), false, {}, {1, 8192}).ok);
        QByteArray sealed = s->book.tabBytes(2);
        sealed[100] = char(sealed[100] ^ 0x10);
        s->book.writeTab(2, {sealed});
        click("NextB");
        click("NextB");
        const QString mark = QStringLiteral("page 1 of tab B is damaged and cannot be read");
        QCOMPARE(s->prompter.last().text, mark);
        QCOMPARE(control<QLabel>("StatusLa")->text(), mark);
        QCOMPARE(box("SNameTB")->text(), QString());
        QVERIFY(box("SNameTB")->isReadOnly());
        QVERIFY(control<QPlainTextEdit>("SNoteTB")->isReadOnly());
        click("NextB");
        QCOMPARE(box("SNameTB")->text(), QStringLiteral("Bell"));
        QVERIFY(!box("SNameTB")->isReadOnly());
        QCOMPARE(control<QLabel>("StatusLa")->text(), QString());
        QCOMPARE(ended, 0);
    }

    void keysTurnPagesAndAltLettersOpenTabs() {
        box("SAdd1TB")->setFocus();
        QTest::keyClick(box("SAdd1TB"), Qt::Key_PageDown);
        QCOMPARE(recn(), QStringLiteral("A  2"));
        box("SNameTB")->setFocus();
        QTest::keyClick(box("SNameTB"), Qt::Key_K, Qt::AltModifier);
        QCOMPARE(recn(), QStringLiteral("K  1"));
        QCOMPARE(box("SNameTB")->text(), QString()); // the letter went nowhere
        QTest::keyClick(window.get(), Qt::Key_J, Qt::AltModifier);
        QCOMPARE(recn(), QStringLiteral("I J  1"));
        QVERIFY(shown("RJLa"));
        QVERIFY(!shown("LJLa"));
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(recn(), QStringLiteral("Z  1"));
        QTest::keyClick(window.get(), Qt::Key_PageDown);
        QCOMPARE(control<QLabel>("StatusLa")->text(), QString());
        QCOMPARE(s->clock.pausedSeconds(), 0.7);
        QTest::keyClick(window.get(), Qt::Key_F7);
        QCOMPARE(recn(), QStringLiteral("*0  1"));
        QTest::keyClick(window.get(), Qt::Key_F4);
        QCOMPARE(recn(), QStringLiteral("A  1"));
    }

    void typingMarksThePageAndThePromptsDecide() {
        QTest::keyClicks(box("SAdd1TB"), QStringLiteral("1 Mill Lane"));
        QCOMPARE(label("EditLa")->caption(), QStringLiteral("Save"));
        QCOMPARE(label("EditLa")->colour(), LabelColour::Blue);
        QCOMPARE(label("UndoLa")->colour(), LabelColour::Blue);

        s->prompter.answerNext(PromptAnswer::Cancel);
        click("LCLa");
        QCOMPARE(recn(), QStringLiteral("A  1"));
        QCOMPARE(box("SAdd1TB")->text(), QStringLiteral("1 Mill Lane"));

        s->prompter.answerNext(PromptAnswer::Yes);
        click("LCLa");
        QCOMPARE(recn(), QStringLiteral("C  1"));
        QCOMPARE(s->book.page(1, 1)[Field::Addr1], QByteArray("1 Mill Lane"));
        QCOMPARE(label("EditLa")->caption(), QStringLiteral("Stats"));
        QCOMPARE(label("EditLa")->colour(), LabelColour::Grey);

        click("RCLa"); // back to B
        click("NextB");
        QTest::keyClicks(box("SAdd2TB"), QStringLiteral("y"));
        QTest::keyClick(box("SAdd2TB"), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s->book.page(2, 2)[Field::Addr2], QByteArray("y"));
        QCOMPARE(label("EditLa")->caption(), QStringLiteral("Stats"));
    }

    void nameRefusalWhileTypingAndPasting() {
        QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(label("AddLa")->caption(), QStringLiteral("Save"));
        QVERIFY(shown("NewNameLa"));
        QVERIFY(box("SNameTB")->hasFocus());
        box("SNameTB")->insert(QStringLiteral("\u0301xyz"));
        QCOMPARE(box("SNameTB")->text(), QStringLiteral("xyz"));
        QCOMPARE(s->prompter.shown().size(), 1);
        QCOMPARE(s->prompter.last().text, PageEditor::nameStartRefused().text);
        box("SNameTB")->clear();
        box("SNameTB")->insert(QStringLiteral("\u00a0\u0001xyz"));
        QCOMPARE(box("SNameTB")->text(), QStringLiteral("xyz")); // the control is just removed
        QCOMPARE(s->prompter.shown().size(), 2);
        // Ctrl+X with nothing selected and Ctrl+U do nothing in add mode.
        box("SNameTB")->deselect();
        QTest::keyClick(box("SNameTB"), Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(box("SNameTB"), Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(s->prompter.shown().size(), 2);
        click("AddLa");
        QCOMPARE(s->prompter.last().text,
                 QStringLiteral(" New page for the Name: [ xyz ] Entered.    "));
        QCOMPARE(recn(), QStringLiteral("X  1"));
        QCOMPARE(s->book.page(23, 1)[Field::Name], QByteArray("xyz"));
        QCOMPARE(label("AddLa")->caption(), QStringLiteral("Add"));
        QVERIFY(!shown("NewNameLa"));
        QCOMPARE(label("PassLa")->caption(), QStringLiteral("Options"));
    }

    // Names and notes in every script are typed, filed under their Latin letter, shown and saved
    // whole; an edited name of another script's letter offers a copy under that letter.
    void namesInEveryScriptAreFiledAndShownWhole() {
        const QList<std::pair<QString, QString>> names = {
            {QStringLiteral("\u00c9mile Zola"), QStringLiteral("E  1")},
            {QStringLiteral("\u0141ukasz Nowak"), QStringLiteral("L  1")},
            {QStringLiteral("\u00c5ngstr\u00f6m"), QStringLiteral("A  3")},
            {QStringLiteral("\u0418\u0432\u0430\u043d\u043e\u0432"), QStringLiteral("I J  1")},
            {QStringLiteral(
                 "\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"),
             QStringLiteral("P  1")},
            {QStringLiteral("\u738b\u82b3"), QStringLiteral("W  1")},
        };
        const QString notes = QStringLiteral("\u5317\u4eac \U0001F600\n\u0414\u043e\u043c");
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
        QCOMPARE(textsOf(s->book.page(22, 1))[0], QStringLiteral("\u738b\u82b3"));

        // The Polish page renamed to a Greek name: a copy is offered under P.
        click("StartLa");
        QTest::keyClick(window.get(), Qt::Key_L, Qt::AltModifier);
        s->prompter.answerNext(PromptAnswer::No);
        box("SNameTB")->selectAll();
        box("SNameTB")->insert(QStringLiteral("\u03a9\u03bc\u03ad\u03b3\u03b1"));
        QTest::keyClick(box("SNameTB"), Qt::Key_S, Qt::ControlModifier);
        const QString offer =
            QStringLiteral(" Do you wish make a COPY of this NEW NAME under the [ O ] Tab    ");
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
        QTest::newRow("Ctrl+X cuts the selected name") << "SNameTB"
                                                       << "sel ^X"
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << "Add";
        QTest::newRow("Ctrl+X with nothing selected asks to delete") << "SNameTB"
                                                                     << "^X"
                                                                     << "Adams"
                                                                     << ""
                                                                     << "Delete: [ Adams ]"
                                                                     << "Add";
        QTest::newRow("Ctrl+X in the notes with nothing selected asks to delete")
            << "SNoteTB"
            << "^X"
            << "Adams"
            << ""
            << "Delete: [ Adams ]"
            << "Add";
        QTest::newRow("Ctrl+A selects the box's text") << "SNameTB"
                                                       << "^A"
                                                       << "Adams"
                                                       << "Adams"
                                                       << ""
                                                       << "Add";
        QTest::newRow("Ctrl+C and Ctrl+V copy and paste") << "SNameTB"
                                                          << "sel ^C end ^V"
                                                          << "AdamsAdams"
                                                          << ""
                                                          << ""
                                                          << "Add";
        QTest::newRow("Ctrl+Z undoes typing") << "SNameTB"
                                              << "end x y ^Z"
                                              << "Adams"
                                              << ""
                                              << ""
                                              << "Add";
        QTest::newRow("Ctrl+N in a box starts a new page") << "SNameTB"
                                                           << "^N"
                                                           << ""
                                                           << ""
                                                           << ""
                                                           << "Save";
        QTest::newRow("Ctrl+N outside the boxes starts a new page") << "Picture2"
                                                                    << "^N"
                                                                    << ""
                                                                    << ""
                                                                    << ""
                                                                    << "Save";
        QTest::newRow("Ctrl+A outside the boxes starts a new page") << "Picture2"
                                                                    << "^A"
                                                                    << ""
                                                                    << ""
                                                                    << ""
                                                                    << "Save";
        QTest::newRow("Ctrl+X outside the boxes asks to delete") << "Picture2"
                                                                 << "^X"
                                                                 << "Adams"
                                                                 << ""
                                                                 << "Delete: [ Adams ]"
                                                                 << "Add";
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
        QCOMPARE(label("PassLa")->caption(), QStringLiteral("Cancel"));
        QCOMPARE(label("PassLa")->colour(), LabelColour::Blue);
        QTest::keyClicks(box("SNameTB"), QStringLiteral("Zed"));
        click("PassLa");
        QCOMPARE(box("SNameTB")->text(), QStringLiteral("Avery"));
        QCOMPARE(label("PassLa")->caption(), QStringLiteral("Options"));
        QCOMPARE(label("PassLa")->colour(), LabelColour::Grey);
    }

    void undoAndDeleteThroughTheLabels() {
        QTest::keyClicks(box("SAdd3TB"), QStringLiteral("abc"));
        QTest::keyClicks(box("SGrouTB"), QStringLiteral("Friends"));
        click("UndoLa");
        QCOMPARE(box("SAdd3TB")->text(), QString());
        QCOMPARE(box("SGrouTB")->text(), QString());
        QCOMPARE(label("UndoLa")->colour(), LabelColour::Grey);
        s->prompter.answerNext(PromptAnswer::Ok);
        click("DelLa");
        QCOMPARE(s->prompter.last().title, QStringLiteral("Delete: [ Adams ]"));
        QCOMPARE(box("SNameTB")->text(), QString());
        QVERIFY(s->book.page(1, 1).isBlank());
        QCOMPARE(label("DelLa")->colour(), LabelColour::Grey);
    }

    void statisticsDialAndCommandSignals() {
        click("EditLa");
        QVERIFY(!shown("SNoteTB"));
        QVERIFY(shown("StatTABLa"));
        QCOMPARE(control<QLabel>("StatTABLa")->text(), QStringLiteral("          TAB: A / 1"));
        click("EditLa");
        QVERIFY(shown("SNoteTB"));

        box("SMobiTB")->insert(QStringLiteral("0123 456"));
        click("P3Lab");
        QCOMPARE(label("DialLa")->colour(), LabelColour::Blue);
        QVERIFY(shown("DialMark3"));
        QTest::keyClicks(box("SMobiTB"), QStringLiteral("7"));
        QVERIFY(!shown("DialMark3"));
        QCOMPARE(label("DialLa")->colour(), LabelColour::Grey);
        QTest::keyClick(box("SMobiTB"), Qt::Key_Backspace);
        QCOMPARE(box("SMobiTB")->text(), QStringLiteral("0123 456"));

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
        QCOMPARE(s->launcher.opened()[0].toString(), QStringLiteral("mailto:baker@example.com"));
        QCOMPARE(s->launcher.opened()[1].toString(), QStringLiteral("http://www.baker.co.uk"));
        QCOMPARE(
            s->prompter.last().text,
            QStringLiteral(" Nothing to Send: Can't launch E-Mail Client from Empty Field     "));
        QTest::keyClicks(box("SEmaOTB"), QStringLiteral("two@@example.com"));
        click("LaunchEM2La");
        QCOMPARE(s->launcher.opened().size(), 2);
    }

    void closingTheWindowRunsTheClosePrompt() {
        int closes = 0;
        connect(window.get(), &OrVel::closeRequested, this, [&] { ++closes; });
        QTest::keyClicks(box("SAdd1TB"), QStringLiteral("x"));
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
        QCOMPARE(recn(), QStringLiteral("A  1"));
        QVERIFY(!s->session.showFirstPageOnActivate);
        window->showPage(2, 2);
        QCOMPARE(recn(), QStringLiteral("B  2"));
        QVERIFY(shown("RBLa"));
    }
};

ORVELAN_QT_TEST(MainWindowTest)
#include "MainWindowTest.moc"
