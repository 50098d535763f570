#include "book/MailWebLaunch.h"

#include "store/TabTable.h"

#include <QRegularExpression>

namespace orvelan {

namespace {

LaunchDecision refused(const QString& text) {
    LaunchDecision decision;
    decision.refusal = PromptRequest{QStringLiteral("ORVELAN Secure Address Book"), text,
                                     PromptIcon::Exclamation, PromptButtons::Ok};
    return decision;
}

LaunchDecision invalidWebAddress() {
    return refused(QStringLiteral(
        " This Network Address is Invalid:  Can't launch Browser from this field     "));
}

// The scheme the address names, or empty for a bare address ("example.com",
// "localhost:8080/a.htm").
QString schemeOf(const QString& address) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):(.?)"));
    const QRegularExpressionMatch match = scheme.match(address);
    if (!match.hasMatch())
        return {};
    const QString next = match.captured(2);
    if (!next.isEmpty() && next.front().isDigit())
        return {}; // host:port
    return match.captured(1).toLower();
}

} // namespace

LaunchDecision mailLaunch(QStringView fieldText) {
    const QString address = trimSpaces(fieldText).toString();
    if (address.isEmpty())
        return refused(
            QStringLiteral(" Nothing to Send: Can't launch E-Mail Client from Empty Field     "));
    const qsizetype at = address.indexOf(u'@');
    if (address.contains(u' ') || at < 0 || address.indexOf(u'@', at + 1) >= 0)
        return refused(QStringLiteral(" This E-Mail Address is Invalid:  Can't launch E-Mail "
                                      "Client from this field     "));
    LaunchDecision decision;
    decision.url =
        QUrl::fromEncoded("mailto:" + QUrl::toPercentEncoding(address, "@"), QUrl::StrictMode);
    if (!decision.url.isValid())
        return refused(QStringLiteral(" This E-Mail Address is Invalid:  Can't launch E-Mail "
                                      "Client from this field     "));
    return decision;
}

LaunchDecision webLaunch(QStringView fieldText) {
    const QString address = trimSpaces(fieldText).toString();
    if (address.isEmpty())
        return refused(
            QStringLiteral(" Nothing to Send: Can't launch Browser from Empty Field     "));
    if (address.contains(u' '))
        return invalidWebAddress();
    const qsizetype n = address.size();
    if (n < 4 || (address[n - 3] != u'.' && address[n - 4] != u'.'))
        return refused(QStringLiteral(" This Network Address is Invalid:  Can't launch Browser [ "
                                      "Unrecognised Domain ]     "));
    const QString scheme = schemeOf(address);
    QUrl url;
    if (scheme.isEmpty())
        url = QUrl(QStringLiteral("http://") + address, QUrl::StrictMode);
    else if (scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https"))
        url = QUrl(address, QUrl::StrictMode);
    else
        return invalidWebAddress();
    if (!url.isValid() || url.host().isEmpty())
        return invalidWebAddress();
    LaunchDecision decision;
    decision.url = url;
    return decision;
}

void launch(const LaunchDecision& decision, Prompter& prompter, DesktopLauncher& launcher) {
    if (decision.refusal) {
        prompter.ask(*decision.refusal);
        return;
    }
    launcher.openUrl(decision.url);
}

} // namespace orvelan
