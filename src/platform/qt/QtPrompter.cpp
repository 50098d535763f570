#include "platform/qt/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace orvelan {

namespace {

QMessageBox::Icon iconOf(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case PromptButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The first button of the set is the default, as Enter expects (OK, Yes, Retry, Abort),
// whatever order the desktop's theme lays the buttons out in.
QMessageBox::StandardButton defaultOf(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes;
    case PromptButtons::RetryCancel:
        return QMessageBox::Retry;
    case PromptButtons::AbortRetryIgnore:
        return QMessageBox::Abort;
    case PromptButtons::OkCancel:
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

PromptAnswer answerOf(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    case QMessageBox::Abort:
        return PromptAnswer::Abort;
    case QMessageBox::Ignore:
        return PromptAnswer::Ignore;
    default:
        return PromptAnswer::Ok;
    }
}

} // namespace

PromptAnswer QtPrompter::ask(const PromptRequest& request) {
    QWidget* parent = m_parent ? m_parent : QApplication::activeWindow();
    QMessageBox box(iconOf(request.icon), request.title, request.text, buttonsOf(request.buttons),
                    parent);
    // Closing the box with Escape or its close button answers Cancel where there is one.
    if (box.button(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    box.setDefaultButton(defaultOf(request.buttons));
    return answerOf(box.exec());
}

} // namespace orvelan
