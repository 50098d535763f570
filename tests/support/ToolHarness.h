#pragma once

#include "cli/CliCommand.h"
#include "cli/ToolCommandLine.h"
#include "cli/desktop/QtDesktopServices.h"
#include "support/TempBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace orvelan::test {

// Runs the tool's commands in process on a book of its own, collecting what they print.
struct ToolHarness {
    using Command = int (*)(cli::CliContext&, const QStringList&);

    ToolHarness() { context.desktop = &desktop; }

    TempBook book;
    cli::QtDesktopServices desktop;
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    cli::CliContext context{book.folder(), false, outStream, errStream};

    // Writes a file inside the book's folder (its folders made as needed); returns its path.
    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = book.root() + u'/' + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }
    // The command's exit status; a refusal (CliError) is left to the caller.
    int run(Command command, const QStringList& args) {
        const int status = command(context, args);
        outStream.flush();
        return status;
    }
    // The exit status as text, or the message of a refusal.
    QString outcome(Command command, const QStringList& args) {
        QString result;
        try {
            result = QString::number(command(context, args));
        } catch (const cli::CliError& error) {
            result = error.message;
        }
        outStream.flush();
        return result;
    }
};

// What one run of the tool returned and printed.
struct ToolRun {
    int status = 0;
    QString out;
    QString err;
    QJsonValue json() const {
        const QJsonDocument document = QJsonDocument::fromJson(out.toUtf8());
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};

// Runs one command of the tool (by its name, the first of `args`) in process on the book in
// `folder`, as main() does after reading the command line, and catches what it prints.
inline ToolRun runCommand(const BookFolder& folder, QStringList args, bool json = false) {
    ToolRun result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    const QString name = args.takeFirst();
    for (const cli::CliCommand& command : cli::commandTable()) {
        if (name != QLatin1StringView(command.name))
            continue;
        cli::QtDesktopServices desktop;
        cli::CliContext context{folder, json, out, err};
        context.desktop = &desktop;
        try {
            result.status = command.run(context, args);
        } catch (const cli::CliError& error) {
            result.status = error.status;
            err << error.message;
        }
    }
    out.flush();
    err.flush();
    return result;
}

// The whole tool, command line and all, as main() runs it.
inline ToolRun runToolLine(const QStringList& arguments, bool progress = false) {
    ToolRun result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    cli::QtDesktopServices desktop;
    result.status = cli::runTool(arguments, out, err, desktop, progress);
    out.flush();
    err.flush();
    return result;
}
// The same on the book `book` (--home given first).
inline ToolRun runToolLine(const TempBook& book, const QStringList& arguments,
                           bool progress = false) {
    return runToolLine(QStringList{QStringLiteral("--home"), book.root()} + arguments, progress);
}

} // namespace orvelan::test
