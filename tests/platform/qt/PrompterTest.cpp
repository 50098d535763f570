#include "platform/qt/QtPrompter.h"
#include "support/QtTestMain.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace orvelan;

namespace {

// Lays dialog buttons out as GTK does: Cancel first, so it takes the focus.
class GnomeButtonOrder final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::GnomeLayout;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

} // namespace

// Enter answers a message box with its first button (OK, Yes, Retry, Abort) under any desktop
// theme, whose button order would otherwise choose the default (Cancel under a GTK theme).
class PrompterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enterTakesTheFirstButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK Cancel") << int(PromptButtons::OkCancel) << int(PromptAnswer::Ok);
        QTest::newRow("Yes No") << int(PromptButtons::YesNo) << int(PromptAnswer::Yes);
        QTest::newRow("Yes No Cancel") << int(PromptButtons::YesNoCancel) << int(PromptAnswer::Yes);
        QTest::newRow("Retry Cancel")
            << int(PromptButtons::RetryCancel) << int(PromptAnswer::Retry);
        QTest::newRow("Abort Retry Ignore")
            << int(PromptButtons::AbortRetryIgnore) << int(PromptAnswer::Abort);
    }
    void enterTakesTheFirstButton() {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        QtPrompter prompter;
        const QString style = QApplication::style()->name();
        QApplication::setStyle(new GnomeButtonOrder);
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QTest::keyClick(box, Qt::Key_Return);
        });
        const PromptAnswer given =
            prompter.ask({QStringLiteral("ORVELAN"), QStringLiteral("Finish?"),
                          PromptIcon::Question, static_cast<PromptButtons>(buttons)});
        QApplication::setStyle(style);
        QCOMPARE(int(given), answer);
    }
};

ORVELAN_QT_TEST(PrompterTest)
#include "PrompterTest.moc"
