#pragma once

#include "store/BookFolder.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <QLockFile>

#include <functional>
#include <memory>
#include <vector>

namespace orvelan::cli {

// What every command gets: the book folder, the output mode and the two streams.
struct CliContext {
    BookFolder folder;
    bool json = false;
    QTextStream& out;
    QTextStream& err;
    // Long commands draw a progress line on `err` (only when it is a terminal).
    bool progress = false;
};

// Thrown for a bad argument or a failed file operation; main prints it as one line on stderr.
struct CliError {
    QString message;
    int status = 1;
};

struct CliCommand {
    const char* name;
    const char* usage; // arguments after the name
    const char* summary;
    bool changesBook; // a new book folder is created before it runs
    std::function<int(CliContext&, const QStringList&)> run;
    const char* help = nullptr; // what 'help COMMAND' adds below the usage line
};

const std::vector<CliCommand>& commandTable();

// Shared argument helpers.
int tabArgument(const QString& text);
qint64 pageArgument(const QString& text);
// Splits "FIELD=VALUE"; the field must be one of the page text fields Name .. Notes.
std::pair<int, QString> fieldAssignment(const QString& text);
void printJson(CliContext& context, const QJsonValue& value);
// Holds the book's lock while a command changes it; refuses while the address book has it open.
std::unique_ptr<QLockFile> lockBook(const BookFolder& folder);

// The progress line of a long command: "what: 42%" redrawn in place on the error stream, and
// wiped when the work is done. Silent unless the context asks for progress.
class ProgressLine {
public:
    ProgressLine(CliContext& context, QString what);
    ~ProgressLine();
    void show(double fraction);

private:
    CliContext& m_context;
    QString m_what;
    int m_shown = -1;
};

} // namespace orvelan::cli
