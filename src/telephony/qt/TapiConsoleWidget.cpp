#include "telephony/qt/TapiConsoleWidget.h"

#include "platform/Twips.h"
#include "store/Settings.h"
#include "telephony/DialController.h"
#include "telephony/LineInfoListing.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace orvelan {

namespace {

QSize twipSize(int width, int height) {
    return {width / TwipsPerPixel, height / TwipsPerPixel};
}

} // namespace

QPoint TapiConsoleWidget::twips(int left, int top) {
    return {left / TwipsPerPixel, top / TwipsPerPixel};
}

TapiConsoleWidget::TapiConsoleWidget(QWidget* parent)
    : QWidget(parent), m_list(new QListWidget(this)), m_selector(new QComboBox(this)),
      m_configButton(new QPushButton(QStringLiteral("Config"), this)),
      m_propertiesButton(new QPushButton(QStringLiteral("Properties"), this)),
      m_showButton(new QPushButton(QStringLiteral("Show"), this)),
      m_unfoldedHeading(
          new QLabel(QStringLiteral("TAPI Consol                   Line No             "), this)),
      m_foldedHeading(new QLabel(QStringLiteral("TAPI Consol   "), this)),
      m_lineLabel(new QLabel(QStringLiteral("TAPI Line#"), this)) {
    setObjectName(QStringLiteral("TapiConsole"));
    setFixedSize(twipSize(7000, 3150));
    m_list->setObjectName(QStringLiteral("lstLineInfo"));
    m_list->resize(twipSize(3150, 3000));
    m_selector->setObjectName(QStringLiteral("cboLineSel"));
    m_selector->resize(twipSize(1200, 315));
    m_configButton->setObjectName(QStringLiteral("cmdConfigDlg"));
    m_configButton->setGeometry(QRect(twips(3300, 600), twipSize(1500, 375)));
    m_propertiesButton->setObjectName(QStringLiteral("cmdDialProps"));
    m_propertiesButton->setGeometry(QRect(twips(3300, 1080), twipSize(1500, 375)));
    m_showButton->setObjectName(QStringLiteral("ConfShowTAPIBu"));
    m_showButton->setGeometry(QRect(twips(5400, 2670), twipSize(1100, 375)));
    m_unfoldedHeading->setObjectName(QStringLiteral("Label4"));
    m_unfoldedHeading->move(twips(3300, 2400));
    m_foldedHeading->setObjectName(QStringLiteral("Label23"));
    m_foldedHeading->move(twips(315, 450));
    m_lineLabel->setObjectName(QStringLiteral("TapiLineLa"));
    m_lineLabel->move(twips(1600, 780));
    const QList<QRect> lineGeometry = {QRect(twips(3240, 45), twipSize(15, 3000)),
                                       QRect(twips(3240, 45), twipSize(3600, 15)),
                                       QRect(twips(3240, 3045), twipSize(3600, 15))};
    for (int i = 0; i < lineGeometry.size(); ++i) {
        auto* line = new QFrame(this);
        line->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        line->setFrameShape(lineGeometry[i].width() > lineGeometry[i].height() ? QFrame::HLine
                                                                               : QFrame::VLine);
        line->setGeometry(lineGeometry[i]);
        m_frameLines.append(line);
    }

    connect(m_selector, &QComboBox::currentIndexChanged, this, [this](int) { listChosenLine(); });
    connect(m_showButton, &QPushButton::clicked, this, &TapiConsoleWidget::toggleFold);
    connect(m_configButton, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->configDialog();
    });
    connect(m_propertiesButton, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->dialingPropertiesDialog();
    });
    fold();
}

void TapiConsoleWidget::attach(DialController* controller, Settings* settings) {
    m_controller = controller;
    m_settings = settings;
}

void TapiConsoleWidget::addInfo(const QString& text) {
    m_list->addItem(text);
    m_list->repaint();
}

void TapiConsoleWidget::addLineEntry(const QString& text) {
    const QSignalBlocker blocker(m_selector);
    m_selector->addItem(text);
    m_selector->setCurrentIndex(-1);
}

QStringList TapiConsoleWidget::lineEntries() const {
    QStringList entries;
    for (int i = 0; i < m_selector->count(); ++i)
        entries << m_selector->itemText(i);
    return entries;
}

void TapiConsoleWidget::selectLineEntry(int index) {
    if (m_selector->currentIndex() == index)
        listChosenLine();
    else
        m_selector->setCurrentIndex(index);
}

void TapiConsoleWidget::showDisabledText() {
    m_list->clear();
    m_list->addItem(LineInfoListing::DisabledText.toString());
}

void TapiConsoleWidget::listChosenLine() {
    if (!m_controller || !m_settings)
        return;
    const QStringList lines =
        LineInfoListing::forChoice(m_controller->tapiEnabled(), m_selector->currentText(),
                                   m_controller->tapiline(), *m_settings);
    m_list->clear();
    m_list->addItems(lines);
}

bool TapiConsoleWidget::isFolded() const {
    return m_showButton->text() == u"Show";
}

void TapiConsoleWidget::fold() {
    m_showButton->setText(QStringLiteral("Show"));
    m_list->move(twips(7000, 45));
    m_propertiesButton->hide();
    m_configButton->hide();
    m_selector->move(twips(315, 750));
    m_lineLabel->show();
    m_unfoldedHeading->hide();
    for (QFrame* line : m_frameLines)
        line->hide();
    m_foldedHeading->show();
}

void TapiConsoleWidget::unfold() {
    m_showButton->setText(QStringLiteral("Hide"));
    m_list->move(twips(45, 45));
    m_propertiesButton->show();
    m_configButton->show();
    m_selector->move(twips(3300, 2670));
    m_lineLabel->hide(); // the unfolded heading names the line column
    m_foldedHeading->hide();
    m_unfoldedHeading->show();
    for (QFrame* line : m_frameLines)
        line->show();
    if (m_controller && !m_controller->tapiEnabled()) {
        showDisabledText();
        m_propertiesButton->setEnabled(false);
        m_configButton->setEnabled(false);
    }
}

void TapiConsoleWidget::toggleFold() {
    if (isFolded())
        unfold();
    else
        fold();
}

void TapiConsoleWidget::setConsoleAvailable(bool available) {
    if (!available)
        fold();
    m_selector->setEnabled(available);
    m_showButton->setVisible(available);
    m_showButton->setEnabled(available);
    m_foldedHeading->setVisible(available && isFolded());
}

} // namespace orvelan
