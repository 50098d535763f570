#include "exchange/qt/ExportWindow.h"

#include "store/StoreMessages.h"

#include "exchange/ExchangeHost.h"
#include "exchange/Export.h"
#include "platform/FileDialogs.h"
#include "store/Session.h"
#include "store/TabTable.h"
#include "ui/ScreenOf.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace orvelan {

namespace {
const QString ExportTitle = QStringLiteral("ORVELAN Expport");
}

ExportWindow::ExportWindow(Session& session, FileDialogs& dialogs, ExchangeHost& host,
                           QWidget* parent)
    : DraggableWindow(parent), m_session(session), m_dialogs(dialogs), m_host(host) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("EXPORT Records"));
    build();
}

void ExportWindow::build() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("EXPORT Records"), this));

    auto* findRow = new QHBoxLayout;
    m_text2 = new QLineEdit(this);
    m_text2->setObjectName(QStringLiteral("EXText2"));
    m_text2->installEventFilter(this);
    m_findLa = new LabelButton(QStringLiteral("EXFindLa"), QStringLiteral("Find"), this);
    findRow->addWidget(m_text2);
    findRow->addWidget(m_findLa);
    layout->addLayout(findRow);

    m_list1 = addRecordList(layout, QStringLiteral("EXList1"), this);

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("EXInfo"));
    layout->addWidget(m_info);

    auto* options = new QHBoxLayout;
    m_allFLa = new LabelButton(QStringLiteral("EXAllFLa"), QStringLiteral("All Files"), this);
    m_selectedLA =
        new LabelButton(QStringLiteral("EXSelectedLA"), QStringLiteral("Selected"), this);
    m_csvBy = new LabelButton(QStringLiteral("ExpCSVBy"), QStringLiteral("As CSV"), this);
    m_ebfBu = new LabelButton(QStringLiteral("ExpEBFBu"), QStringLiteral("As EAB"), this);
    m_ansiBy = new LabelButton(QStringLiteral("ExpAnsiBy"), QStringLiteral("Windows-1252"), this);
    m_utf8By = new LabelButton(QStringLiteral("ExpUtf8By"), QStringLiteral("UTF-8"), this);
    m_ansiBy->setToolTip(QStringLiteral("CSV text as older programs read it"));
    m_utf8By->setToolTip(QStringLiteral("CSV text for programs that assume UTF-8"));
    m_vcfBy = new LabelButton(QStringLiteral("ExpVCFBy"), QStringLiteral("As vCard"), this);
    m_doExportLA = new LabelButton(QStringLiteral("EXDOEXPLA"), QStringLiteral("EXPORT"), this);
    m_clearLa = new LabelButton(QStringLiteral("EXClearLa"), QStringLiteral("Clear"), this);
    m_cancelLa = new LabelButton(QStringLiteral("EXCancelLa"), QStringLiteral("Close"), this);
    makeOptionPair(m_allFLa, m_selectedLA);
    makeOptionGroup({m_csvBy, m_ebfBu, m_vcfBy});
    makeOptionPair(m_ansiBy, m_utf8By);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_allFLa, m_selectedLA, m_csvBy, m_ebfBu, m_vcfBy,
                                         m_ansiBy, m_utf8By, m_doExportLA, m_clearLa, m_cancelLa})
        options->addWidget(w);
    layout->addLayout(options);

    connect(m_findLa, &LabelButton::clicked, this, &ExportWindow::find);
    connect(m_doExportLA, &LabelButton::clicked, this, &ExportWindow::exportFile);
    connect(m_clearLa, &LabelButton::clicked, this, &ExportWindow::clear);
    connect(m_cancelLa, &LabelButton::clicked, this, &ExportWindow::closeWindow);
}

void ExportWindow::open() {
    PageStore& store = m_session.store();
    m_saved = {store.currentTab(), store.currentPage()};
    const QRect frame = m_host.bookFrame();
    if (frame.isValid()) {
        const QPoint beside(frame.left() + 400 / 15, frame.top() + 800 / 15);
        move(keptInside(beside, size(), screenAreaAt(beside, size())));
    }
    choose(m_allFLa, m_selectedLA);
    chooseOne(m_ebfBu, {m_csvBy, m_ebfBu, m_vcfBy});
    choose(m_ansiBy, m_utf8By);
    setInfo(QStringLiteral("EXPORT  Ready"));
    show();
    raise();
    activateWindow();
}

void ExportWindow::setInfo(const QString& text, bool blue) {
    m_info->setText(text);
    setInfoColour(m_info, blue);
}

void ExportWindow::pause(double seconds) {
    m_session.services().clock.pause(seconds);
}

void ExportWindow::tell(const QString& text) {
    m_session.services().prompter.ask(
        {ExportTitle, text, PromptIcon::Exclamation, PromptButtons::Ok});
}

void ExportWindow::find() {
    if (m_busy)
        return;
    m_busy = true;
    pause(0.05);
    m_list1->clear();
    const QString text = m_text2->text().trimmed();
    m_unreadTabs.clear();
    m_damagedFound = 0;
    m_listed = findPages(
        m_session.folder(), text,
        [this](qsizetype listed) {
            if (listed > BusyNoticeAfter)
                setInfo(QStringLiteral("Searching..."));
            QCoreApplication::processEvents();
        },
        &m_unreadTabs, &m_damagedFound);
    QStringList lines;
    lines.reserve(m_listed.size());
    for (const ListedRecord& entry : m_listed)
        lines.append(entry.line);
    m_list1->addItems(lines);
    publishResults(m_listed, m_session.searchResults());
    const qsizetype count = m_listed.size();
    if (count == 0)
        setInfo({}, true);
    else if (count == 1)
        setInfo(QStringLiteral("1  Page Found"));
    else if (!text.isEmpty())
        setInfo(QStringLiteral("Found:  %1  Pages").arg(count));
    else
        setInfo(QStringLiteral("%1  Pages Listed").arg(count));
    m_busy = false;
}

void ExportWindow::exportFile() {
    if (m_busy)
        return;
    if (m_list1->count() == 0) {
        tell(QStringLiteral("Can't Create EXPORT File:  There are no Files Listed to EXPORT    "));
        return;
    }
    QList<ListedRecord> chosen;
    if (isChosen(m_selectedLA)) {
        chosen = selectedRecords(m_list1, m_listed);
        if (chosen.isEmpty()) {
            tell(QStringLiteral(
                "Can't Create EXPORT File:  There are no Files Selected to EXPORT    "));
            return;
        }
    } else {
        chosen = m_listed;
        // All files means the whole book: a tab the listing could not read is not left out.
        if (!m_unreadTabs.isEmpty()) {
            tell(QStringLiteral("Can't Create EXPORT File:  Cannot read ") +
                 tabFileName(m_unreadTabs.first()) +
                 QStringLiteral("; its pages would be missing. Nothing was exported.    "));
            return;
        }
    }
    const bool eab = isChosen(m_ebfBu);
    const bool vcard = isChosen(m_vcfBy);
    const QString extension = eab     ? QStringLiteral(".eab")
                              : vcard ? QStringLiteral(".vcf")
                                      : QStringLiteral(".csv");
    QString path = vcard ? m_dialogs.saveFileName(QStringLiteral("Save vCard EXPORT File"),
                                                  QStringLiteral("Save EXPORT File (*.vcf)|*.vcf"),
                                                  extension, m_host.exchangeFolder())
                   : eab ? m_dialogs.saveFileName(QStringLiteral("Save ORVELAN EXPORT File"),
                                                  QStringLiteral("Save EXPORT File (*.eab)|*.eab"),
                                                  extension, m_host.exchangeFolder())
                         : m_dialogs.saveFileName(QStringLiteral("Save GENERIC EXPORT File"),
                                                  QStringLiteral("Save EXPORT File (*.csv)|*.csv"),
                                                  extension, m_host.exchangeFolder());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += extension;
    m_host.setExchangeFolder(QFileInfo(path).absolutePath());

    m_busy = true;
    const Yield yield = [] { QCoreApplication::processEvents(); };
    setInfo(QStringLiteral("Removing Old Files"));
    pause(0.15);
    if (eab) {
        removeExportWorkFiles(m_session.folder());
        setInfo(QStringLiteral("Extracting Export Records"));
        pause(0.15);
        setInfo(QStringLiteral("Creating EXPORT File.."));
        pause(0.4);
    } else {
        setInfo(QStringLiteral("Extracting Export Records"));
        pause(0.3);
        setInfo(QStringLiteral("Creating EXPORT File.."));
    }
    ExportCounts counts;
    const QString problem =
        exportToFile(path,
                     eab     ? ExportFormat::Eab
                     : vcard ? ExportFormat::VCard30
                             : ExportFormat::Csv,
                     m_session.folder(), chosen, yield,
                     isChosen(m_utf8By) ? CsvEncoding::Utf8 : CsvEncoding::Windows1252, &counts);
    if (eab)
        removeExportWorkFiles(m_session.folder());
    m_busy = false;
    if (!problem.isEmpty()) {
        // A failed write is reported, never shown as done; an older file there stays whole.
        setInfo({});
        tell(QStringLiteral("Can't Create EXPORT File:  ") + problem + QStringLiteral("    "));
        return;
    }
    if (!eab)
        pause(0.2);
    setInfo(QStringLiteral("Done"));
    pause(eab ? 0.4 : 0.3);
    setInfo(QStringLiteral("EXPORT Ready..."));
    // The count and the path, and any character Windows-1252 could not hold.
    QString told = QStringLiteral("Exported %1 page(s) to %2")
                       .arg(chosen.size() - counts.damaged)
                       .arg(QDir::toNativeSeparators(path));
    const QString notice = unmappableNotice(counts);
    if (!notice.isEmpty())
        told += u'\n' + notice;
    // Damaged pages were passed over by the search, or found damaged while exporting.
    const QString damaged = damagedLeftOutNotice(m_damagedFound + counts.damaged);
    if (!damaged.isEmpty())
        told += u'\n' + damaged;
    if (m_session.folder().sealing().encrypted())
        told += u'\n' + plainCopyNotice();
    m_session.services().prompter.ask(
        {ExportTitle, told,
         notice.isEmpty() && damaged.isEmpty() ? PromptIcon::Information : PromptIcon::Exclamation,
         PromptButtons::Ok});
}

void ExportWindow::clear() {
    m_list1->clear();
    m_listed.clear();
}

void ExportWindow::closeWindow() {
    if (m_busy)
        return;
    PageStore& store = m_session.store();
    store.setCurrentTab(m_saved.tab);
    store.selectTabFile();
    store.setCurrentPage(m_saved.page);
    store.tabLabel();
    m_host.restorePosition();
    hide();
    Q_EMIT closed();
}

void ExportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        closeWindow();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        m_host.openHelpPage(QStringLiteral("useage_exp.htm"));
        return;
    }
    DraggableWindow::keyPressEvent(event);
}

bool ExportWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            find();
            return true;
        }
    }
    return DraggableWindow::eventFilter(watched, event);
}

} // namespace orvelan
