#include "QtTestMain.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <vector>

namespace orvelan::test {
namespace {

struct RegisteredTest {
    const char* className;
    QtTestFactory factory;
};

std::vector<RegisteredTest>& registeredTests() {
    static std::vector<RegisteredTest> tests;
    return tests;
}

} // namespace

int registerQtTest(const char* className, QtTestFactory factory) {
    registeredTests().push_back({className, std::move(factory)});
    return static_cast<int>(registeredTests().size());
}

} // namespace orvelan::test

// "-class NAME" runs one class; every other argument goes to Qt Test (a test function's name,
// -v2, ...). The exit status is 0 when every class passed.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QStringList arguments = app.arguments();
    QString onlyClass;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("-class"));
        at > 0 && at + 1 < arguments.size()) {
        onlyClass = arguments.at(at + 1);
        arguments.remove(at, 2);
    }
    int failed = 0;
    int ran = 0;
    for (const auto& test : orvelan::test::registeredTests()) {
        if (!onlyClass.isEmpty() && onlyClass != QLatin1StringView(test.className))
            continue;
        ++ran;
        const std::unique_ptr<QObject> object = test.factory();
        if (QTest::qExec(object.get(), arguments) != 0)
            ++failed;
    }
    if (ran == 0) {
        std::fprintf(stderr, "no test class named %s\n", qPrintable(onlyClass));
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
