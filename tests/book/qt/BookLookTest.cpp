#include "book/qt/MainWindow.h"
#include "exchange/qt/ExchangeWidgets.h"
#include "support/BookSession.h"
#include "support/QtTestMain.h"
#include "ui/LabelButton.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace orvelan;
using namespace orvelan::test;
using namespace Qt::StringLiterals;

// The open book as a keyboard user, a screen reader, a dark desktop theme and a large desktop
// font meet it.
class BookLookTest : public QObject {
    Q_OBJECT

    struct Book : BookSession {
        std::unique_ptr<OrVel> window;

        Book() {
            book.writeTab(1, {TempBook::named("Adams"), TempBook::named("Avery")});
            window = std::make_unique<OrVel>(session);
            window->showFirstPage();
            window->show();
            QApplication::setActiveWindow(window.get());
        }
        template <typename T = QWidget> T* control(const char* name) {
            return findControl<T>(*window, name);
        }
    };

    // The darkest pixel of a control as drawn in the window: its text or symbol.
    static int darkest(OrVel& window, QWidget* control) {
        const QImage image =
            window.grab(QRect(control->mapTo(&window, QPoint()), control->size())).toImage();
        int least = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                least = std::min(least, qGray(image.pixel(x, y)));
        return least;
    }

private Q_SLOTS:
    void thePageKeepsItsInkUnderADarkTheme() {
        const QPalette desktop = QApplication::palette();
        QApplication::setPalette(QPalette(QColor(235, 235, 235), QColor(35, 35, 38)));
        {
            Book book;
            QVERIFY(QTest::qWaitForWindowExposed(book.window.get()));
            QVERIFY(!book.control<QLabel>("RecnLa")->text().isEmpty());
            // Dark ink on the cream paper: the page number and both arrows stay readable.
            QVERIFY(darkest(*book.window, book.control("RecnLa")) < 100);
            QVERIFY(darkest(*book.window, book.control("NextB")) < 100);
            QVERIFY(darkest(*book.window, book.control("LastB")) < 100);
            QCOMPARE(book.control("SNameTB")->palette().color(QPalette::Text), QColor(16, 24, 72));
        }
        QApplication::setPalette(desktop);
    }

    void theExchangeWindowsKeepThePaperToo() {
        const QPalette desktop = QApplication::palette();
        QApplication::setPalette(QPalette(QColor(235, 235, 235), QColor(35, 35, 38)));
        {
            DraggableWindow window;
            QCOMPARE(window.palette().color(QPalette::Window), QColor(253, 249, 236));
            QCOMPARE(window.palette().color(QPalette::WindowText), QColor(16, 24, 72));
        }
        QApplication::setPalette(desktop);
    }

    void aLargeDesktopFontClipsNoCaption() {
        const QFont desktop = QApplication::font();
        for (const qreal points : {11.0, 16.0}) {
            QFont large = desktop;
            large.setPointSizeF(points);
            QApplication::setFont(large);
            Book book;
            for (LabelButton* label : book.window->findChildren<LabelButton*>()) {
                const QString caption = label->caption();
                if (caption.isEmpty())
                    continue;
                QVERIFY2(label->fontMetrics().horizontalAdvance(caption) <= label->width(),
                         qPrintable(label->objectName() + u" at "_s + QString::number(points)));
                QVERIFY(label->font().pixelSize() > 0); // fixed in pixels
            }
            QCOMPARE(book.control("LaunchWebLa")->font(), book.control("LaunchEM1La")->font());
        }
        QApplication::setFont(desktop);
    }

    void eachBoxIsNamedByItsCaption() {
        Book book;
        const QList<std::pair<const char*, QString>> boxes = {{"SNameTB", u"Name"_s},
                                                              {"SAdd1TB", u"Address line 1"_s},
                                                              {"SAdd6TB", u"Address line 6"_s},
                                                              {"SPho1TB", u"Phone"_s},
                                                              {"SPageTB", u"Pager"_s},
                                                              {"SEmaiTB", u"E-Mail"_s},
                                                              {"SOrgaTB", u"Organisation"_s},
                                                              {"SAdO3TB", u"Work address line 3"_s},
                                                              {"SWebOTB", u"Web"_s},
                                                              {"SNoteTB", u"Notes"_s}};
        for (const auto& [name, caption] : boxes) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(book.control(name));
            QVERIFY(face);
            QCOMPARE(face->text(QAccessible::Name), caption);
        }
        int named = 0;
        for (QWidget* box : book.window->findChildren<QWidget*>()) {
            if (box->objectName().startsWith(u'S') && box->objectName().endsWith(u"TB"_s)) {
                QVERIFY2(!box->accessibleName().isEmpty(), qPrintable(box->objectName()));
                ++named;
            }
        }
        QCOMPARE(named, 26);
        for (const char* name : {"AddLa", "FindLa", "CloseLa", "LRLa", "LaunchWebLa"}) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(book.control(name));
            QCOMPARE(face->role(), QAccessible::Button);
            QVERIFY(!face->text(QAccessible::Name).isEmpty());
        }
    }

    void theCommandBarIsReachedWithTabAndPressedWithSpace() {
        Book book;
        QVERIFY(QTest::qWaitForWindowActive(book.window.get()));
        book.control("SNoteTB")->setFocus();
        QStringList order;
        for (int i = 0; i < 60 && !order.contains(u"CloseLa"_s); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order.append(QApplication::focusWidget()->objectName());
        }
        const QStringList bar = {u"AddLa"_s,  u"EditLa"_s,  u"UndoLa"_s, u"DelLa"_s,  u"PassLa"_s,
                                 u"FindLa"_s, u"PrintLa"_s, u"DialLa"_s, u"CloseLa"_s};
        qsizetype at = order.indexOf(bar.first());
        QVERIFY2(at >= 0, qPrintable(order.join(u' ')));
        QCOMPARE(order.mid(at, bar.size()), bar);
        // Enter and the arrows still go from box to box, past the labels between them.
        book.control("SPho1TB")->setFocus();
        QTest::keyClick(book.control("SPho1TB"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), book.control("SPho2TB"));
        QTest::keyClick(book.control("SPho2TB"), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), book.control("SMobiTB"));
        QTest::keyClick(book.control("SMobiTB"), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), book.control("SPho2TB"));
        QTest::keyClick(book.control("SWebOTB"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), book.control("SNoteTB"));
        // Space on "Stats" shows the page's statistics, as a click does.
        LabelButton* stats = book.control<LabelButton>("EditLa");
        stats->setFocus();
        QTest::keyClick(stats, Qt::Key_Space);
        QCOMPARE(stats->colour(), LabelColour::Blue);
        QVERIFY(book.control("SNoteTB")->isHidden());
    }
};

ORVELAN_QT_TEST(BookLookTest)
#include "BookLookTest.moc"
