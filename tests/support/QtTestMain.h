#pragma once
// Window test classes register themselves with ORVELAN_QT_TEST(Class); one main runs every class
// of a test program in one QApplication, so a subsystem's window tests are one program.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace orvelan::test {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;
int registerQtTest(const char* className, QtTestFactory factory);

// The child control of `in` named `name`; a missing one ends the test program with its name.
template <class T = QObject> T* findControl(const QObject& in, const char* name) {
    T* found = in.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("control %s not found", name);
    return found;
}

} // namespace orvelan::test

#define ORVELAN_QT_TEST_JOIN2(a, b) a##b
#define ORVELAN_QT_TEST_JOIN(a, b) ORVELAN_QT_TEST_JOIN2(a, b)
#define ORVELAN_QT_TEST(Class)                                                                     \
    [[maybe_unused]] static const int ORVELAN_QT_TEST_JOIN(orvelanQtTest, __LINE__) =              \
        ::orvelan::test::registerQtTest(#Class, [] { return std::make_unique<Class>(); });
