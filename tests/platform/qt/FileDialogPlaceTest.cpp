#include "platform/qt/QtFileDialogs.h"
#include "support/QtTestMain.h"

#include <QTest>

using namespace orvelan;

// The open and save dialogs of the import and export windows are placed beside the main window.
// The main window often stands near the right edge of the screen; the dialog must then still
// be reachable, or the user cannot pick a file at all.
class FileDialogPlaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placement_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QPoint>("expected");

        const QRect screen(0, 0, 1380, 860);
        QTest::newRow("room on the right: beside it, tops level")
            << QRect(100, 200, 500, 400) << QSize(600, 400) << screen << QPoint(600, 200);
        QTest::newRow("no room on the right: left of it")
            << QRect(675, 200, 700, 590) << QSize(624, 412) << screen << QPoint(51, 200);
        QTest::newRow("no room on either side: inside the right edge")
            << QRect(375, 200, 880, 590) << QSize(624, 412) << screen << QPoint(756, 200);
        QTest::newRow("anchor low on the screen: moved up to show its buttons")
            << QRect(100, 700, 400, 300) << QSize(600, 400) << screen << QPoint(500, 460);
        QTest::newRow("dialog larger than the screen: top left corner visible")
            << QRect(100, 100, 400, 300) << QSize(2000, 1200) << screen << QPoint(0, 0);
        QTest::newRow("second screen to the right: stays on it")
            << QRect(1600, 100, 880, 590) << QSize(624, 412) << QRect(1380, 0, 1920, 1080)
            << QPoint(2480, 100);
    }

    void placement() {
        QFETCH(QRect, anchor);
        QFETCH(QSize, dialog);
        QFETCH(QRect, area);
        QFETCH(QPoint, expected);
        const QPoint place = fileDialogPlace(anchor, dialog, area);
        QCOMPARE(place, expected);
        QVERIFY(area.contains(QRect(place, dialog).intersected(area).topLeft()));
        if (dialog.width() <= area.width() && dialog.height() <= area.height())
            QVERIFY(area.contains(QRect(place, dialog)));
    }
};

ORVELAN_QT_TEST(FileDialogPlaceTest)
#include "FileDialogPlaceTest.moc"
