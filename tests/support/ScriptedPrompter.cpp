#include "support/ScriptedPrompter.h"

namespace orvelan::test {

namespace {
PromptAnswer firstButton(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Yes;
    case PromptButtons::RetryCancel:
        return PromptAnswer::Retry;
    case PromptButtons::AbortRetryIgnore:
        return PromptAnswer::Abort;
    default:
        return PromptAnswer::Ok;
    }
}
} // namespace

PromptAnswer ScriptedPrompter::ask(const PromptRequest& request) {
    m_shown.append(request);
    if (m_script.isEmpty())
        return firstButton(request.buttons);
    return m_script.takeFirst();
}

} // namespace orvelan::test
