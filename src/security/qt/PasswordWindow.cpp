#include "security/qt/PasswordWindow.h"

#include "platform/Twips.h"
#include "security/BookKeyring.h"
#include "ui/BackgroundMove.h"
#include "ui/BookLook.h"
#include "ui/LabelButton.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QWindow>

namespace orvelan {

namespace {
constexpr QSize CommandSize(78, 19);
// A command acts on a release from 75 twips above its top to 285 twips below its top.
constexpr int ReleaseAbove = 75 / TwipsPerPixel;
constexpr int ReleaseBelow = 285 / TwipsPerPixel;
} // namespace

PasswordWindow::PasswordWindow(Session& session, HelpPages help, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_session(session),
      m_help(std::move(help)), m_dialogue(session, *this) {
    setObjectName(QStringLiteral("frmMPass"));
    new BackgroundMove(this);
    setWindowTitle(QStringLiteral("ORVELAN Password"));
    setModal(true);
    setFixedSize(300, 130);
    setAutoFillBackground(true);
    // The book's ink on the window's own background, whatever the desktop's theme.
    QPalette background = booklook::paperPalette();
    background.setColor(QPalette::Window, QColor(226, 222, 210));
    setPalette(background);

    auto* title = new QLabel(QStringLiteral("ORVELAN Password"), this);
    title->setObjectName(QStringLiteral("TitleLa"));
    title->setGeometry(12, 6, 276, 16);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    m_instruction = new QLabel(QStringLiteral("Enter Password"), this);
    m_instruction->setObjectName(QStringLiteral("MPassInstructLa"));
    m_instruction->setGeometry(12, 28, 276, 18);
    m_instruction->setFont(bold);

    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("MPassWordTb"));
    m_entry->setGeometry(12, 52, 276, 24);
    m_entry->setEchoMode(QLineEdit::Password);
    m_entry->setAccessibleName(QStringLiteral("Master password"));
    m_instruction->setBuddy(m_entry);
    // A style sheet takes its colours from the desktop's palette, not the window's: it names the
    // book's paper and ink itself, or a dark theme draws a black box in the beige window.
    const QPalette paper = booklook::paperPalette();
    m_entry->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: 42; background: %1; color: %2; "
                       "selection-background-color: %3; selection-color: %2; }")
            .arg(paper.color(QPalette::Base).name(), paper.color(QPalette::Text).name(),
                 paper.color(QPalette::Highlight).name()));
    m_entry->setMaxLength(PasswordDialogue::MaxLength);
    m_entry->setContextMenuPolicy(Qt::NoContextMenu);
    m_entry->setAcceptDrops(false);
    m_entry->installEventFilter(this);
    // Keys are filtered as they are typed; whatever else changes the text (a paste, a
    // middle-click, an input method) is checked as a whole.
    connect(m_entry, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_dialogue.takeText(text); });

    const QString captions[3] = {QStringLiteral("Change"), QStringLiteral("Cancel"),
                                 QStringLiteral("Ok")};
    for (int i = 0; i < 3; ++i) {
        const QRect place(12 + i * 99, 92, CommandSize.width(), CommandSize.height());
        m_pictures[i] = new QLabel(this);
        m_pictures[i]->setObjectName(QStringLiteral("Image2_%1").arg(i));
        m_pictures[i]->setGeometry(place);
        m_pictures[i]->installEventFilter(this);
        m_commands[i] = new LabelButton(QStringLiteral("MPWLa%1").arg(i), captions[i], this);
        m_commands[i]->setGeometry(place);
        m_commands[i]->setAlignment(Qt::AlignCenter);
        m_commands[i]->setColour(LabelColour::Blue);
        m_commands[i]->installEventFilter(this);
    }
    showPictures(-1, ButtonState::Normal);

    // An encrypted book's key may be kept in the desktop keyring, so it opens without asking.
    m_remember = new QCheckBox(QStringLiteral("Remember on this computer"), this);
    m_remember->setObjectName(QStringLiteral("RememberCk"));
    m_remember->setGeometry(12, 118, 276, 20);
    m_remember->setVisible(session.folder().sealing().encrypted());
    if (session.folder().sealing().encrypted())
        setFixedSize(300, 146);
    // A forgotten password: the recovery key opens the book, and a new password is set.
    m_recovery = new QCheckBox(QStringLiteral("Use the recovery key"), this);
    m_recovery->setObjectName(QStringLiteral("RecoveryCk"));
    m_recovery->setGeometry(12, 138, 276, 20);
    m_recovery->setVisible(false);
    connect(m_recovery, &QCheckBox::toggled, this, [this](bool use) {
        // 64 hexadecimal digits, in groups of four when copied as shown.
        m_entry->setMaxLength(use ? 96 : PasswordDialogue::MaxLength);
        m_dialogue.useRecoveryKey(use);
    });
}

void PasswordWindow::setRecoveryKeyOffered(bool offered) {
    if (!offered && m_recovery->isChecked()) {
        const QSignalBlocker quiet(m_recovery);
        m_recovery->setChecked(false);
        m_entry->setMaxLength(PasswordDialogue::MaxLength);
    }
    if (offered == !m_recovery->isHidden())
        return;
    m_recovery->setVisible(offered);
    setFixedSize(300, offered ? 166 : (m_remember->isHidden() ? 130 : 146));
}

bool PasswordWindow::rememberChosen() const {
    // Asked after the window closed: whether the box was offered, not whether it shows now.
    return !m_remember->isHidden() && m_remember->isChecked();
}

void PasswordWindow::setInstruction(const QString& text) {
    m_instruction->setText(text);
}

void PasswordWindow::setInstructionColour(InstructionColour colour) {
    QColor rgb(0, 0, 192);
    if (colour == InstructionColour::Red)
        rgb = QColor(255, 0, 0);
    else if (colour == InstructionColour::Green)
        rgb = QColor(0, 128, 0);
    QPalette palette = m_instruction->palette();
    palette.setColor(QPalette::WindowText, rgb);
    m_instruction->setPalette(palette);
}

void PasswordWindow::setOkCaption(const QString& caption) {
    m_commands[2]->setCaption(caption);
}

void PasswordWindow::setChangeEnabled(bool enabled) {
    m_commands[0]->setEnabled(enabled);
    m_commands[0]->setColour(enabled ? LabelColour::Blue : LabelColour::Grey);
}

void PasswordWindow::clearEntry() {
    m_entry->clear();
    m_entry->setFocus();
}

void PasswordWindow::hideWindow() {
    hide();
}

void PasswordWindow::unloadWindow() {
    m_unloading = true;
    done(QDialog::Accepted);
}

void PasswordWindow::reject() {
    if (m_unloading)
        QDialog::reject();
}

void PasswordWindow::closeEvent(QCloseEvent* event) {
    if (!m_unloading)
        event->ignore();
}

void PasswordWindow::showPictures(int index, ButtonState state) {
    for (int i = 0; i < 3; ++i) {
        const ButtonState look = i == index ? state : ButtonState::Normal;
        m_states[i] = look;
        m_pictures[i]->setPixmap(passwordButtonPicture(look, CommandSize, devicePixelRatioF()));
    }
}

void PasswordWindow::act(int index) {
    switch (index) {
    case 0:
        m_dialogue.change();
        break;
    case 1:
        m_dialogue.cancel();
        break;
    default:
        m_dialogue.ok(m_entry->text());
        break;
    }
}

bool PasswordWindow::filterEntryKey(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        m_help.open(HelpPages::Password, m_session.services().launcher,
                    m_session.services().prompter);
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_dialogue.ok(m_entry->text());
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        m_dialogue.type(27);
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        m_dialogue.type(22); // as Ctrl+V: a control character
        return true;
    }
    if (event->key() == Qt::Key_Backspace)
        return false;
    const QString text = event->text();
    for (const char32_t ch : text.toUcs4()) {
        if (ch == 127)
            continue;
        if (m_dialogue.type(ch) != PasswordDialogue::Typed::Accepted)
            return true;
    }
    return false;
}

bool PasswordWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_entry) {
        if (event->type() == QEvent::KeyPress)
            return filterEntryKey(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::Enter)
            showPictures(-1, ButtonState::Normal);
        return QDialog::eventFilter(watched, event);
    }
    for (int i = 0; i < 3; ++i) {
        if (watched == m_pictures[i] && event->type() == QEvent::Enter) {
            showPictures(-1, ButtonState::Normal);
            return false;
        }
        if (watched != m_commands[i])
            continue;
        switch (event->type()) {
        case QEvent::Enter:
            showPictures(i, ButtonState::Over);
            break;
        case QEvent::MouseButtonPress:
            showPictures(i, ButtonState::Pressed);
            return true;
        case QEvent::MouseButtonRelease: {
            const int y = static_cast<QMouseEvent*>(event)->position().toPoint().y();
            showPictures(i, ButtonState::Over);
            if (y >= -ReleaseAbove && y <= ReleaseBelow)
                act(i);
            return true;
        }
        case QEvent::Leave:
            showPictures(-1, ButtonState::Normal);
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PasswordWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        m_help.open(HelpPages::Password, m_session.services().launcher,
                    m_session.services().prompter);
        return;
    }
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void PasswordWindow::mousePressEvent(QMouseEvent* event) {
    showPictures(-1, ButtonState::Normal);
    if (event->button() == Qt::LeftButton) { // a move by the background (BackgroundMove)
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void PasswordWindowPrompt::run(int mode) {
    const BookFolder& folder = m_session.folder();
    if (folder.sealing().state() == BookSealing::State::Locked) {
        if (unlockFromKeyring(folder, m_keyring)) {
            m_session.passwordAccepted = true;
            return;
        }
    }
    PasswordWindow window(m_session, m_help);
    window.dialogue().start(mode);
    window.exec();
    if (m_session.passwordAccepted && window.rememberChosen())
        rememberBookKey(folder, m_keyring);
}

} // namespace orvelan
