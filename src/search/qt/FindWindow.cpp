#include "search/qt/FindWindow.h"

#include "print/PagePrintout.h"
#include "print/SearchListPrintout.h"
#include "search/BookSearch.h"
#include "search/FindPlacement.h"
#include "search/qt/FindListModel.h"
#include "store/StoreMessages.h"
#include "ui/BackgroundMove.h"
#include "ui/BookLook.h"
#include "ui/LabelButton.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvelan {

namespace {

QFont listFont() {
    QFont font(u"Courier New"_s);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(9);
    return font;
}

// Makes `list` wide enough for `lines` (and a line of 86 digits) beside its scroll bar, so no
// line is cut to "…" before its tab and page: names in other scripts can be wider than their
// count of letters.
void fitListToLines(QListWidget* list, const QStringList& lines) {
    const QFontMetrics metrics(list->font());
    int widest = metrics.horizontalAdvance(QString(86, u'0'));
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QStyle* style = list->style();
    const int textMargins =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    list->setMinimumWidth(widest + textMargins + 2 * list->frameWidth() +
                          style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
}

const QString ListHeadings =
    u" Name                   Organisation                Phone               Tab    Page"_s;
const QString FindHeadings =
    u" Name                   Found in                                        Tab    Page"_s;

const QColor InfoBlue(0, 0, 255);
const QColor InfoRed(255, 0, 0);

// A line edit with its caption on its left, added to `layout` as one row.
QLineEdit* addLabelledBox(QVBoxLayout* layout, const QString& caption, const QString& objectName,
                          const QString& accessibleName) {
    QWidget* parent = layout->parentWidget();
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption, parent);
    row->addWidget(label);
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setAccessibleName(accessibleName);
    label->setBuddy(box);
    row->addWidget(box, 1);
    layout->addLayout(row);
    return box;
}

} // namespace

FindWindow::FindWindow(Session& session, BookNavigator& navigator, PrintTarget& printTarget,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_session(session),
      m_navigator(navigator), m_printTarget(printTarget), m_index(session.folder()) {
    setObjectName(u"frmFind"_s);
    new BackgroundMove(this);
    setWindowTitle(u"ORVELAN Search"_s);
    // The book's paper and ink: the selectors' blue, grey and red read on any desktop theme.
    setPalette(booklook::paperPalette());
    setAutoFillBackground(true);
    build();
}

void FindWindow::build() {
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(u"ORVELAN Search"_s, this);
    caption->setObjectName(u"CaptionLabel"_s);
    QFont captionFont = caption->font();
    captionFont.setBold(true);
    caption->setFont(captionFont);
    layout->addWidget(caption);

    m_text2 = addLabelledBox(layout, u"Look for:"_s, u"Text2"_s, u"Look for"_s);

    layout->addWidget(new QLabel(u"Look in"_s, this));
    auto* selectors = new QGridLayout;
    for (int i = 0; i < SearchSelectorCount; ++i) {
        const SearchSelector& selector = SearchSelectors[i];
        auto* label = new LabelButton(QLatin1StringView(selector.objectName),
                                      QLatin1StringView(selector.caption), this);
        label->setAccessibleDescription(u"Look in"_s);
        label->setKind(LabelButton::Kind::Tick);
        m_selectors[i] = label;
        selectors->addWidget(label, i / 5, i % 5);
        connect(label, &LabelButton::clicked, this, [this, i] { toggleSelector(i); });
    }
    layout->addLayout(selectors);

    m_findBox = addLabelledBox(layout, u"Find:"_s, u"FindBox"_s, u"Find as you type"_s);
    m_findBox->setPlaceholderText(u"a name, a number, any text on a page (Ctrl+F)"_s);
    m_findBox->setClearButtonEnabled(true);

    m_headings = new QLabel(ListHeadings, this);
    m_headings->setObjectName(u"List1Headings"_s);
    m_headings->setFont(listFont());
    layout->addWidget(m_headings);
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(u"List1"_s);
    m_list1->setAccessibleName(u"Pages found"_s);
    m_list1->setFont(listFont());
    m_list1->setUniformItemSizes(true);
    m_list1->setMinimumHeight(240);
    fitListToLines(m_list1, {});
    m_list1->installEventFilter(this);
    // The find box's list: lines are made only for the rows on screen, so a book of any size
    // scrolls at once.
    m_findModel = new FindListModel(m_index, this);
    m_findList = new QListView(this);
    m_findList->setObjectName(u"FindList"_s);
    m_findList->setAccessibleName(u"Pages"_s);
    m_findList->setFont(listFont());
    m_findList->setUniformItemSizes(true);
    m_findList->setLayoutMode(QListView::Batched);
    m_findList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_findList->setModel(m_findModel);
    m_findList->installEventFilter(this);
    m_lists = new QStackedWidget(this);
    m_lists->addWidget(m_list1);
    m_lists->addWidget(m_findList);
    // The headings stand over the list's text, inside its frame and item margin.
    m_headings->setContentsMargins(m_list1->frameWidth() + 3, 0, 0, 0);
    layout->addWidget(m_lists, 1);

    m_info = new QLabel(this);
    m_info->setObjectName(u"Info"_s);
    layout->addWidget(m_info);

    auto* commands = new QHBoxLayout;
    m_findLa = new LabelButton(u"FindLa"_s, u"Find"_s, this);
    m_viewLa = new LabelButton(u"ViewLa"_s, u"View"_s, this);
    m_dialLa = new LabelButton(u"DialLa"_s, u"Clear"_s, this);
    m_printLa = new LabelButton(u"PrintLa"_s, u"Print"_s, this);
    m_cancelLa = new LabelButton(u"CancelLa"_s, u"Close"_s, this);
    for (LabelButton* label : {m_findLa, m_viewLa, m_dialLa, m_printLa, m_cancelLa})
        commands->addWidget(label);
    commands->addStretch(1);
    layout->addLayout(commands);

    connect(m_findLa, &LabelButton::clicked, this, &FindWindow::runSearch);
    connect(m_viewLa, &LabelButton::clicked, this, &FindWindow::viewSelected);
    connect(m_dialLa, &LabelButton::clicked, this, &FindWindow::clearList);
    connect(m_printLa, &LabelButton::clicked, this, &FindWindow::printList);
    connect(m_cancelLa, &LabelButton::clicked, this, &FindWindow::closeWindow);
    connect(m_text2, &QLineEdit::returnPressed, this, &FindWindow::runSearch);
    connect(m_text2, &QLineEdit::textChanged, this, [this] {
        if (m_outcome == FindStatus::NothingFound)
            setInfo(FindStatus::Ready);
    });
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &FindWindow::viewSelected);
    connect(m_findBox, &QLineEdit::textChanged, this, &FindWindow::findAsYouType);
    connect(m_findBox, &QLineEdit::returnPressed, this, [this] {
        const QModelIndex current = m_findList->currentIndex();
        viewFindRow(current.isValid() ? current.row() : 0);
    });
    connect(m_findList, &QListView::clicked, this,
            [this](const QModelIndex& index) { viewFindRow(index.row()); });
    auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(findKey, &QShortcut::activated, this, &FindWindow::focusFindBox);
}

void FindWindow::open() {
    if (!m_loaded)
        load();
    // Minimised with the book, it comes back as a window, not as an icon.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // A contact list of every page until a search is run; pages changed meanwhile show.
    if (m_list1->count() == 0 || m_lists->currentWidget() == m_findList)
        fillFindList();
    focusFindBox();
}

void FindWindow::focusFindBox() {
    m_findBox->setFocus(Qt::ShortcutFocusReason);
    m_findBox->selectAll();
}

void FindWindow::showFindList(bool on) {
    m_lists->setCurrentWidget(on ? static_cast<QWidget*>(m_findList) : m_list1);
    m_headings->setText(on && !m_findBox->text().trimmed().isEmpty() ? FindHeadings : ListHeadings);
}

void FindWindow::fillFindList() {
    if (m_index.size() == 0)
        waitCursor(true); // the first reading of the book
    m_index.refresh();
    m_findModel->setQuery(FindQuery(
        m_findBox->text(), PhoneNumbers(phoneRegionSetting(m_session.folder().configPath()))));
    waitCursor(false);
    showFindList(true);
    if (m_index.damagedCount() > 0)
        setInfo(damagedLeftOutNotice(m_index.damagedCount()));
}

void FindWindow::findAsYouType() {
    fillFindList();
    const int listed = m_findModel->rowCount();
    const bool everyPage = m_findBox->text().trimmed().isEmpty();
    setInfoColour(InfoBlue);
    QString status = listed == 0               ? FindStatus::NothingFound
                     : m_findModel->complete() ? FindStatus::found(listed, everyPage)
                                               : FindStatus::foundAtLeast(listed);
    // Pages that could not be read may hold the text: the list is not the whole answer.
    if (m_index.damagedCount() > 0)
        status += u"   "_s + damagedLeftOutNotice(m_index.damagedCount());
    setInfo(status);
}

void FindWindow::viewFindRow(int row) {
    const std::optional<PagePosition> position = m_findModel->positionAt(row);
    if (!position)
        return;
    if (!BookSearch(m_session.folder()).pageExists(*position)) {
        setInfoColour(InfoRed);
        setInfo(FindStatus::SelectionError);
        m_session.services().prompter.ask(
            {u"ORVELAN Find"_s,
             u" Can't VIEW this Line:  Its Page is no longer in the Book, Search again      "_s,
             PromptIcon::Exclamation, PromptButtons::Ok});
        setInfoColour(InfoBlue);
        findAsYouType();
        return;
    }
    m_navigator.showPage(position->tab, position->page);
}

void FindWindow::load() {
    m_loaded = true;
    m_session.loadSettings();
    for (int i = 0; i < SearchSelectorCount; ++i)
        colourSelector(i);
    adjustSize();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    move(findWindowPosition(m_navigator.bookFrame(), frameGeometry().size(), area));
    setInfoColour(InfoBlue);
    setInfo(FindStatus::Ready);
}

void FindWindow::setInfo(const QString& text) {
    m_info->setText(text);
    m_info->repaint();
}

void FindWindow::setInfoColour(const QColor& colour) {
    QPalette palette = m_info->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_info->setPalette(palette);
}

void FindWindow::colourSelector(int index) {
    const char flag = m_session.settings().searchFlag(SearchSelectors[index].settingsIndex);
    m_selectors[index]->setColour(flag == '1' ? LabelColour::Blue : LabelColour::Grey);
}

void FindWindow::toggleSelector(int index) {
    Settings& settings = m_session.settings();
    const int slot = SearchSelectors[index].settingsIndex;
    settings.setSearchFlag(slot, toggledFlag(settings.searchFlag(slot)));
    colourSelector(index);
}

void FindWindow::waitCursor(bool on) {
    if (on) {
        setCursor(Qt::WaitCursor);
        m_list1->setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
        m_list1->unsetCursor();
    }
}

void FindWindow::runSearch() {
    Clock& clock = m_session.services().clock;
    // The search reads the tab files on its own; the main window's position in the page
    // store stays as it is.
    waitCursor(true);
    clock.pause(0.1);
    const SelectorFlags flags = selectorFlagsOf(m_session.settings());
    if (!anySelected(flags)) {
        setInfoColour(InfoRed);
        setInfo(FindStatus::SelectionError);
        m_session.services().prompter.ask({u"ORVELAN Find"_s,
                                           u" Can't FIND: There is no FIELD selected to look in "_s,
                                           PromptIcon::Exclamation, PromptButtons::Ok});
        setInfoColour(InfoBlue);
        setInfo(FindStatus::Ready);
        waitCursor(false);
        return;
    }
    m_foundCount = 0;
    m_list1->clear();
    showFindList(false);
    const QString query = m_text2->text().trimmed();
    const SearchOutcome outcome =
        BookSearch(m_session.folder()).run(flags, query, [this](int, int found) {
            if (found > SearchingNoticeAfter)
                setInfo(FindStatus::Searching);
        });
    m_foundCount = outcome.found();
    QStringList lines;
    lines.reserve(outcome.found());
    for (const SearchHit& hit : outcome.hits)
        lines.append(hit.line);
    fitListToLines(m_list1, lines);
    m_list1->addItems(lines);
    storeResults(m_session.searchResults(), outcome);

    setInfoColour(InfoBlue);
    if (m_foundCount == 0) {
        for (int i = 0; i < 4; ++i) {
            setInfo(QString());
            clock.pause(0.05);
            setInfo(FindStatus::NothingFound);
            clock.pause(0.05);
        }
        m_outcome = FindStatus::NothingFound;
    } else {
        setInfo(FindStatus::found(m_foundCount, query.isEmpty()));
        m_outcome = FindStatus::Ok;
    }
    waitCursor(false);
}

void FindWindow::viewSelected() {
    if (m_lists->currentWidget() == m_findList && m_findList->selectionModel()->hasSelection()) {
        viewFindRow(m_findList->currentIndex().row());
        return;
    }
    const QListWidgetItem* item = m_list1->currentItem();
    const QString line = item && item->isSelected() ? item->text() : QString();
    const std::optional<PagePosition> position =
        line.trimmed().isEmpty() ? std::nullopt : positionOfLine(line);
    const auto refuse = [this](const QString& text) {
        setInfoColour(InfoRed);
        setInfo(FindStatus::SelectionError);
        m_session.services().prompter.ask(
            {u"ORVELAN Find"_s, text, PromptIcon::Exclamation, PromptButtons::Ok});
        setInfoColour(InfoBlue);
        setInfo(FindStatus::Ready);
    };
    if (!position) {
        refuse(u" Can't VIEW an empty Line:  No Text or Page has been SELECTED      "_s);
        return;
    }
    if (!BookSearch(m_session.folder()).pageExists(*position)) {
        refuse(u" Can't VIEW this Line:  Its Page is no longer in the Book, Search again      "_s);
        return;
    }
    m_navigator.showPage(position->tab, position->page);
}

void FindWindow::clearList() {
    Clock& clock = m_session.services().clock;
    m_dialLa->setColour(LabelColour::Blue);
    m_list1->clear();
    showFindList(false);
    m_foundCount = 0;
    setInfo(FindStatus::ClearList);
    clock.pause(0.7);
    setInfo(FindStatus::Ok);
    clock.pause(0.7);
    setInfo(FindStatus::Ready);
    m_dialLa->setColour(LabelColour::Grey);
}

void FindWindow::printList() {
    if (m_printLa->colour() == LabelColour::Blue)
        return; // a print is running
    Clock& clock = m_session.services().clock;
    Prompter& prompter = m_session.services().prompter;
    setInfo(FindStatus::PrintingList);
    m_printLa->setColour(LabelColour::Blue);
    clock.pause(0.5);
    const SearchListPrint::Result result =
        SearchListPrint::run(m_printTarget, m_session.searchResults(), m_foundCount, clock.now());
    switch (result.outcome) {
    case SearchListPrint::Outcome::NoList:
        setInfoColour(InfoRed);
        setInfo(FindStatus::NoListToPrint);
        prompter.ask(SearchListPrint::noListPrompt());
        setInfoColour(InfoBlue);
        break;
    case SearchListPrint::Outcome::Failed:
        prompter.ask(printErrorPrompt(result.error, result.detail));
        break;
    case SearchListPrint::Outcome::SavedToPdf:
        prompter.ask(savedToPdfPrompt(result.pdfPath));
        break;
    case SearchListPrint::Outcome::Printed:
        break;
    }
    setInfo(FindStatus::Ok);
    clock.pause(0.7);
    setInfo(FindStatus::Ready);
    m_printLa->setColour(LabelColour::Grey);
}

void FindWindow::closeWindow() {
    m_session.saveSettings(u"ORVELAN Find"_s);
    hide();
}

void FindWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_navigator.bringBookToFront();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        m_navigator.openHelpPage(u"orvelanfind.htm"_s);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_list1 || watched == m_findList) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            viewSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindWindow::mousePressEvent(QMouseEvent* event) {
    // Dragging the background moves the window, as a title bar would (BackgroundMove).
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FindWindow::changeEvent(QEvent* event) {
    // An activation that arrives after the window was closed (X11 reports it late) does not
    // mark the search as open again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        m_navigator.searchWindowActivated();
    QWidget::changeEvent(event);
}

} // namespace orvelan
