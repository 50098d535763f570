#include "app/qt/StandInBook.h"

#include "ui/LabelButton.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>

namespace orvelan {

StandInBook::StandInBook(Session& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_session(session) {
    setObjectName(QStringLiteral("OrVelStandIn"));
    setWindowTitle(QStringLiteral("ORVELAN Secure Address Book"));
    resize(480, 360);
    m_layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* options = new LabelButton(QStringLiteral("PassLa"), QStringLiteral("Options"), this);
    auto* minimise = new LabelButton(QStringLiteral("AminoLa"), QStringLiteral("_"), this);
    auto* close = new LabelButton(QStringLiteral("CloseLa"), QStringLiteral("Close"), this);
    auto* version = new QLabel(session.versionText(), this);
    version->setObjectName(QStringLiteral("AverLa"));
    bar->addWidget(options);
    bar->addStretch();
    bar->addWidget(version);
    bar->addWidget(minimise);
    bar->addWidget(close);
    m_layout->addLayout(bar);
    m_page = new QLabel(this);
    m_page->setObjectName(QStringLiteral("RecnLa"));
    m_layout->addWidget(m_page, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLa"));
    m_layout->addWidget(m_status);
    connect(options, &LabelButton::clicked, this, &StandInBook::optionsRequested);
    connect(close, &LabelButton::clicked, this, &StandInBook::closeRequested);
    connect(minimise, &LabelButton::clicked, this, &StandInBook::minimiseRequested);
}

void StandInBook::setOptionsPanel(QWidget* panel) {
    panel->setParent(this);
    m_layout->insertWidget(2, panel);
}

void StandInBook::showFirstPage() {
    ++m_firstPageShown;
    PageStore& store = m_session.store();
    store.setCurrentTab(1);
    store.selectTabFile();
    store.setCurrentPage(1);
    m_page->setText(QString::fromLatin1(store.currentTabLabel()) + QStringLiteral(" 1"));
}

void StandInBook::setStatusText(const QString& text) {
    m_status->setText(text);
}

QString StandInBook::statusText() const {
    return m_status->text();
}

void StandInBook::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1)
        Q_EMIT helpRequested();
    else if (event->key() == Qt::Key_Escape)
        Q_EMIT escapePressed();
    else if (event->key() == Qt::Key_O && event->modifiers() & Qt::ControlModifier)
        Q_EMIT optionsRequested();
    else
        QWidget::keyPressEvent(event);
}

void StandInBook::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    else
        QWidget::mousePressEvent(event);
}

} // namespace orvelan

namespace orvelan {

void StandInBook::closeEvent(QCloseEvent* event) {
    // The book closes back to the closed book; it never ends the program by itself.
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace orvelan
