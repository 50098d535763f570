#include "book/qt/DuplicatesWindow.h"
#include "book/qt/OptionsPanel.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace orvelan;
using namespace orvelan::test;

class DuplicatesWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Duplicates... on the options panel asks for the window; the window lists the group with
    // its reason and the pages side by side; Merge keeps the page of the chosen column.
    void mergeKeepsThePageOfTheChosenColumn() {
        BookSession s;
        s.book.writeTab(9, {TempBook::record({{Field::Name, "Ivanov, Ivan"},
                                              {Field::Phone1, "+44 20 7946 0001"}}),
                            TempBook::record({{Field::Name, "IVAN IVANOV"},
                                              {Field::Phone1, "020 7946 0001"},
                                              {Field::Mobile, "07700 900123"}}),
                            TempBook::named("Ingrid Olsen")});
        OptionsPanel panel(s.session, nullptr);
        QSignalSpy asked(&panel, &OptionsPanel::duplicatesRequested);
        findControl<QPushButton>(panel, "DupesBu")->click();
        QCOMPARE(asked.count(), 1);

        DuplicatesWindow window(s.book.folder(), s.clock);
        QSignalSpy merged(&window, &DuplicatesWindow::merged);
        window.open();
        auto* groups = findControl<QListWidget>(window, "DupGroupList");
        QCOMPARE(groups->count(), 1);
        QCOMPARE(groups->item(0)->text(),
                 QStringLiteral("Ivanov, Ivan: same telephone number, same name"));
        auto* pages = findControl<QTableWidget>(window, "DupPagesTable");
        QCOMPARE(pages->columnCount(), 2);
        QStringList rows;
        for (int r = 0; r < pages->rowCount(); ++r)
            rows << pages->verticalHeaderItem(r)->text() + u'=' + pages->item(r, 0)->text() + u'|' +
                        pages->item(r, 1)->text();
        QCOMPARE(rows, QStringList({QStringLiteral("Name=Ivanov, Ivan|IVAN IVANOV"),
                                    QStringLiteral("Phone=+44 20 7946 0001|020 7946 0001"),
                                    QStringLiteral("Mobile=|07700 900123")}));

        pages->selectColumn(1);
        findControl<QPushButton>(window, "DupMergeBu")->click();
        QCOMPARE(findControl<QLabel>(window, "DupResultLa")->text(),
                 QStringLiteral("Merged 2 pages into tab I J, page 2; the others are in the "
                                "trash."));
        QCOMPARE(merged.count(), 1);
        QCOMPARE(groups->count(), 0);
        QVERIFY(!findControl<QPushButton>(window, "DupMergeBu")->isEnabled());
        QVERIFY(s.book.page(9, 1).isBlank());
        QCOMPARE(s.book.page(9, 2).text(Field::Mobile), QStringLiteral("07700 900123"));
    }
};

ORVELAN_QT_TEST(DuplicatesWindowTest)
#include "DuplicatesWindowTest.moc"
