#pragma once

#include "platform/Prompt.h"

class QWidget;

namespace orvelan {

// Message boxes on screen, with the request's exact title, text, icon and buttons.
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    PromptAnswer ask(const PromptRequest& request) override;

private:
    QWidget* m_parent;
};

} // namespace orvelan
