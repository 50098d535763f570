#pragma once

#include "store/BookFolder.h"
#include "store/BookLock.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

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
    bool changesBook; // takes the book's lock, which creates a new book folder
    std::function<int(CliContext&, const QStringList&)> run;
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

} // namespace orvelan::cli
