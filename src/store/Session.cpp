#include "store/Session.h"

#include "store/RuntimeError.h"

namespace orvelan {

CommandLine CommandLine::parse(const QString& wholeCommandLine) {
    CommandLine result;
    result.tapiEnabled = !wholeCommandLine.contains(QStringLiteral("-TAPI"), Qt::CaseInsensitive);
    result.dataResetRequested =
        wholeCommandLine.contains(QStringLiteral("/DRST"), Qt::CaseInsensitive);
    return result;
}

Session::Session(BookFolder folder, Services services, CommandLine commandLine)
    : m_folder(std::move(folder)), m_services(services), m_commandLine(commandLine),
      m_store(m_folder, services.clock) {}

void Session::loadSettings() {
    m_settings = SettingsFile(m_folder.settingsPath()).read();
}

int Session::writeSettings() {
    if (!m_folder.sealing().encrypted())
        return SettingsFile(m_folder.settingsPath()).write(m_settings);
    // An encrypted book keeps its password in book.key only: the field holds spaces.
    Settings settings = m_settings;
    settings.setRaw(Settings::MasterPassword, QByteArray());
    return SettingsFile(m_folder.settingsPath()).write(settings);
}

bool Session::saveSettings(const QString& title) {
    const int error = writeSettings();
    if (error == 0)
        return true;
    m_services.prompter.ask({title,
                             QStringLiteral(" The settings could not be saved to ") +
                                 m_folder.settingsPath() + QStringLiteral(": ") +
                                 describeRuntimeError(error) + QStringLiteral("   "),
                             PromptIcon::Exclamation, PromptButtons::Ok});
    return false;
}

QString Session::versionText() const {
    return QStringLiteral("Build: %1. 0%2. %3")
        .arg(ORVELAN_VERSION_MAJOR)
        .arg(ORVELAN_VERSION_MINOR)
        .arg(ORVELAN_VERSION_PATCH);
}

} // namespace orvelan
