#include "security/qt/PasswordWindow.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;

// Under a dark desktop palette the password box keeps the book's paper and ink: a dark box in
// the beige window, with its dots barely seen, is what a GTK dark theme gave.
class PasswordLookTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void thePasswordBoxStaysLightUnderADarkTheme() {
        const QPalette desktop = QApplication::palette();
        QPalette dark(QColor(220, 220, 220), QColor(40, 40, 40));
        dark.setColor(QPalette::Base, QColor(25, 25, 25));
        dark.setColor(QPalette::Text, QColor(235, 235, 235));
        QApplication::setPalette(dark);
        {
            BookSession s;
            PasswordWindow window(s.session, HelpPages(QStringLiteral("/help")));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* entry = window.findChild<QLineEdit*>(QStringLiteral("MPassWordTb"));
            QVERIFY(entry);
            const QImage box = entry->grab().toImage();
            const QColor inside = box.pixelColor(box.width() / 2, box.height() / 2);
            QVERIFY2(inside.lightness() > 200, qPrintable(inside.name()));
        }
        QApplication::setPalette(desktop);
    }
};

ORVELAN_QT_TEST(PasswordLookTest)
#include "PasswordLookTest.moc"
