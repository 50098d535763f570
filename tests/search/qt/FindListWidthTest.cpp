// The result list is as wide as its widest line: the tab and page at a line's end are never cut
// to "…", whatever the script of the names before them.
#include "search/qt/FindWindow.h"
#include "support/QtTestMain.h"

#include "print/RecordingSurface.h"
#include "support/BookSession.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>
#include <QtTest>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

namespace {

struct QuietNavigator final : BookNavigator {
    void showPage(int, qint64) override {}
    void bringBookToFront() override {}
    QRect bookFrame() const override { return QRect(300, 100, 600, 400); }
    void searchWindowActivated() override {}
    void openHelpPage(const QString&) override {}
};

} // namespace

class FindListWidthTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyLineShowsItsPage_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Latin") << u"Wolfeschlegelsteinhaus"_s;
        QTest::newRow("Cyrillic") << u"Смирнова Екатерина Ал"_s;
        QTest::newRow("Greek") << u"Παπαδόπουλος Γιώργος"_s;
        QTest::newRow("Arabic") << u"محمد عبد الله الهاشمي"_s;
        QTest::newRow("Devanagari") << u"श्रीनिवास रामानुजन्"_s;
        QTest::newRow("Han") << u"欧阳王芳欧阳王芳欧阳"_s;
        QTest::newRow("Thai") << u"สมชาย ใจดี ศรีสวัสดิ์"_s;
    }
    void everyLineShowsItsPage() {
        QFETCH(QString, name);
        BookSession s;
        // Enough pages for the list to scroll, so its scroll bar takes its room too.
        QList<QByteArray> pages;
        for (int i = 0; i < 40; ++i)
            pages.append(TempBook::textPage(name + QString::number(i % 10)));
        s.book.writeTab(1, pages);
        QuietNavigator navigator;
        RecordingTarget printer;
        FindWindow window(s.session, navigator, printer);
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* edit = window.findChild<QLineEdit*>(u"Text2"_s);
        edit->setText(QString());
        QTest::keyClick(edit, Qt::Key_Return);
        auto* list = window.findChild<QListWidget*>(u"List1"_s);
        QCOMPARE(list->count(), 40);
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        const int margins =
            2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int row = 0; row < list->count(); ++row) {
            const QString line = list->item(row)->text();
            QVERIFY2(list->fontMetrics().horizontalAdvance(line) + margins <=
                         list->viewport()->width(),
                     qPrintable(line));
        }
    }
};

ORVELAN_QT_TEST(FindListWidthTest)
#include "FindListWidthTest.moc"
