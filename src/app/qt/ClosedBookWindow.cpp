#include "app/qt/ClosedBookWindow.h"

#include "platform/Twips.h"
#include "ui/BackgroundMove.h"
#include "ui/BookLook.h"
#include "ui/LabelButton.h"
#include "ui/Pictures.h"
#include "ui/ScreenOf.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QWindow>

namespace orvelan {

namespace {
constexpr QSize WindowSize(190, 250);
constexpr QSize BookSize(170, 205);
} // namespace

ClosedBookWindow::ClosedBookWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Cuva"));
    new BackgroundMove(this);
    setFixedSize(WindowSize);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    // The book's ink on its own background, whatever the desktop's theme.
    QPalette background = booklook::paperPalette();
    background.setColor(QPalette::Window, QColor(214, 206, 188));
    setPalette(background);

    m_captionLabel = new QLabel(this);
    m_captionLabel->setObjectName(QStringLiteral("CaptionLa"));
    m_captionLabel->setGeometry(8, 4, 130, 18);
    m_captionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_captionLabel->setFont(booklook::font(10, true));

    m_miniPicture = new QLabel(this);
    m_miniPicture->setObjectName(QStringLiteral("MiniB"));
    m_miniPicture->setGeometry(142, 4, 18, 18);
    m_closePicture = new QLabel(this);
    m_closePicture->setObjectName(QStringLiteral("CloseB"));
    m_closePicture->setGeometry(164, 4, 18, 18);
    m_miniLabel = new LabelButton(QStringLiteral("MiniLBL"), QString(), this);
    m_miniLabel->setGeometry(m_miniPicture->geometry());
    m_miniLabel->setToolTip(QStringLiteral("Minimise"));
    m_closeLabel = new LabelButton(QStringLiteral("CloseLBL"), QString(), this);
    m_closeLabel->setGeometry(m_closePicture->geometry());
    m_closeLabel->setToolTip(QStringLiteral("Finish"));

    // A picture that is a button: Tab reaches it, Space or Enter opens the book, and screen
    // readers can press it.
    m_book = new LabelButton(QStringLiteral("Image1"), QString(), this);
    m_book->setGeometry(10, 24, BookSize.width(), BookSize.height());
    m_book->setPixmap(pictures::closedBook(BookSize, false, devicePixelRatioF()));
    m_book->setCursor(Qt::PointingHandCursor);
    m_book->setToolTip(QStringLiteral("Open the book"));

    m_finishLabel = new LabelButton(QStringLiteral("Label1"), QStringLiteral("Finish"), this);
    m_finishLabel->setGeometry(10, 230, 170, 16);
    m_finishLabel->setAlignment(Qt::AlignCenter);

    for (QWidget* watched : {static_cast<QWidget*>(m_miniLabel),
                             static_cast<QWidget*>(m_closeLabel), static_cast<QWidget*>(m_book)})
        watched->installEventFilter(this);

    connect(m_miniLabel, &LabelButton::clicked, this, [this] {
        showButtonPictures(false, false);
        Q_EMIT minimiseRequested();
    });
    connect(m_closeLabel, &LabelButton::clicked, this, [this] {
        showButtonPictures(false, false);
        Q_EMIT finishRequested();
    });
    connect(m_finishLabel, &LabelButton::clicked, this, &ClosedBookWindow::finishRequested);
    connect(m_book, &LabelButton::clicked, this, &ClosedBookWindow::openRequested);
    showButtonPictures(false, false);
    setCaption(QStringLiteral("ORVELAN [UN-LOCKED]"));
}

void ClosedBookWindow::placeAt(int leftTwips, int topTwips) {
    const auto [x, y] = m_place.place(leftTwips, topTwips);
    // Beside the open book, or where a larger screen left it: always wholly in reach.
    move(keptInside({x, y}, size(), screenAreaAt({x, y}, size())));
}

int ClosedBookWindow::leftTwips() const {
    return m_place.left(x());
}

int ClosedBookWindow::topTwips() const {
    return m_place.top(y());
}

void ClosedBookWindow::showWindow() {
    showNormal();
    raise();
    activateWindow();
    setFocus();
}

void ClosedBookWindow::unload() {
    hide();
}

void ClosedBookWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
    m_captionLabel->setText(caption);
    m_book->setPixmap(pictures::closedBook(BookSize, caption == QStringLiteral("ORVELAN [LOCKED]"),
                                           devicePixelRatioF()));
}

void ClosedBookWindow::minimise() {
    showMinimized();
}

void ClosedBookWindow::showButtonPictures(bool miniOver, bool closeOver) {
    m_miniOver = miniOver;
    m_closeOver = closeOver;
    using pictures::ButtonLook;
    m_miniPicture->setPixmap(pictures::minimiseButton(
        miniOver ? ButtonLook::Over : ButtonLook::Normal, devicePixelRatioF()));
    m_closePicture->setPixmap(pictures::closeButton(
        closeOver ? ButtonLook::Over : ButtonLook::Normal, devicePixelRatioF()));
}

bool ClosedBookWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (watched == m_miniLabel)
            showButtonPictures(true, false);
        else if (watched == m_closeLabel)
            showButtonPictures(false, true);
        else if (watched == m_book)
            showButtonPictures(false, false);
    }
    // The book picture opens the book on release; its press does not move the window.
    if (watched == m_book && event->type() == QEvent::MouseButtonPress)
        return true;
    if (watched == m_book && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            m_book->rect().contains(mouse->position().toPoint()))
            Q_EMIT openRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ClosedBookWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_F4:
    case Qt::Key_F7:
        Q_EMIT openRequested();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_F3:
    case Qt::Key_F8:
        Q_EMIT finishRequested();
        return;
    case Qt::Key_F1:
        Q_EMIT helpRequested();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ClosedBookWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) { // a move by the background (BackgroundMove)
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ClosedBookWindow::closeEvent(QCloseEvent* event) {
    // Closed by the desktop (a key of the window manager): finish as the close picture does.
    event->ignore();
    Q_EMIT finishRequested();
}

void ClosedBookWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT activated();
    QWidget::changeEvent(event);
}

} // namespace orvelan
