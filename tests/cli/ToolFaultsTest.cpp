// Every command meets a fault with the same message and exit status.
#include "cli/DesktopModule.h"
#include "cli/PhoneNumbersModule.h"
#include "cli/ToolCommandLine.h"
#include "security/BookEncryption.h"
#include "security/BookKeyFile.h"
#include "support/FaultInjection.h"
#include "support/TempBook.h"
#include "support/ToolHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

enum Applies { Every, Reading, Changing };

struct ToolFaultCase {
    const char* name;
    Applies applies;
    int status;
    // Plants the fault; returns what the command must say on stderr.
    std::function<QString(const TempBook&)> plant;
    bool limitFileSize = false;
};

const QString Password = u"S3cret!pw"_s;

QString notAFile(const QString& path) {
    return u"Cannot read "_s + path +
           u": A folder or a link stands where the file should be. 'orvelan-book check' names "
           u"what is wrong with the book."_s;
}

const ToolFaultCase Faults[] = {
    {"TabIsAFolder", Every, 4,
     [](const TempBook& book) {
         const QString path = book.folder().tabFilePath(2);
         QFile::remove(path);
         QDir().mkdir(path);
         return notAFile(path);
     }},
    {"TabIsALink", Every, 4,
     [](const TempBook& book) {
         const QString path = book.folder().tabFilePath(2);
         QFile::rename(path, path + u".real"_s);
         QFile::link(path + u".real"_s, path);
         return notAFile(path);
     }},
    {"SettingsAreAFolder", Every, 4,
     [](const TempBook& book) {
         const QString path = book.folder().settingsPath();
         QFile::remove(path);
         QDir().mkdir(path);
         return notAFile(path);
     }},
    {"TabIsMissing", Reading, 4,
     [](const TempBook& book) {
         const QString path = book.folder().tabFilePath(2);
         QFile::remove(path);
         return u"Cannot read "_s + path +
                u": The file was not found. 'orvelan-book check' names what is wrong with the "
                u"book."_s;
     }},
    {"WindowHoldsTheBook", Changing, 3,
     [](const TempBook&) {
         return u"The address book window has this book open; finish it first."_s;
     }},
    {"DiskFull", Changing, 5,
     [](const TempBook& book) {
         book.writeTab(1, {TempBook::named("Ann"), TempBook::named("Amy")});
         return u": The disk is full."_s;
     },
     true},
    {"WrongPassword", Every, 6,
     [](const TempBook& book) {
         encryptBook(book.folder(), Password, false, {}, KdfLimits{1, 8192});
         return u"The password does not open this book"_s;
     }},
};

struct ToolCommandCase {
    const char* name;
    bool reads;       // only reads the book: meets a missing tab file
    bool writes;      // writes a file: meets a lock and a full disk
    QStringList args; // "@" stands for the book folder
};

const ToolCommandCase Commands[] = {
    {"tabs", true, false, {u"tabs"_s}},
    {"list", true, false, {u"list"_s}},
    {"show", true, false, {u"show"_s, u"A"_s, u"1"_s}},
    {"search", true, false, {u"search"_s, u"--in"_s, u"name"_s, u"x"_s}},
    {"printPage", true, false, {u"print"_s, u"page"_s, u"A"_s, u"1"_s, u"--pdf"_s, u"@/p.pdf"_s}},
    {"export", false, false, {u"export"_s, u"csv"_s, u"@/all.csv"_s}},
    {"sync", false, false, {u"sync"_s}},
    {"add", false, true, {u"add"_s, u"Name=Ann Lee"_s, u"Notes=a note long enough to grow"_s}},
    {"set", false, true, {u"set"_s, u"A"_s, u"1"_s, u"Phone1=0123"_s}},
    {"settings", false, true, {u"settings"_s, u"MasterPassword=n3w-phrase"_s}},
};

void PrintTo(const ToolFaultCase& fault, std::ostream* os) {
    *os << fault.name;
}
void PrintTo(const ToolCommandCase& command, std::ostream* os) {
    *os << command.name;
}

using Case = std::tuple<ToolFaultCase, ToolCommandCase>;

// Each fault with each command that meets it.
std::vector<Case> faultsMeetingCommands() {
    std::vector<Case> cases;
    for (const ToolFaultCase& fault : Faults) {
        for (const ToolCommandCase& command : Commands) {
            if ((fault.applies != Changing || command.writes) &&
                (fault.applies != Reading || command.reads))
                cases.emplace_back(fault, command);
        }
    }
    return cases;
}
class ToolFaultTable : public testing::TestWithParam<Case> {};

TEST_P(ToolFaultTable, OneMessageAndStatusWhateverTheCommand) {
    const auto& [fault, command] = GetParam();
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    const QString said = fault.plant(book);
    std::optional<test::WindowLockHolder> window;
    if (fault.status == 3)
        window.emplace(book.folder().lockPath());
    QStringList args{u"--home"_s, book.root(), u"--password-file"_s,
                     writeBytes(book.root() + u"/pw"_s, "S3cret!pW\n")};
    for (const QString& arg : command.args)
        args << QString(arg).replace(u"@"_s, book.root());
    ToolRun run;
    {
        std::optional<test::FileSizeLimit> limit;
        if (fault.limitFileSize)
            limit.emplace(64);
        run = runToolLine(args);
    }
    const QString& err = run.err;
    EXPECT_EQ(run.status, fault.status) << err.toStdString();
    EXPECT_TRUE(err.startsWith(u"orvelan-book: "_s)) << err.toStdString();
    EXPECT_TRUE(err.contains(said)) << err.toStdString() << "\nwanted: " << said.toStdString();
    EXPECT_EQ(err.count(u'\n'), 1) << "one line: " << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(, ToolFaultTable, testing::ValuesIn(faultsMeetingCommands()),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(std::get<0>(info.param).name) + '_' +
                                    std::get<1>(info.param).name;
                         });

// A search passes over a damaged page (sealed and failing its tag, or plain and not decoding),
// names it and ends with the status of a damaged book; it finds the other pages.
struct DamagedSearch {
    const char* name;
    bool encrypted;
    QStringList search;
};
class SearchOverDamage : public testing::TestWithParam<DamagedSearch> {};

TEST_P(SearchOverDamage, NamesThePageAndEndsWithStatus4) {
    TempBook book;
    book.writeTab(1, {TempBook::named("A\x01nn"), TempBook::named("Amy")});
    if (GetParam().encrypted) {
        book.writeTab(1, {TempBook::named("Ann"), TempBook::named("Amy")});
        ASSERT_TRUE(encryptBook(book.folder(), Password, false, {}, KdfLimits{1, 8192}).ok);
        QByteArray sealed = book.tabBytes(1);
        sealed[100] = char(sealed[100] ^ 1);
        writeBytes(book.folder().tabFilePath(1), sealed);
    }
    const ToolRun run = runToolLine(
        book, QStringList{u"--password-file"_s,
                          writeBytes(book.root() + u"/pw"_s, Password.toUtf8()), u"search"_s} +
                  GetParam().search);
    EXPECT_EQ(run.status, 4) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(u"Amy"_s) && !run.out.contains(u"nn"_s)) << run.out.toStdString();
    EXPECT_EQ(run.err, u"orvelan-book: page 1 of tab A is damaged and cannot be read; it was not "
                       u"searched\n"_s);
}

INSTANTIATE_TEST_SUITE_P(
    , SearchOverDamage,
    testing::Values(DamagedSearch{"Sealed", true, {u"--in"_s, u"name"_s, u"A"_s}},
                    DamagedSearch{"SealedAllFields", true, {u"--all-fields"_s, u"A"_s}},
                    DamagedSearch{"PlainAllFields", false, {u"--all-fields"_s, u"A"_s}}),
    [](const testing::TestParamInfo<DamagedSearch>& info) { return info.param.name; });

// Without its desktop module the program still runs: print and sync stop with one line naming the
// module file before anything is written, and an encrypted book opens with its password.
struct WithoutModule {
    const char* name;
    bool brokenFile; // a file that is no library stands where the module should be
    bool encrypted;
    QStringList args;
    std::optional<QString> typed; // the password typed on the terminal, if there is one
    int status;
    int errLines; // each naming the module file
};
const QStringList PrintArgs{u"print"_s, u"page"_s, u"A"_s, u"1"_s, u"--pdf"_s, u"@/p.pdf"_s};
const QStringList SyncArgs{u"sync"_s,   u"--url"_s, u"http://127.0.0.1:9/"_s,
                           u"--user"_s, u"ann"_s,   u"--password-file"_s,
                           u"@/pw"_s};
void PrintTo(const WithoutModule& row, std::ostream* os) {
    *os << row.name;
}
class WithoutTheModule : public testing::TestWithParam<WithoutModule> {};

QStringList filesIn(const QString& root) {
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next() + u' ' + QString::number(QFileInfo(it.filePath()).size());
    files.sort();
    return files;
}

TEST_P(WithoutTheModule, FailsWithOneLineAndWritesNothing) {
    const WithoutModule& row = GetParam();
    TempBook book;
    book.writeTab(1, {TempBook::named("Ann")});
    if (row.encrypted) {
        ASSERT_TRUE(encryptBook(book.folder(), Password, false, {}, KdfLimits{1, 8192}).ok);
    }
    writeBytes(book.root() + u"/pw"_s, Password.toUtf8());
    cli::DesktopModule module(book.root() + u"/bin/orvelan-book"_s);
    QString named = module.places().last();
    if (row.brokenFile)
        named = writeBytes(module.places().first(), "not a library");
    const QStringList before = filesIn(book.root());
    QStringList args{u"--home"_s, book.root()};
    for (const QString& arg : row.args)
        args << QString(arg).replace(u"@"_s, book.root());
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = cli::runTool(args, outStream, errStream, module, false,
                                    [&](const QString&) { return row.typed; });
    errStream.flush();
    EXPECT_EQ(status, row.status) << err.toStdString();
    EXPECT_EQ(err.count(u"orvelan-book: "_s), row.errLines) << err.toStdString();
    EXPECT_EQ(err.count(u"Cannot load "_s + named + u": "_s), std::min(row.errLines, 1))
        << err.toStdString();
    EXPECT_EQ(filesIn(book.root()), before);
}

INSTANTIATE_TEST_SUITE_P(
    , WithoutTheModule,
    testing::Values(WithoutModule{"Print", false, false, PrintArgs, {}, 1, 1},
                    WithoutModule{"PrintBrokenModule", true, false, PrintArgs, {}, 1, 1},
                    WithoutModule{"Sync", false, false, SyncArgs, {}, 1, 1},
                    WithoutModule{"KeyFromPasswordFile",
                                  false,
                                  true,
                                  {u"--password-file"_s, u"@/pw"_s, u"list"_s},
                                  {},
                                  0,
                                  0},
                    WithoutModule{"KeyTypedOnTerminal", false, true, {u"list"_s}, Password, 0, 1},
                    WithoutModule{"KeyWithoutTerminal", false, true, {u"list"_s}, {}, 6, 2}),
    [](const testing::TestParamInfo<WithoutModule>& info) { return info.param.name; });

// The telephone number module, missing or not a library: reading a number names the file that
// did not load and what to do (the built tool's commands without it: tool_starts_on_qt_core).
class WithoutThePhoneNumbersModule : public testing::TestWithParam<const char*> {};

TEST_P(WithoutThePhoneNumbersModule, NamesTheFileAndWhatToDo) {
    const TempBook book;
    const QString program = book.root() + u"/bin/orvelan-book"_s;
    const QStringList places = cli::modulePlaces(program, cli::PhoneNumbersModule::fileName());
    const QString named = GetParam() ? writeBytes(places.first(), GetParam()) : places.last();
    const cli::PhoneNumbersModule module(program);
    try {
        module.engine();
        ADD_FAILURE() << "an engine without its module";
    } catch (const cli::CliError& error) {
        EXPECT_TRUE(error.message.startsWith(u"Cannot load "_s + named + u": "_s) &&
                    error.message.endsWith(u": reinstall orvelan-book."_s))
            << error.message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, WithoutThePhoneNumbersModule, testing::Values(nullptr, "not a library"));

} // namespace
