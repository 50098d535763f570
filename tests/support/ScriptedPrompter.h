#pragma once

#include "platform/Prompt.h"

#include <QList>

namespace orvelan::test {

// Answers message boxes from a script and remembers every box it was asked to show. With the
// script empty it answers the first button (OK or Yes).
class ScriptedPrompter final : public Prompter {
public:
    PromptAnswer ask(const PromptRequest& request) override;

    void answerNext(PromptAnswer answer) { m_script.append(answer); }
    const QList<PromptRequest>& shown() const { return m_shown; }
    const PromptRequest& last() const { return m_shown.last(); }
    void clear() {
        m_shown.clear();
        m_script.clear();
    }

private:
    QList<PromptAnswer> m_script;
    QList<PromptRequest> m_shown;
};

} // namespace orvelan::test
