#pragma once

#include <QString>

namespace orvelan {

enum class PromptIcon { None, Critical, Question, Exclamation, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// One message box: its exact title, text, icon and buttons.
struct PromptRequest {
    QString title;
    QString text;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;

    bool operator==(const PromptRequest&) const = default;
};

// Every message box goes through this: Qt message boxes in the program, a scripted fake in tests.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer ask(const PromptRequest& request) = 0;
};

} // namespace orvelan
