#include "cli/ToolCommandLine.h"

#include "cli/CliCommand.h"
#include "store/BookMaintenance.h"

#include <QCommandLineParser>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace orvelan::cli {

namespace {

constexpr int UsageError = 2;

const CliCommand* commandNamed(const QString& name) {
    for (const CliCommand& command : commandTable()) {
        if (name == QLatin1StringView(command.name))
            return &command;
    }
    return nullptr;
}

void printUsage(QTextStream& stream) {
    stream << "usage: orvelan-book [--home DIR] [--json] COMMAND [ARGUMENTS]\n"
              "       orvelan-book help [COMMAND] | --help | --version\n\n"
              "The book folder is --home DIR, else $ORVELAN_HOME, else ~/.local/share/orvelan.\n"
              "Tabs are 0 to 25 or a letter A to Z (I and J are both tab 9).\n\n"
              "Options:\n"
              "  --home DIR, --home=DIR  the book folder (it must exist)\n"
              "  --json                  print JSON instead of text (before or after COMMAND)\n"
              "  -h, --help              this text; 'help COMMAND' describes one command\n"
              "  -v, --version           the version\n\nCommands:\n";
    for (const CliCommand& command : commandTable()) {
        stream << u"  %1 %2\n      %3\n"_s.arg(QLatin1StringView(command.name),
                                               QLatin1StringView(command.usage),
                                               QLatin1StringView(command.summary));
    }
}

void printCommandHelp(QTextStream& stream, const CliCommand& command) {
    QString summary = QLatin1StringView(command.summary);
    if (!summary.isEmpty())
        summary[0] = summary[0].toUpper();
    stream << u"usage: orvelan-book [--home DIR] [--json] %1 %2\n\n%3.\n"_s.arg(
        QLatin1StringView(command.name), QLatin1StringView(command.usage), summary);
    if (command.help)
        stream << '\n' << QLatin1StringView(command.help) << '\n';
}

int usageError(QTextStream& err, const QString& message) {
    err << "orvelan-book: " << message << " (see orvelan-book --help)\n";
    return UsageError;
}

} // namespace

QString toolVersionText() {
    return u"orvelan-book %1.%2.%3"_s.arg(ORVELAN_VERSION_MAJOR)
        .arg(ORVELAN_VERSION_MINOR)
        .arg(ORVELAN_VERSION_PATCH);
}

int runTool(const QStringList& arguments, QTextStream& out, QTextStream& err, bool progress) {
    QCommandLineParser parser;
    // Options after the command belong to the command (search --in, reset --yes ...).
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption homeOption(u"home"_s, u"The book folder."_s, u"DIR"_s);
    const QCommandLineOption jsonOption(u"json"_s, u"Print JSON."_s);
    const QCommandLineOption helpOption({u"h"_s, u"help"_s}, u"Show the usage."_s);
    const QCommandLineOption versionOption({u"v"_s, u"version"_s}, u"Show the version."_s);
    parser.addOptions({homeOption, jsonOption, helpOption, versionOption});
    if (!parser.parse(QStringList{u"orvelan-book"_s} + arguments))
        return usageError(err, parser.errorText());
    if (parser.isSet(helpOption)) {
        printUsage(out);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        out << toolVersionText() << '\n';
        return 0;
    }

    QStringList args = parser.positionalArguments();
    // --json may also follow the command.
    const bool json = parser.isSet(jsonOption) || args.removeAll(u"--json"_s) > 0;
    if (args.isEmpty()) {
        printUsage(err);
        return UsageError;
    }
    const QString name = args.takeFirst();
    if (name == u"help"_s) {
        if (args.isEmpty()) {
            printUsage(out);
            return 0;
        }
        const CliCommand* command = commandNamed(args.first());
        if (!command)
            return usageError(err, u"there is no command "_s + args.first());
        printCommandHelp(out, *command);
        return 0;
    }
    const CliCommand* command = commandNamed(name);
    if (!command)
        return usageError(err, u"unknown command "_s + name);
    if (args.contains(u"--help"_s)) {
        printCommandHelp(out, *command);
        return 0;
    }

    QString home = BookFolder::defaultRoot();
    if (parser.isSet(homeOption)) {
        home = parser.value(homeOption);
        // A mistyped folder must not read as an empty book.
        if (!QFileInfo(home).isDir()) {
            err << "orvelan-book: the book folder " << home
                << " does not exist; give an existing folder with --home.\n";
            return UsageError;
        }
    }
    CliContext context{BookFolder(home), json, out, err, progress};
    try {
        // A new book folder starts as an empty book: one blank page per tab.
        MaintenanceReport created;
        if (command->changesBook && createBookIfMissing(context.folder, created) && !created.ok())
            throw CliError{created.failures.join(u' ')};
        return command->run(context, args);
    } catch (const CliError& error) {
        out.flush();
        err << "orvelan-book: " << error.message << "\n";
        return error.status;
    }
}

} // namespace orvelan::cli
