#include "app/qt/ProgramIdentity.h"

#include "ui/Pictures.h"

#include <QCommandLineParser>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace orvelan {

QString programVersionText() {
    return u"orvelan %1.%2.%3"_s.arg(ORVELAN_VERSION_MAJOR)
        .arg(ORVELAN_VERSION_MINOR)
        .arg(ORVELAN_VERSION_PATCH);
}

void applyProgramIdentity() {
    QGuiApplication::setApplicationName(u"orvelan"_s);
    QGuiApplication::setApplicationVersion(u"%1.%2.%3"_s.arg(ORVELAN_VERSION_MAJOR)
                                               .arg(ORVELAN_VERSION_MINOR)
                                               .arg(ORVELAN_VERSION_PATCH));
    // No application display name: Qt would append it to every window and message title.
    QGuiApplication::setDesktopFileName(u"orvelan"_s);
    QGuiApplication::setWindowIcon(QIcon::fromTheme(u"orvelan"_s, pictures::programIcon()));
}

std::optional<int> answerInformationOptions(const QStringList& arguments, QTextStream& out) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    parser.addOptions({help, version});
    // The program's own switches (-TAPI, /DRST) are no options of the parser: its verdict on
    // them does not matter here.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.parse(arguments);
    if (parser.isSet(help)) {
        out << "usage: orvelan [-TAPI] [/DRST]\n"
               "       orvelan --help | --version\n\n"
               "ORVELAN Secure Address Book: one page per person or organisation, filed under\n"
               "A-Z thumb tabs. The book folder is $ORVELAN_HOME, else ~/.local/share/orvelan;\n"
               "a new folder gets an empty book.\n\n"
               "  -TAPI          no telephony line in this run\n"
               "  /DRST          reset the book (one blank page per tab, after a confirmation)\n"
               "                 when it is first opened\n"
               "  -h, --help     this text\n"
               "  -v, --version  the version\n\n"
               "A second start raises the running copy. F1 opens help in every window.\n"
               "The command-line tool orvelan-book(1) reads and changes a book without a window.\n";
        return 0;
    }
    if (parser.isSet(version)) {
        out << programVersionText() << '\n';
        return 0;
    }
    return std::nullopt;
}

} // namespace orvelan
