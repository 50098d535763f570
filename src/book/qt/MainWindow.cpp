#include "book/qt/MainWindow.h"

#include "book/MailWebLaunch.h"
#include "book/PageCaptions.h"
#include "book/qt/BookPanels.h"
#include "store/TabTable.h"
#include "ui/BackgroundMove.h"
#include "ui/BookLook.h"
#include "ui/LabelButton.h"
#include "ui/Pictures.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace orvelan {

namespace {

constexpr int WindowWidth = 880;
constexpr int WindowHeight = 590;
constexpr int PageTop = 36;
constexpr int PageWidth = 380;
constexpr int PageHeight = 490;
constexpr int PagesLeft = 50;
constexpr int TabTop = 44;
constexpr int TabRow = 18;
constexpr int TabWidth = 30;
constexpr int RowTop = 40;
constexpr int RowHeight = 24;
constexpr int BarTop = 536;
// The command bar: a row of command labels, and under it the status line, wide enough for the
// longest status text (a telephony error, or "Dialing..." with a whole number).
constexpr int BarHeight = 50;
constexpr int StatusTop = BarTop + 28;

// Pixels of a panel offset given in twips (15 twips to the pixel at 96 dpi).
int pixels(int twips) {
    return (twips + 7) / 15;
}

QFont titleFont(const QWidget*) {
    QFont f = booklook::font(booklook::SmallPixels);
    f.setCapitalization(QFont::SmallCaps);
    return f;
}

QLabel* fieldTitle(QWidget* page, const QString& text, int y) {
    auto* label = new QLabel(text, page);
    label->setFont(titleFont(page));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(120, 96, 64));
    label->setPalette(pal);
    label->setGeometry(18, y, 78, RowHeight - 2);
    return label;
}

} // namespace

OrVel::OrVel(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_book(session), m_editor(m_book),
      m_navigator(m_book, m_editor), m_keys(m_book, m_editor, m_navigator) {
    setObjectName(QStringLiteral("OrVel"));
    new BackgroundMove(this);
    setWindowTitle(QStringLiteral("ORVELAN Secure Address Book"));
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(WindowWidth, WindowHeight);
    // The book's own colours and pixel-sized fonts: the desktop's theme and font size stay out.
    setPalette(booklook::paperPalette());
    setFont(booklook::font(booklook::TextPixels));
    m_book.setEnder([this] {
        hide();
        QCoreApplication::exit(1);
    });
    buildPages();
    buildTabs();
    buildCommands();
    buildCorner();
    connectLogic();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    installEventFilter(this);
    refreshView();
}

OrVel::~OrVel() = default;

QLineEdit* OrVel::addField(QWidget* page, int index, const QString& title, int y, QWidget** label) {
    if (label)
        *label = title.isEmpty() ? nullptr : fieldTitle(page, title, y);
    else if (!title.isEmpty())
        fieldTitle(page, title, y);
    auto* box = new QLineEdit(page);
    box->setObjectName(QLatin1StringView(RecordLayout[index + 1].control));
    box->setGeometry(98, y, PageWidth - 98 - 34, RowHeight - 3);
    box->setAccessibleName(pageCaptionOf(index));
    // On the boxes themselves: a style sheet on the window would take the labels' colours from
    // the desktop's palette again.
    box->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; border: none;"
                       " border-bottom: 1px solid rgb(205,194,162); color: rgb(16,24,72);"
                       " selection-background-color: rgb(170,190,230); }"));
    m_boxes[index] = box;
    connect(box, &QLineEdit::textEdited, this,
            [this, index](const QString& text) { m_editor.textEdited(index, text); });
    return box;
}

void OrVel::buildPages() {
    m_leftPage = new PagePanel(QStringLiteral("Picture2"), PagePanel::Side::Left, this);
    m_rightPage = new PagePanel(QStringLiteral("Picture3"), PagePanel::Side::Right, this);
    m_leftPage->resize(PageWidth, PageHeight);
    m_rightPage->resize(PageWidth, PageHeight);

    QWidget* left = m_leftPage;
    m_newName = new LabelButton(QStringLiteral("NewNameLa"), QStringLiteral("New Name:"), left);
    m_newName->setColour(LabelColour::Blue);
    m_newName->setGeometry(18, 12, 120, 20);
    m_recn = new QLabel(left);
    m_recn->setObjectName(QStringLiteral("RecnLa"));
    m_recn->setGeometry(PageWidth - 150, 12, 130, 20);
    m_recn->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QFont recnFont = booklook::font(booklook::TextPixels, true);
    m_recn->setFont(recnFont);

    addField(left, 0, pageTitleOf(0), RowTop, nullptr);
    static_cast<QLineEdit*>(m_boxes[0])->setFont(recnFont);
    for (int i = 1; i <= 6; ++i)
        addField(left, i, pageTitleOf(i), RowTop + i * RowHeight, nullptr);
    static const char* const dialNames[] = {"P1Lab", "P2LAb", "P3Lab", "P4Lab", "P5Lab"};
    for (int n = 0; n < 5; ++n) {
        const int y = RowTop + (8 + n) * RowHeight;
        addField(left, DialFieldViewIndex[n], QString(), y, nullptr);
        auto* label = new LabelButton(QLatin1StringView(dialNames[n]),
                                      pageTitleOf(DialFieldViewIndex[n]), left);
        label->setFont(titleFont(left));
        label->setGeometry(18, y, 76, RowHeight - 4);
        m_dialLabels[n] = label;
        connect(label, &LabelButton::clicked, this, [this, n] {
            if (m_dialFieldHandler)
                m_dialFieldHandler(n + 1);
            else
                m_book.selectDialField(n + 1);
        });
        auto* mark = new QWidget(left);
        mark->setObjectName(QStringLiteral("DialMark%1").arg(n + 1));
        mark->setAutoFillBackground(true);
        QPalette pal = mark->palette();
        pal.setColor(QPalette::Window, QColor(0, 0, 255));
        mark->setPalette(pal);
        mark->setGeometry(18, y + RowHeight - 5, 56, 2);
        m_dialMarks[n] = mark;
    }
    addField(left, 12, pageTitleOf(12), RowTop + 14 * RowHeight, nullptr);
    addField(left, 13, pageTitleOf(13), RowTop + 15 * RowHeight, nullptr);
    auto* mail1 = new LabelButton(QStringLiteral("LaunchEM1La"), QStringLiteral("@"), left);
    mail1->setGeometry(PageWidth - 30, RowTop + 14 * RowHeight, 22, RowHeight - 4);
    connect(mail1, &LabelButton::clicked, this, [this] {
        launch(mailLaunch(m_book.view().texts[12]), m_session.services().prompter,
               m_session.services().launcher);
    });
    auto* last = new QToolButton(left);
    last->setObjectName(QStringLiteral("LastB"));
    last->setIcon(pictures::pageArrow(false)); // the book's ink, not the desktop's
    last->setAutoRaise(true);
    last->setFocusPolicy(Qt::TabFocus); // Tab reaches it, Space turns the page
    last->setGeometry(14, PageHeight - 40, 34, 30);
    last->setIconSize(QSize(18, 18));
    last->setAccessibleName(QStringLiteral("Last page"));
    connect(last, &QToolButton::clicked, this, [this] { m_navigator.lastPage(); });

    QWidget* right = m_rightPage;
    addField(right, 14, pageTitleOf(14), RowTop, nullptr);
    addField(right, 15, pageTitleOf(15), RowTop + RowHeight, nullptr);
    addField(right, 16, pageTitleOf(16), RowTop + 2 * RowHeight, nullptr);
    for (int i = 0; i < 6; ++i)
        addField(right, 17 + i, pageTitleOf(17 + i), RowTop + (3 + i) * RowHeight, nullptr);
    addField(right, 23, pageTitleOf(23), RowTop + 9 * RowHeight, nullptr);
    addField(right, 24, pageTitleOf(24), RowTop + 10 * RowHeight, nullptr);
    auto* mail2 = new LabelButton(QStringLiteral("LaunchEM2La"), QStringLiteral("@"), right);
    mail2->setGeometry(PageWidth - 30, RowTop + 9 * RowHeight, 22, RowHeight - 4);
    connect(mail2, &LabelButton::clicked, this, [this] {
        launch(mailLaunch(m_book.view().texts[23]), m_session.services().prompter,
               m_session.services().launcher);
    });
    auto* web = new LabelButton(QStringLiteral("LaunchWebLa"), QStringLiteral("www"), right);
    web->setGeometry(PageWidth - 34, RowTop + 10 * RowHeight, 30, RowHeight - 4);
    connect(web, &LabelButton::clicked, this, [this] {
        launch(webLaunch(m_book.view().texts[24]), m_session.services().prompter,
               m_session.services().launcher);
    });
    mail1->setAccessibleName(QStringLiteral("Write to the e-mail address"));
    mail2->setAccessibleName(QStringLiteral("Write to the work e-mail address"));
    web->setAccessibleName(QStringLiteral("Open the web address"));
    for (LabelButton* launcher : {mail1, mail2, web}) {
        launcher->setAlignment(Qt::AlignCenter);
        launcher->setColour(LabelColour::Blue);
    }

    const int notesTop = RowTop + 11 * RowHeight + 4;
    fieldTitle(right, pageTitleOf(NotesViewIndex), notesTop);
    auto* notes = new QPlainTextEdit(right);
    notes->setObjectName(QLatin1StringView(RecordLayout[ViewFieldCount].control));
    notes->setGeometry(18, notesTop + RowHeight, PageWidth - 36,
                       PageHeight - notesTop - RowHeight - 44);
    notes->setAccessibleName(pageCaptionOf(NotesViewIndex));
    notes->setStyleSheet(QStringLiteral("QPlainTextEdit { background: rgba(255,255,255,90);"
                                        " border: 1px solid rgb(215,204,172); color: rgb(16,24,72);"
                                        " selection-background-color: rgb(170,190,230); }"));
    notes->setTabChangesFocus(true); // Tab moves on, as from every other box
    m_boxes[NotesViewIndex] = notes;
    connect(notes, &QPlainTextEdit::textChanged, this, [this, notes] {
        if (!m_syncing)
            m_editor.textEdited(NotesViewIndex, notes->toPlainText());
    });
    static const char* const statNames[] = {"StatTABLa", "StatRenLA", "StatMODLa", "StatTIMLa"};
    for (int i = 0; i < 4; ++i) {
        auto* stat = new QLabel(right);
        stat->setObjectName(QLatin1StringView(statNames[i]));
        stat->setGeometry(30, notesTop + RowHeight + 8 + i * 22, PageWidth - 60, 20);
        stat->setFont(booklook::monospaceFont(booklook::TextPixels));
        m_stats[i] = stat;
    }
    auto* next = new QToolButton(right);
    next->setObjectName(QStringLiteral("NextB"));
    next->setIcon(pictures::pageArrow(true)); // the book's ink, not the desktop's
    next->setAutoRaise(true);
    next->setFocusPolicy(Qt::TabFocus);
    next->setGeometry(PageWidth - 48, PageHeight - 40, 34, 30);
    next->setIconSize(QSize(18, 18));
    next->setAccessibleName(QStringLiteral("Next page"));
    connect(next, &QToolButton::clicked, this, [this] { m_navigator.nextPage(); });
    m_callPicture =
        new PictureButton(QStringLiteral("Picture4"), PictureButton::Symbol::Phone, right);
    m_callPicture->move(PageWidth - 34, 10);
    m_hangUp = new PictureButton(QStringLiteral("cmdHangUp"), PictureButton::Symbol::Phone, right);
    m_hangUp->setToolTip(QStringLiteral("Hang up"));
    m_hangUp->move(PageWidth - 62, 10);
    connect(m_hangUp, &PictureButton::clicked, this, &OrVel::hangUpRequested);

    m_optionsArea = new QWidget(this);
    m_optionsArea->setObjectName(QStringLiteral("OptionsArea"));
    auto* optionsLayout = new QVBoxLayout(m_optionsArea);
    optionsLayout->setContentsMargins(0, 0, 0, 0);

    m_cover = new CoverPanel(QStringLiteral("Picture1"), this);
    auto* title = new LabelButton(QStringLiteral("Label19"), QStringLiteral("ORVELAN"), m_cover);
    auto* subtitle =
        new LabelButton(QStringLiteral("Label20"), QStringLiteral("Secure Address Book"), m_cover);
    auto* start = new LabelButton(QStringLiteral("StartLa"), QStringLiteral(">>"), m_cover);
    title->setFont(booklook::font(booklook::TitlePixels, true));
    int y = 70;
    for (LabelButton* label : {title, subtitle, start}) {
        label->setAlignment(Qt::AlignCenter);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, QColor(224, 196, 120));
        label->setPalette(pal);
        label->setGeometry(20, y, PageWidth - 40, label == title ? 50 : 26);
        y += label == title ? 56 : 34;
        connect(label, &LabelButton::clicked, this, [this] { m_navigator.openAtFirstTab(); });
    }
    start->move(start->x(), PageHeight - 90);
}

void OrVel::buildTabs() {
    for (int k = FirstLetterTab; k <= LastTab; ++k) {
        const int y = TabTop + (k - 1) * TabRow;
        auto* left = new LabelButton(TabStrip::leftName(k), TabStrip::caption(k), this);
        auto* right = new LabelButton(TabStrip::rightName(k), TabStrip::caption(k), this);
        left->setGeometry(PagesLeft - TabWidth - 10, y, TabWidth, TabRow - 2);
        right->setGeometry(PagesLeft + 2 * PageWidth + 24, y, TabWidth, TabRow - 2);
        for (LabelButton* label : {left, right}) {
            label->setAlignment(Qt::AlignCenter);
            label->setProperty("tab", k);
            label->setFont(booklook::font(booklook::SmallPixels, true));
            label->setAccessibleName(QStringLiteral("Tab ") + TabStrip::caption(k).trimmed());
            QPalette pal = label->palette();
            pal.setColor(QPalette::WindowText, QColor(70, 50, 30));
            label->setPalette(pal);
        }
        m_leftTabs[k] = left;
        m_rightTabs[k] = right;
        connect(left, &LabelButton::clicked, this, [this, k] { m_navigator.clickLeftLabel(k); });
        connect(right, &LabelButton::clicked, this, [this, k] { m_navigator.clickRightLabel(k); });
    }
}

// Above the book: the maker's name and the version text (each opens a page of the maker's web
// site), the help mark and the minimise picture.
void OrVel::buildCorner() {
    const QFont small = booklook::font(booklook::SmallPixels);
    const auto addLabel = [&](const char* name, const QString& caption, int x, int width) {
        auto* label = new LabelButton(QLatin1StringView(name), caption, this);
        label->setFont(small);
        label->setGeometry(x, 10, width, 18);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(236, 222, 190));
        label->setPalette(palette);
        return label;
    };
    auto* home = addLabel("OShomeLa", QStringLiteral("Ostrowvale Solutions"), PagesLeft, 150);
    auto* version = addLabel("AverLa", m_session.versionText(), PagesLeft + 160, 140);
    auto* help = addLabel("IFCHelpLa", QStringLiteral(" ?"), WindowWidth - 96, 22);
    help->setToolTip(QStringLiteral("For HELP:  Press F1 at any time, or click here  "));
    auto* helpCover = new LabelButton(QStringLiteral("IFCHelpCoverLa"), QString(), this);
    helpCover->setGeometry(help->geometry());
    helpCover->setToolTip(help->toolTip());
    helpCover->setAccessibleName(QStringLiteral("Help"));
    help->setFocusPolicy(Qt::NoFocus); // the cover over it takes the clicks and the keys
    auto* minimise = addLabel("AminoImage", QStringLiteral("\u2013"), WindowWidth - 64, 22);
    minimise->setToolTip(QStringLiteral("Minimise"));
    minimise->setAccessibleName(QStringLiteral("Minimise"));
    connect(home, &LabelButton::clicked, this, &OrVel::makerHomeRequested);
    connect(version, &LabelButton::clicked, this, &OrVel::versionPageRequested);
    connect(helpCover, &LabelButton::clicked, this, &OrVel::helpIndexRequested);
    connect(minimise, &LabelButton::clicked, this, &OrVel::minimiseRequested);
}

void OrVel::buildCommands() {
    struct Command {
        LabelButton** slot;
        const char* name;
        const char* caption;
    };
    const Command commands[] = {
        {&m_add, "AddLa", "Add"},       {&m_edit, "EditLa", "Stats"},
        {&m_undo, "UndoLa", "Undo"},    {&m_del, "DelLa", "Delete"},
        {&m_pass, "PassLa", "Options"}, {&m_find, "FindLa", "Find"},
        {&m_print, "PrintLa", "Print"}, {&m_dial, "DialLa", "Dial"},
        {&m_close, "CloseLa", "Close"},
    };
    int x = PagesLeft;
    const QFont bold = booklook::font(booklook::TextPixels, true);
    for (const Command& c : commands) {
        *c.slot = new LabelButton(QLatin1StringView(c.name), QLatin1StringView(c.caption), this);
        (*c.slot)->setFont(bold);
        (*c.slot)->setGeometry(x, BarTop + 4, 66, 22);
        (*c.slot)->setAlignment(Qt::AlignCenter);
        x += 70;
    }
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLa"));
    m_status->setGeometry(PagesLeft + 8, StatusTop, WindowWidth - 2 * PagesLeft - 70, 20);
    m_status->setFont(bold);
    auto* image = new PictureButton(QStringLiteral("Image1"), PictureButton::Symbol::Book, this);
    image->move(WindowWidth - 52, BarTop + (BarHeight - image->height()) / 2 + 2);
    image->setAccessibleName(QStringLiteral("Close the book"));

    connect(m_add, &LabelButton::clicked, this, [this] {
        if (m_book.view().addMode())
            m_editor.fileNewPage();
        else
            m_editor.startNewPage();
    });
    connect(m_edit, &LabelButton::clicked, this, [this] { m_navigator.clickEdit(); });
    connect(m_undo, &LabelButton::clicked, this, [this] { m_editor.undo(); });
    connect(m_del, &LabelButton::clicked, this, [this] { m_editor.deletePage(); });
    connect(m_pass, &LabelButton::clicked, this, [this] {
        if (m_book.view().addMode())
            m_editor.cancelNewPage();
        else if (m_book.view().optionsVisible)
            closeOptionsPanel();
        else
            m_keys.openOptions();
    });
    connect(m_find, &LabelButton::clicked, this, [this] { m_keys.openFind(); });
    connect(m_print, &LabelButton::clicked, this, [this] { Q_EMIT m_book.printRequested(); });
    connect(m_dial, &LabelButton::clicked, this, [this] { Q_EMIT m_book.dialRequested(); });
    connect(m_close, &LabelButton::clicked, this,
            [this] { m_navigator.close(PageNavigator::CloseKind::CloseLabel); });
    connect(image, &PictureButton::clicked, this,
            [this] { m_navigator.close(PageNavigator::CloseKind::CoverImage); });
}

void OrVel::connectLogic() {
    connect(&m_book, &BookContext::changed, this, &OrVel::refreshView);
    connect(&m_book, &BookContext::focusRequested, this, &OrVel::focus);
    connect(&m_book, &BookContext::closeRequested, this, [this] {
        m_closeAccepted = true;
        Q_EMIT closeRequested();
    });
    connect(&m_book, &BookContext::findRequested, this, &OrVel::findRequested);
    connect(&m_book, &BookContext::printRequested, this, &OrVel::printRequested);
    connect(&m_book, &BookContext::dialRequested, this, &OrVel::dialRequested);
    connect(&m_book, &BookContext::hangUpRequested, this, &OrVel::hangUpRequested);
    connect(&m_book, &BookContext::optionsRequested, this, &OrVel::optionsRequested);
    connect(&m_book, &BookContext::optionsCloseRequested, this, &OrVel::closeOptionsPanel);
    connect(&m_book, &BookContext::helpRequested, this, &OrVel::helpRequested);
}

void OrVel::showFirstPage() {
    m_navigator.showFirstPage();
    focus(BookContext::Focus::PagePanel);
}

void OrVel::showPage(int tab, qint64 page) {
    m_navigator.showPage(tab, page);
}

const PageTexts& OrVel::pageTexts() const {
    return m_book.view().texts;
}

QLabel* OrVel::statusLabel() const {
    return m_status;
}

void OrVel::setStatusText(const QString& text) {
    m_book.view().statusText = text;
    refreshView();
}

void OrVel::setOptionsPanel(QWidget* panel) {
    if (QLayoutItem* old = m_optionsArea->layout()->takeAt(0)) {
        if (old->widget())
            old->widget()->setParent(nullptr);
        delete old;
    }
    if (panel) {
        m_optionsArea->layout()->addWidget(panel);
        panel->installEventFilter(this);
        for (QWidget* child : panel->findChildren<QWidget*>())
            child->installEventFilter(this);
    }
}

void OrVel::closeOptionsPanel() {
    Q_EMIT optionsClosing();
    m_book.view().optionsVisible = false;
    m_book.view().pass = {QStringLiteral("Options"), LabelColour::Grey};
    refreshView();
}

void OrVel::setFindActive(bool active) {
    m_book.view().find.colour = active ? LabelColour::Blue : LabelColour::Grey;
    refreshView();
}

void OrVel::setEnder(std::function<void()> ender) {
    m_book.setEnder(std::move(ender));
}

void OrVel::setDialFieldHandler(std::function<void(int)> handler) {
    m_dialFieldHandler = std::move(handler);
}

void OrVel::mousePressEvent(QMouseEvent* event) {
    // The window has no title bar: dragging its background moves it (BackgroundMove).
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void OrVel::checkActivation() {
    if (!m_session.showFirstPageOnActivate)
        return;
    m_session.showFirstPageOnActivate = false;
    showFirstPage();
    m_book.view().find.colour = LabelColour::Grey;
    if (!m_book.view().addMode())
        m_book.view().pass = {QStringLiteral("Options"), LabelColour::Grey};
    refreshView();
}

void OrVel::renderLabel(LabelButton* label, const LabelState& state) {
    if (label->caption() != state.caption)
        label->setCaption(state.caption);
    if (label->colour() != state.colour)
        label->setColour(state.colour);
}

void OrVel::layoutPages() {
    const TabStrip& strip = m_book.strip();
    const int left = PagesLeft + pixels(strip.leftPanelLeft() - TabStrip::LeftPanelBase);
    const int right =
        PagesLeft + PageWidth + pixels(strip.rightPanelLeft() - TabStrip::RightPanelBase);
    m_leftPage->move(left, PageTop);
    m_rightPage->move(right, PageTop);
    m_cover->setGeometry(m_rightPage->geometry());
    // The options panel lies over both pages: its telephony area needs the room.
    m_optionsArea->setGeometry(m_leftPage->geometry().united(m_rightPage->geometry()));
}

void OrVel::refreshView() {
    const BookViewState& view = m_book.view();
    const TabStrip& strip = m_book.strip();
    m_syncing = true;
    for (int i = 0; i < ViewFieldCount; ++i) {
        if (auto* line = qobject_cast<QLineEdit*>(m_boxes[i])) {
            if (line->text() != view.texts[i]) {
                const int cursor = line->cursorPosition();
                line->setText(view.texts[i]);
                line->setCursorPosition(qMin(cursor, int(view.texts[i].size())));
            }
        } else if (auto* notes = qobject_cast<QPlainTextEdit*>(m_boxes[i])) {
            if (notes->toPlainText() != view.texts[i]) {
                const int cursor = notes->textCursor().position();
                notes->setPlainText(view.texts[i]);
                QTextCursor moved = notes->textCursor();
                moved.setPosition(qMin(cursor, int(view.texts[i].size())));
                notes->setTextCursor(moved);
            }
        }
    }
    m_syncing = false;
    // A damaged page is marked, and takes no typing that a save would write over it.
    const bool damaged = !view.damagedMark.isEmpty();
    for (QWidget* box : m_boxes) {
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->setReadOnly(damaged);
        else if (auto* notes = qobject_cast<QPlainTextEdit*>(box))
            notes->setReadOnly(damaged);
    }
    if (auto* name = qobject_cast<QLineEdit*>(m_boxes[0]))
        name->setPlaceholderText(view.damagedMark);
    for (int k = FirstLetterTab; k <= LastTab; ++k) {
        m_leftTabs[k]->setVisible(strip.leftVisible(k));
        m_rightTabs[k]->setVisible(strip.rightVisible(k));
    }
    layoutPages();
    m_cover->setVisible(strip.closed());
    if (strip.closed())
        m_cover->raise();
    m_optionsArea->setVisible(view.optionsVisible);
    if (view.optionsVisible)
        m_optionsArea->raise();
    // Nothing under the options panel takes the keyboard while it lies over the page.
    for (QWidget* page : {static_cast<QWidget*>(m_leftPage), static_cast<QWidget*>(m_rightPage)})
        page->setEnabled(!view.optionsVisible);
    renderLabel(m_add, view.add);
    renderLabel(m_edit, view.edit);
    renderLabel(m_undo, view.undo);
    renderLabel(m_del, view.del);
    renderLabel(m_pass, view.pass);
    renderLabel(m_find, view.find);
    renderLabel(m_dial, view.dial);
    m_newName->setVisible(view.newNameVisible);
    m_boxes[NotesViewIndex]->setVisible(view.notesVisible);
    const QString stats[] = {view.statTab, view.statRecords, view.statModified, view.statTime};
    for (int i = 0; i < 4; ++i) {
        m_stats[i]->setText(stats[i]);
        m_stats[i]->setVisible(!view.notesVisible);
    }
    for (int n = 0; n < 5; ++n)
        m_dialMarks[n]->setVisible(view.dialMarks[n]);
    m_callPicture->setVisible(view.callPictureVisible);
    m_hangUp->setVisible(view.hangUpVisible);
    m_recn->setText(view.recordCaption);
    m_status->setText(view.statusText.isEmpty() ? view.damagedMark : view.statusText);
    // The desk and the thumb tabs behind the labels change only with the strip.
    const auto stripNow = std::tuple(strip.leftPanelLeft(), strip.coverTop(), tabsShown());
    if (stripNow != m_paintedStrip) {
        m_paintedStrip = stripNow;
        update();
    }
}

quint32 OrVel::tabsShown() const {
    quint32 bits = 0;
    for (int k = FirstLetterTab; k <= LastTab; ++k)
        bits |= m_book.strip().rightVisible(k) ? (1u << k) : 0u;
    return bits;
}

void OrVel::focus(BookContext::Focus target) {
    if (target == BookContext::Focus::NameBox)
        m_boxes[0]->setFocus();
    else
        m_leftPage->setFocus();
}

bool OrVel::textBoxKey(QWidget* box, int key) {
    const int index = int(std::find(m_boxes.begin(), m_boxes.end(), box) - m_boxes.begin());
    if (index >= ViewFieldCount || index == NotesViewIndex)
        return false;
    // From box to box: the labels between them, reached with Tab, are passed over.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        m_boxes[index + 1]->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Up) {
        if (index > 0)
            m_boxes[index - 1]->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

KeyFocus OrVel::keyFocus(QObject* watched) const {
    if (auto* line = qobject_cast<QLineEdit*>(watched))
        return {true, line->hasSelectedText()};
    if (auto* text = qobject_cast<QPlainTextEdit*>(watched))
        return {true, text->textCursor().hasSelection()};
    return {};
}

bool OrVel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QChar text = key->text().isEmpty() ? QChar() : key->text().front();
        if (m_keys.keyPress(key->key(), key->modifiers(), text, keyFocus(watched)))
            return true;
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (textBoxKey(qobject_cast<QWidget*>(watched), key->key()))
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OrVel::paintEvent(QPaintEvent*) {
    QList<QWidget*> tabs;
    for (int k = FirstLetterTab; k <= LastTab; ++k) {
        if (m_leftTabs[k]->isVisible())
            tabs.append(m_leftTabs[k]);
        if (m_rightTabs[k]->isVisible())
            tabs.append(m_rightTabs[k]);
    }
    const QRect pages = m_leftPage->geometry().united(m_rightPage->geometry());
    paintBookBackground(*this, pages, tabs);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 130, 96), 1));
    p.setBrush(QColor(250, 244, 226));
    p.drawRoundedRect(
        QRectF(PagesLeft - 8, BarTop + 2, WindowWidth - 2 * PagesLeft + 16, BarHeight), 6, 6);
}

void OrVel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            checkActivation();
        else
            m_keys.disarm();
    }
    QWidget::changeEvent(event);
}

void OrVel::showEvent(QShowEvent* event) {
    m_closeAccepted = false;
    QWidget::showEvent(event);
}

void OrVel::closeEvent(QCloseEvent* event) {
    // Closing the window is closing the book: the save prompt decides.
    if (!m_book.ended() && !m_closeAccepted)
        m_navigator.close(PageNavigator::CloseKind::CloseLabel);
    if (m_book.ended() || m_closeAccepted)
        event->accept();
    else
        event->ignore();
}

} // namespace orvelan
