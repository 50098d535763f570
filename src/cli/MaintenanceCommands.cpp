// Whole-book commands: reset, compact, settings.
#include "cli/Commands.h"
#include "cli/ToolFaults.h"

#include "store/BookMaintenance.h"
#include "store/Settings.h"
#include "store/StoreMessages.h"
#include "store/TabTable.h"

namespace orvelan::cli {

namespace {

void throwIfFailed(const MaintenanceReport& report) {
    if (!report.ok())
        throw CliError{report.failures.join(u' ')};
}

} // namespace

int runReset(CliContext& context, const QStringList& args) {
    if (args != QStringList{QStringLiteral("--yes")})
        throw CliError{QStringLiteral("reset overwrites every page with one blank page per tab; "
                                      "run it as 'reset --yes'.")};
    const auto lock = lockBook(context.folder);
    throwIfFailed(resetData(context.folder));
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("result"), QStringLiteral("reset")}});
    else
        context.out << "1 new blank page for each tab.\n";
    return 0;
}

int runCompact(CliContext& context, const QStringList& args) {
    if (!args.isEmpty())
        throw CliError{QStringLiteral("compact takes no arguments.")};
    const auto lock = lockBook(context.folder);
    ProgressLine progress(context, QStringLiteral("Removing blank pages"));
    int tabsDone = 0;
    const MaintenanceReport report = removeBlankPages(context.folder, [&](const QString&, double) {
        progress.show(double(++tabsDone) / 28); // backup, 25 tabs, clean-up
    });
    throwIfFailed(report);
    if (context.json)
        printJson(context, QJsonObject{{QStringLiteral("removed"), report.pagesRemoved},
                                       {QStringLiteral("backup"), context.folder.reserveDir()}});
    else
        context.out << QStringLiteral("Removed %1 blank pages; the letter tabs as they were are in "
                                      "%2.\n")
                           .arg(report.pagesRemoved)
                           .arg(context.folder.reserveDir());
    return 0;
}

int runSettings(CliContext& context, const QStringList& arguments) {
    QStringList args = arguments;
    // The master password is shown only when asked for by name.
    const bool showPassword = args.removeAll(QStringLiteral("--show-password")) > 0;
    const SettingsFile file(context.folder.settingsPath());
    // A change reads the settings under the lock, so a change made meanwhile is not lost.
    const auto lock = args.isEmpty() ? nullptr : lockBook(context.folder);
    Settings settings = file.read();
    if (!args.isEmpty()) {
        for (const QString& argument : args) {
            const qsizetype equals = argument.indexOf(u'=');
            const int id =
                equals > 0 ? Settings::idByName(QStringView(argument).first(equals)) : -1;
            if (id < 0)
                throw CliError{QStringLiteral("'%1' is not NAME=VALUE with a settings name (run "
                                              "'settings' to see them).")
                                   .arg(argument)};
            if (id == Settings::MasterPassword && context.folder.sealing().encrypted()) {
                // An encrypted book keeps no password in ossabusr.dat: the book key is
                // rewrapped under the new one, after the present one is given.
                changeEncryptedPassword(context, argument.mid(equals + 1));
                continue;
            }
            const QByteArray value = argument.mid(equals + 1).toLatin1();
            if (value.size() > Settings::Layout[id].width)
                throw CliError{QStringLiteral("%1 holds at most %2 characters.")
                                   .arg(QLatin1StringView(Settings::Layout[id].name))
                                   .arg(Settings::Layout[id].width)};
            settings.setRaw(static_cast<Settings::Id>(id), value);
        }
        if (const int error = file.write(settings))
            throw fileFault(FileAccess::Write, file.path(), error);
    }
    QJsonObject object;
    for (int id = 0; id < Settings::Count; ++id) {
        const QString name = QLatin1StringView(Settings::Layout[id].name);
        const QString value = QString::fromLatin1(settings.raw(static_cast<Settings::Id>(id)));
        if (id == Settings::MasterPassword && !showPassword) {
            const bool set = !value.trimmed().isEmpty();
            if (context.json)
                object.insert(QStringLiteral("passwordSet"), set);
            else
                context.out << QStringLiteral("%1 = %2\n")
                                   .arg(name, -26)
                                   .arg(set ? QStringLiteral("(set; --show-password shows it)")
                                            : QStringLiteral("(none)"));
            continue;
        }
        if (context.json)
            // The password is what the user types, without the padding of its field.
            object.insert(name, id == Settings::MasterPassword
                                    ? trimSpaces(QStringView(value)).toString()
                                    : value);
        else
            context.out << QStringLiteral("%1 = %2\n").arg(name, -26).arg(value.trimmed());
    }
    if (context.json)
        printJson(context, object);
    return 0;
}

} // namespace orvelan::cli
