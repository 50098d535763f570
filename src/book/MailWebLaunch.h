#pragma once

#include "platform/DesktopLauncher.h"
#include "platform/Prompt.h"

#include <QUrl>

#include <optional>

namespace orvelan {

// What a click on a mail or web button does with a field's text: the address to hand to the
// desktop, or the message that refuses it.
struct LaunchDecision {
    QUrl url;                             // valid when the launch may go ahead
    std::optional<PromptRequest> refusal; // the message otherwise
};

// An e-mail field: one "@", no spaces; becomes a mailto: URL whose address is percent-encoded,
// so the text cannot add headers or attachments to the message.
LaunchDecision mailLaunch(QStringView fieldText);
// A web field: no spaces, a final dot and two or three characters. A bare address becomes an
// http:// URL; only http and https are handed on.
LaunchDecision webLaunch(QStringView fieldText);

// Shows the refusal or opens the address.
void launch(const LaunchDecision& decision, Prompter& prompter, DesktopLauncher& launcher);

} // namespace orvelan
