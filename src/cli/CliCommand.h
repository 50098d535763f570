#pragma once

#include "store/BookFolder.h"
#include "store/BookLock.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orvelan::cli {

class DesktopServices;

// Asks for a password on the terminal without echo; empty when there is no terminal.
using PasswordAsker = std::function<std::optional<QString>(const QString& prompt)>;

// What every command gets: the book folder, the output mode and the two streams.
struct CliContext {
    BookFolder folder;
    bool json = false;
    QTextStream& out;
    QTextStream& err;
    // Long commands draw a progress line on `err` (only when it is a terminal).
    bool progress = false;
    // The master password of an encrypted book: --password-file FILE, else the terminal.
    QString passwordFile = {};
    PasswordAsker askPassword = {};
    // The password that unlocked the book in this run (empty when the keyring's key did).
    QString password = {};
    // --recovery-key-file FILE: the book is unlocked with the recovery key on its first line,
    // for a forgotten password (settings MasterPassword=NEW then sets a new one with it).
    QString recoveryKeyFile = {};
    QString recoveryKey = {};
    // Printouts, the network side of a sync and the keyring (null: none can be had).
    DesktopServices* desktop = nullptr;
};

// The context's desktop services; a CliError when it has none.
DesktopServices& desktopOf(const CliContext& context);

// Thrown for a bad argument or a failed file operation; main prints it as one line on stderr.
struct CliError {
    QString message;
    int status = 1;
};

struct CliCommand {
    const char* name;
    const char* usage; // arguments after the name
    const char* summary;
    bool changesBook; // takes the book's lock (which completes a new book); others only read
    std::function<int(CliContext&, const QStringList&)> run;
    const char* help = nullptr; // what 'help COMMAND' adds below the usage line
    // Reads or writes pages: an encrypted book is unlocked before it runs.
    bool readsPages = true;
};

const std::vector<CliCommand>& commandTable();

// Shared argument helpers.
int tabArgument(const QString& text);
qint64 pageArgument(const QString& text);
// Splits "FIELD=VALUE"; the field must be one of the page text fields Name .. Notes.
std::pair<int, QString> fieldAssignment(const QString& text);
void printJson(CliContext& context, const QJsonValue& value);
// Writes a JSON array one element at a time, so a listing of any length costs no memory. The
// array is opened by the first element (or by the end) and closed when this object ends; it
// writes nothing unless the context asks for JSON.
class JsonArrayWriter {
public:
    explicit JsonArrayWriter(CliContext& context) : m_context(context) {}
    ~JsonArrayWriter();
    void append(const QJsonObject& element);

private:
    CliContext& m_context;
    bool m_started = false;
};
// Holds the book's lock while a command changes it, from before it reads what it changes. Waits
// up to 5 s for another command; refuses at once while the address book window has the book
// open. Once the lock is held, temporaries of interrupted writes are removed and a book whose
// first run was cut short is completed.
std::unique_ptr<BookLock> lockBook(const BookFolder& folder);

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
