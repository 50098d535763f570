#include "book/qt/OptionsPanel.h"

#include "book/BlankPageRemoval.h"
#include "security/EncryptionChoice.h"
#include "security/PasswordDialogue.h"
#include "store/RuntimeError.h"
#include "telephony/PhoneNumbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>

namespace orvelan {

namespace {

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1StringView(name));
    return box;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QLatin1StringView(name));
    push->setAutoDefault(false);
    return push;
}

Tick tickOf(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return Tick::On;
    case Qt::PartiallyChecked:
        return Tick::Greyed;
    default:
        return Tick::Off;
    }
}

void setTick(QCheckBox* box, Tick tick) {
    box->setCheckState(tick == Tick::On       ? Qt::Checked
                       : tick == Tick::Greyed ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
}

} // namespace

OptionsPanel::OptionsPanel(Session& session, BookWindow* book, QWidget* parent)
    : QFrame(parent), m_session(session), m_book(book) {
    setObjectName(QStringLiteral("ConfigPBC"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    auto* security = new QGroupBox(QStringLiteral("Security"), this);
    m_usePassword = checkBox("UPassOSCk", QStringLiteral("Use Password On Start Up"), security);
    m_allowExt = checkBox("AllowEPCCk", QStringLiteral("Allow Ext Chars in Passwords"), security);
    m_clearPassword =
        checkBox("ClearExistingPWCk", QStringLiteral("Clear Existing Password"), security);
    m_defaultEncryption = checkBox("Check6", QStringLiteral("Use Default Encryption"), security);
    m_encryptBook = checkBox("EncryptBookCk", EncryptionChoice::caption(), security);
    m_enableMinimise =
        checkBox("DelBoECk", QStringLiteral("Enable ORVELAN to Minimise "), security);
    m_finishWithoutPrompting =
        checkBox("DelDNaCk", QStringLiteral("Finish Program without Prompting"), security);
    auto* securityLayout = new QVBoxLayout(security);
    for (QWidget* w : {m_usePassword, m_allowExt, m_clearPassword, m_encryptBook,
                       m_defaultEncryption, m_enableMinimise, m_finishWithoutPrompting})
        securityLayout->addWidget(w);

    auto* records = new QGroupBox(QStringLiteral("Records"), this);
    auto* recordsLayout = new QGridLayout(records);
    recordsLayout->addWidget(button("DelBlankBu", QStringLiteral("Remove"), records), 0, 0);
    recordsLayout->addWidget(new QLabel(QStringLiteral("all blank (deleted) pages"), records), 0,
                             1);
    recordsLayout->addWidget(button("ImportBu", QStringLiteral("Import..."), records), 1, 0);
    recordsLayout->addWidget(button("ExportBu", QStringLiteral("Export..."), records), 1, 1);
    recordsLayout->addWidget(button("SyncBu", QStringLiteral("Sync..."), records), 2, 0);
    recordsLayout->addWidget(button("TrashBu", QStringLiteral("Trash..."), records), 2, 1);
    recordsLayout->addWidget(button("DupesBu", QStringLiteral("Duplicates..."), records), 3, 0);

    auto* dial = new QGroupBox(QStringLiteral("Dial"), this);
    auto* dialLayout = new QGridLayout(dial);
    m_dialFieldFollows = checkBox("DFFPTCk", QStringLiteral("Dial-Field Follows Page Turn"), dial);
    m_dialMethod = new QComboBox(dial);
    m_dialMethod->setObjectName(QStringLiteral("ComSelectCB"));
    m_dialMethod->addItems(dialMethodTexts());
    m_port = new QComboBox(dial);
    m_port->setObjectName(QStringLiteral("PortSelectCb"));
    m_port->addItems(serialPortTexts());
    m_showTapi = button("ConfShowTAPIBu", QStringLiteral("Show"), dial);
    dialLayout->addWidget(m_dialFieldFollows, 0, 0, 1, 3);
    dialLayout->addWidget(new QLabel(QStringLiteral("Dialing Method:"), dial), 1, 0);
    dialLayout->addWidget(m_dialMethod, 1, 1);
    dialLayout->addWidget(m_showTapi, 1, 2);
    dialLayout->addWidget(new QLabel(QStringLiteral("Port"), dial), 2, 0);
    dialLayout->addWidget(m_port, 2, 1);
    dialLayout->addWidget(button("cmdDialProps", QStringLiteral("Properties"), dial), 3, 0);
    dialLayout->addWidget(button("cmdConfigDlg", QStringLiteral("Config"), dial), 3, 1);
    // Numbers written without "+country" are read as numbers of this country.
    m_phoneRegion = new QComboBox(dial);
    m_phoneRegion->setObjectName(QStringLiteral("PhoneRegionCb"));
    m_phoneRegion->setAccessibleName(QStringLiteral("Home region of telephone numbers"));
    for (const QString& region : PhoneNumbers::knownRegions()) {
        const QString name = QLocale::territoryToString(QLocale::codeToTerritory(region));
        m_phoneRegion->addItem(region + QStringLiteral("  ") + name, region);
    }
    // As wide as the other choices: long country names scroll in the list.
    m_phoneRegion->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_phoneRegion->setMinimumContentsLength(12);
    auto* regionLabel = new QLabel(QStringLiteral("Home region:"), dial);
    regionLabel->setBuddy(m_phoneRegion);
    dialLayout->addWidget(regionLabel, 4, 0);
    dialLayout->addWidget(m_phoneRegion, 4, 1, 1, 2);

    // The telephony line's selector and console belong to the Dial box, beside its choices.
    m_tapiHolder = new QWidget(dial);
    m_tapiHolder->setObjectName(QStringLiteral("TapiArea"));
    m_tapiLayout = new QVBoxLayout(m_tapiHolder);
    m_tapiLayout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(QStringLiteral("TAPI Consol   "), m_tapiHolder);
    heading->setObjectName(QStringLiteral("TapiConsolLa"));
    m_tapiLayout->addWidget(heading);
    auto* lineHeading = new QLabel(QStringLiteral("TAPI Line#"), m_tapiHolder);
    lineHeading->setObjectName(QStringLiteral("TapiLineLa"));
    m_tapiLayout->addWidget(lineHeading);

    auto* ok = button("ConfCloseBu", QStringLiteral("Ok"), this);
    auto* grid = new QGridLayout(this);
    dialLayout->addWidget(m_tapiHolder, 0, 3, 6, 1, Qt::AlignTop);
    dialLayout->setRowStretch(5, 1); // the choices keep together at the top
    dialLayout->setContentsMargins(6, 4, 6, 4);
    grid->addWidget(security, 0, 0);
    grid->addWidget(records, 0, 1, Qt::AlignTop);
    grid->addWidget(dial, 1, 0, 1, 2);
    // Ok under the Records box leaves the Dial box the room of the whole console.
    grid->addWidget(ok, 0, 1, Qt::AlignRight | Qt::AlignBottom);

    connect(ok, &QPushButton::clicked, this, &OptionsPanel::closeAndStore);
    connect(findChild<QPushButton*>(QStringLiteral("DelBlankBu")), &QPushButton::clicked, this,
            &OptionsPanel::removeBlankPages);
    // Import may show page 1 of tab 1 afterwards: a changed page is offered for saving first.
    connect(findChild<QPushButton*>(QStringLiteral("ImportBu")), &QPushButton::clicked, this,
            [this] {
                if (!m_book || m_book->mayLeavePage())
                    Q_EMIT importRequested();
            });
    connect(findChild<QPushButton*>(QStringLiteral("ExportBu")), &QPushButton::clicked, this,
            [this] {
                if (!m_book || m_book->mayLeavePage())
                    Q_EMIT exportRequested();
            });
    // A sync may change any page: a changed page is offered for saving first.
    connect(findChild<QPushButton*>(QStringLiteral("SyncBu")), &QPushButton::clicked, this, [this] {
        if (!m_book || m_book->mayLeavePage())
            Q_EMIT syncRequested();
    });
    // Restoring writes a page into its tab: a changed page is offered for saving first.
    connect(findChild<QPushButton*>(QStringLiteral("TrashBu")), &QPushButton::clicked, this,
            [this] {
                if (!m_book || m_book->mayLeavePage())
                    Q_EMIT trashRequested();
            });
    // A merge rewrites pages: a changed page is offered for saving first.
    connect(findChild<QPushButton*>(QStringLiteral("DupesBu")), &QPushButton::clicked, this,
            [this] {
                if (!m_book || m_book->mayLeavePage())
                    Q_EMIT duplicatesRequested();
            });
    connect(m_showTapi, &QPushButton::clicked, this, &OptionsPanel::tapiShowRequested);
    connect(findChild<QPushButton*>(QStringLiteral("cmdDialProps")), &QPushButton::clicked, this,
            &OptionsPanel::dialPropertiesRequested);
    connect(findChild<QPushButton*>(QStringLiteral("cmdConfigDlg")), &QPushButton::clicked, this,
            &OptionsPanel::lineConfigRequested);
    connect(m_dialMethod, &QComboBox::textActivated, this, [this](const QString& text) {
        applyDialLayout(chooseDialMethod(text, m_session.settings()));
    });
    connect(m_usePassword, &QCheckBox::toggled, this, &OptionsPanel::usePasswordToggled);
    connect(m_clearPassword, &QCheckBox::toggled, this, &OptionsPanel::clearPasswordToggled);
    connect(m_encryptBook, &QCheckBox::toggled, this, &OptionsPanel::encryptBookToggled);
    hide();
}

OptionsState OptionsPanel::state() const {
    OptionsState state;
    state.dialFieldFollowsPageTurn = tickOf(m_dialFieldFollows);
    state.usePasswordOnStartUp = tickOf(m_usePassword);
    state.allowExtCharsInPasswords = tickOf(m_allowExt);
    state.enableMinimise = tickOf(m_enableMinimise);
    state.finishWithoutPrompting = tickOf(m_finishWithoutPrompting);
    state.dialMethodText = m_dialMethod->currentText();
    state.portText = m_port->currentText();
    state.clearExistingPassword = m_clearPassword->isChecked();
    return state;
}

void OptionsPanel::display(const OptionsState& state) {
    m_filling = true;
    setTick(m_dialFieldFollows, state.dialFieldFollowsPageTurn);
    setTick(m_usePassword, state.usePasswordOnStartUp);
    setTick(m_allowExt, state.allowExtCharsInPasswords);
    setTick(m_enableMinimise, state.enableMinimise);
    setTick(m_finishWithoutPrompting, state.finishWithoutPrompting);
    m_dialMethod->setCurrentText(state.dialMethodText);
    m_port->setCurrentText(state.portText);
    m_clearPassword->setChecked(state.clearExistingPassword);
    m_clearPassword->setEnabled(state.usePasswordOnStartUp == Tick::On);
    m_filling = false;
}

void OptionsPanel::fillFromSettings() {
    display(fillOptions(m_session.settings()));
    const QSignalBlocker blocker(m_encryptBook);
    m_encryptBook->setChecked(m_session.folder().sealing().encrypted());
    applyDialLayout(dialLayoutFor(m_session.settings().dialMethod()));
    m_phoneRegion->setCurrentIndex(
        m_phoneRegion->findData(phoneRegionSetting(m_session.folder().configPath())));
}

void OptionsPanel::storePhoneRegion() {
    const QString path = m_session.folder().configPath();
    const QString chosen = m_phoneRegion->currentData().toString();
    if (chosen.isEmpty() || chosen == phoneRegionSetting(path))
        return;
    const int error = setPhoneRegionSetting(path, chosen);
    if (error != 0)
        m_session.services().prompter.ask(
            {QStringLiteral("ORVELAN Error"),
             QStringLiteral(" The home region could not be written to ") + path +
                 QStringLiteral(": ") + describeRuntimeError(error) + QStringLiteral(" "),
             PromptIcon::Exclamation, PromptButtons::Ok});
}

void OptionsPanel::open() {
    setVisible(true);
    raise();
    Q_EMIT opened();
}

void OptionsPanel::closeAndStore() {
    OptionsState current = state();
    storeOptions(current, m_session.settings());
    display(current);
    m_session.saveSettings();
    storePhoneRegion();
    setVisible(false);
    Q_EMIT closed();
}

void OptionsPanel::removeBlankPages() {
    // Pages are renumbered: a changed page is saved (or its changes dropped) first.
    if (m_book && !m_book->mayLeavePage())
        return;
    closeAndStore();
    if (m_book)
        removeBlankPagesWithStatus(m_session, *m_book);
}

void OptionsPanel::setTapiArea(QWidget* area) {
    if (m_tapiArea)
        m_tapiLayout->removeWidget(m_tapiArea);
    m_tapiArea = area;
    if (area) {
        // Controls the telephony area brings itself replace the panel's placeholders of the same
        // name, so every control name stays unique in the window.
        for (const char* name : {"ConfShowTAPIBu", "cmdDialProps", "cmdConfigDlg", "TapiLineLa"}) {
            const QLatin1StringView objectName(name);
            if (!area->findChild<QWidget*>(objectName))
                continue;
            for (QWidget* placeholder : findChildren<QWidget*>(objectName)) {
                if (!area->isAncestorOf(placeholder))
                    delete placeholder;
            }
        }
        if (area->findChild<QWidget*>(QStringLiteral("Label23")))
            delete findChild<QWidget*>(QStringLiteral("TapiConsolLa"));
        area->setParent(m_tapiHolder);
        m_tapiLayout->addWidget(area);
    }
    applyDialLayout(dialLayoutFor(m_session.settings().dialMethod()));
}

void OptionsPanel::applyDialLayout(const DialLayout& layout) {
    m_port->setEnabled(layout.portEnabled);
    if (m_tapiArea) {
        if (auto* lineSelector = m_tapiArea->findChild<QWidget*>(QStringLiteral("cboLineSel")))
            lineSelector->setEnabled(layout.lineSelectorEnabled);
    }
    if (m_showTapi) {
        m_showTapi->setVisible(layout.tapiShowVisible);
        m_showTapi->setEnabled(layout.tapiShowVisible);
    }
    // The TAPI console's heading and dialog buttons belong to the TAPI method only. A telephony
    // area that brings its own shows them as its fold says (dialLayoutApplied tells it).
    for (const char* name : {"TapiConsolLa", "cmdDialProps", "cmdConfigDlg"}) {
        auto* control = findChild<QWidget*>(QLatin1StringView(name));
        if (control && !(m_tapiArea && m_tapiArea->isAncestorOf(control)))
            control->setVisible(layout.tapiShowVisible);
    }
    if (!layout.tapiShowVisible) {
        if (m_showTapi)
            m_showTapi->setText(QStringLiteral("Show"));
        Q_EMIT tapiConsoleClosed();
    }
    Q_EMIT dialLayoutApplied(layout.tapiShowVisible);
}

void OptionsPanel::usePasswordToggled(bool on) {
    m_clearPassword->setEnabled(on);
    if (on && !m_filling) {
        const QSignalBlocker blocker(m_clearPassword);
        m_clearPassword->setChecked(false);
    }
}

void OptionsPanel::encryptBookToggled(bool on) {
    if (m_filling)
        return;
    // A changed page is offered for saving first: converting rewrites every file.
    bool encrypted = m_session.folder().sealing().encrypted();
    if (!m_book || m_book->mayLeavePage()) {
        QProgressDialog progress(on ? QStringLiteral("Encrypting the book...")
                                    : QStringLiteral("Decrypting the book..."),
                                 QString(), 0, 100, this);
        progress.setObjectName(QStringLiteral("EncryptProgress"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        const auto ask = [this](const QString& title,
                                const QString& text) -> std::optional<QString> {
            bool ok = false;
            const QString typed =
                QInputDialog::getText(this, title, text, QLineEdit::Password, QString(), &ok);
            return ok ? std::optional<QString>(typed) : std::nullopt;
        };
        const auto advance = [&progress](double fraction) {
            progress.setValue(int(fraction * 100));
        };
        EncryptionChoice choice(m_session, ask, advance);
        encrypted = on ? choice.encrypt() : choice.decrypt();
        progress.setValue(100);
    }
    const QSignalBlocker blocker(m_encryptBook);
    m_encryptBook->setChecked(encrypted);
    if (encrypted) {
        const QSignalBlocker passwordBlocker(m_usePassword);
        m_usePassword->setChecked(true);
    }
}

void OptionsPanel::clearPasswordToggled(bool on) {
    if (!on || m_filling)
        return;
    const bool stayTicked =
        clearStoredPassword(m_session.settings(), m_session.services().prompter);
    if (!stayTicked) {
        const QSignalBlocker blocker(m_clearPassword);
        m_clearPassword->setChecked(false);
    }
}

} // namespace orvelan
