#include "cli/ToolCommandLine.h"

#include "cli/BookPassword.h"
#include "cli/CliCommand.h"
#include "cli/ToolFaults.h"
#include "store/BookLock.h"
#include "store/ConversionJournal.h"
#include "store/PrivateFiles.h"

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
    stream << "usage: orvelan-book [--home DIR] [--json] [--password-file FILE] COMMAND "
              "[ARGUMENTS]\n"
              "       orvelan-book help [COMMAND] | --help | --version\n\n"
              "The book folder is --home DIR, else $ORVELAN_HOME, else ~/.local/share/orvelan.\n"
              "Tabs are 0 to 25 or a letter A to Z (I and J are both tab 9), or as listings\n"
              "print them (*0, I J, IJ).\n\n"
              "Options:\n"
              "  --home DIR, --home=DIR  the book folder (it must exist)\n"
              "  --json                  print JSON instead of text (before or after COMMAND)\n"
              "  --password-file FILE    the master password of an encrypted book: the file's\n"
              "                          first line (before or after COMMAND; without it the\n"
              "                          tool asks on the terminal)\n"
              "  --recovery-key-file FILE  unlock an encrypted book with its recovery key (the\n"
              "                          file's first line) instead of the master password;\n"
              "                          'settings MasterPassword=NEW' then sets a new password\n"
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

// Removes "--OPTION FILE" (or "--OPTION=FILE") from the command's arguments.
QString takeFileOption(QStringList& args, const QString& option, QString file) {
    const QString flag = u"--"_s + option;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] == flag) {
            if (i + 1 >= args.size())
                throw CliError{flag + u" needs a FILE"_s, UsageError};
            file = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(flag + u'=')) {
            file = args[i].mid(flag.size() + 1);
            args.remove(i);
        } else {
            ++i;
        }
    }
    return file;
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

int runTool(const QStringList& arguments, QTextStream& out, QTextStream& err,
            DesktopServices& desktop, bool progress, const PasswordAsker& askPassword) {
    QCommandLineParser parser;
    // Options after the command belong to the command (search --in, reset --yes ...).
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption homeOption(u"home"_s, u"The book folder."_s, u"DIR"_s);
    const QCommandLineOption jsonOption(u"json"_s, u"Print JSON."_s);
    const QCommandLineOption passwordFileOption(u"password-file"_s, u"The master password."_s,
                                                u"FILE"_s);
    const QCommandLineOption recoveryKeyFileOption(u"recovery-key-file"_s, u"The recovery key."_s,
                                                   u"FILE"_s);
    const QCommandLineOption helpOption({u"h"_s, u"help"_s}, u"Show the usage."_s);
    const QCommandLineOption versionOption({u"v"_s, u"version"_s}, u"Show the version."_s);
    parser.addOptions({homeOption, jsonOption, passwordFileOption, recoveryKeyFileOption,
                       helpOption, versionOption});
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
    context.askPassword = askPassword;
    context.desktop = &desktop;
    if (parser.isSet(passwordFileOption))
        context.passwordFile = parser.value(passwordFileOption);
    if (parser.isSet(recoveryKeyFileOption))
        context.recoveryKeyFile = parser.value(recoveryKeyFileOption);
    try {
        // After the command, --password-file is the book's too, except for sync, whose own
        // --password-file gives the server's password.
        if (name != u"sync"_s)
            context.passwordFile = takeFileOption(args, u"password-file"_s, context.passwordFile);
        context.recoveryKeyFile =
            takeFileOption(args, u"recovery-key-file"_s, context.recoveryKeyFile);
        // A conversion between plain and encrypted that was cut short is completed (or undone)
        // before anything reads the book; never while another command is converting it.
        if (conversionPending(context.folder)) {
            BookLock lock(context.folder);
            if (lock.take(std::chrono::seconds(5)) == BookLock::Result::Taken)
                removeLeftoverTemporaries(context.folder);
            else if (conversionPending(context.folder))
                throw toolError(Fault::BookBusy,
                                u"The book is being encrypted or decrypted by another command; "
                                u"try again when it is done."_s);
        }
        // A file of the book that is missing, damaged or not a file gets the same message and
        // status whatever the command; 'check' is the one that looks into such a book.
        if (name != u"check"_s)
            checkBookFiles(context.folder, !command->changesBook);
        if (command->readsPages)
            unlockForCommand(context);
        // Commands that change the book take its lock, which also completes a new book and
        // removes what interrupted writes left; the others do that cleaning in passing when
        // nobody holds the lock.
        if (!command->changesBook && QFileInfo(context.folder.dataBookDir()).isDir()) {
            BookLock lock(context.folder);
            if (lock.take(std::chrono::milliseconds(0)) == BookLock::Result::Taken)
                removeLeftoverTemporaries(context.folder);
        }
        return command->run(context, args);
    } catch (const CliError& error) {
        out.flush();
        err << "orvelan-book: " << error.message << "\n";
        return error.status;
    }
}

} // namespace orvelan::cli
