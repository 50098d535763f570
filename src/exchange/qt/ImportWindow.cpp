#include "exchange/qt/ImportWindow.h"

#include "exchange/ExchangeHost.h"
#include "exchange/ImportAgainstBook.h"
#include "exchange/csv/CsvImport.h"
#include "exchange/eab/EabContainer.h"
#include "exchange/vcard/VCardImport.h"
#include "platform/FileDialogs.h"
#include "store/RuntimeError.h"
#include "store/Session.h"
#include "store/StoreMessages.h"
#include "ui/ScreenOf.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace orvelan {

namespace {

const QString ImportTitle = QStringLiteral("ORVELAN Import");
const QString MapTitle = QStringLiteral("ORVLEAN Import");
const QString ReadingError =
    QStringLiteral("Error(s) Reading Import-File Record Data, Some or All fields may be lost     ");

// Twips to pixels: 15 twips to the pixel.
constexpr int MapPanelAway = 6000 / 15;

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    return label;
}

} // namespace

ImportWindow::ImportWindow(Session& session, FileDialogs& dialogs, ExchangeHost& host,
                           QWidget* parent)
    : DraggableWindow(parent), m_session(session), m_dialogs(dialogs), m_host(host),
      m_staging(session.folder()) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(ImportTitle);
    build();
}

void ImportWindow::build() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(ImportTitle, this));

    auto* kind = new QHBoxLayout;
    m_csvBy = new LabelButton(QStringLiteral("IMPCSVBy"), QStringLiteral("As CSV"), this);
    m_ebfBu = new LabelButton(QStringLiteral("IMPEBFBu"), QStringLiteral("As EAB"), this);
    m_vcfBy = new LabelButton(QStringLiteral("IMPVCFBy"), QStringLiteral("As vCard"), this);
    makeOptionGroup({m_csvBy, m_ebfBu, m_vcfBy});
    m_openF = button(QStringLiteral("IMPOpenF"), QStringLiteral("Import  File"), this);
    kind->addWidget(m_csvBy);
    kind->addWidget(m_ebfBu);
    kind->addWidget(m_vcfBy);
    kind->addWidget(m_openF);
    kind->addStretch();
    layout->addLayout(kind);

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("IMPInfo"));
    layout->addWidget(m_info);

    m_list1 = addRecordList(layout, QStringLiteral("IMPList1"), this);
    m_list1->setToolTip(QStringLiteral("IMPORT Records"));

    auto* selection = new QHBoxLayout;
    m_allFLa = new LabelButton(QStringLiteral("IMPAllFLa"), QStringLiteral("All Files"), this);
    m_selectedLA =
        new LabelButton(QStringLiteral("IMPSelectedLA"), QStringLiteral("Selected"), this);
    makeOptionPair(m_allFLa, m_selectedLA);
    m_findTb = new QLineEdit(this);
    m_findTb->setObjectName(QStringLiteral("IMPFindTb"));
    m_findTb->setPlaceholderText(QStringLiteral("Import Filter"));
    m_find = button(QStringLiteral("IMPFind"), QStringLiteral("Select"), this);
    m_importLA = new LabelButton(QStringLiteral("IMPImportLA"), QStringLiteral("IMPORT"), this);
    m_clear = button(QStringLiteral("IMPClear"), QStringLiteral("Clear"), this);
    m_cancelLa = new LabelButton(QStringLiteral("IMPCancelLa"), QStringLiteral("Close"), this);
    for (QWidget* w : std::initializer_list<QWidget*>{m_allFLa, m_selectedLA, m_findTb, m_find,
                                                      m_importLA, m_clear, m_cancelLa})
        selection->addWidget(w);
    layout->addLayout(selection);
    // What becomes of records that meet a page of the book.
    m_duplicates = new QComboBox(this);
    m_duplicates->setObjectName(QStringLiteral("IMPDuplicatesCB"));
    m_duplicates->addItem(QStringLiteral("Skip records already in the book"),
                          int(ImportDuplicates::Skip));
    m_duplicates->addItem(QStringLiteral("Merge look-alikes into their pages"),
                          int(ImportDuplicates::Merge));
    m_duplicates->addItem(QStringLiteral("Import every record"), int(ImportDuplicates::Keep));
    m_duplicates->setToolTip(
        QStringLiteral("A record already in the book adds nothing to a page that looks like it"));
    layout->addWidget(m_duplicates);

    // The mapping panel floats over the window and is moved out of view when not in use.
    m_map = new QFrame(this);
    m_map->setObjectName(QStringLiteral("picMAP"));
    m_map->setFrameShape(QFrame::Box);
    m_map->setAutoFillBackground(true);
    auto* grid = new QGridLayout(m_map);
    grid->addWidget(heading(QStringLiteral("Map Import Fields as..."), m_map), 0, 0, 1, 3);
    grid->addWidget(heading(QStringLiteral("Fields Found in csv File"), m_map), 1, 0);
    grid->addWidget(heading(QStringLiteral("Std. ORVELAN Fields"), m_map), 1, 2);
    m_srcList = makeFixedPitchList(QStringLiteral("SrcList"), m_map);
    // Two columns selected together map as one joined name ("First Name" + "Last Name").
    m_srcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_orvelList = makeFixedPitchList(QStringLiteral("OrvelList"), m_map);
    grid->addWidget(m_srcList, 2, 0, 6, 1);
    grid->addWidget(m_orvelList, 2, 2, 6, 1);
    auto* add = button(QStringLiteral("impMapAdd"), QStringLiteral("Add  >"), m_map);
    auto* remove = button(QStringLiteral("impMapRemove"), QStringLiteral("< Remove"), m_map);
    auto* autoMapButton = button(QStringLiteral("IMPAutoMap"), QStringLiteral("Auto  >"), m_map);
    auto* ok = button(QStringLiteral("impMapOk"), QStringLiteral("OK"), m_map);
    auto* cancel = button(QStringLiteral("impMapCancel"), QStringLiteral("Cancel"), m_map);
    auto* close = button(QStringLiteral("impMapClose"), QStringLiteral("Close"), m_map);
    int row = 2;
    for (QPushButton* b : {add, remove, autoMapButton, ok, cancel, close})
        grid->addWidget(b, row++, 1);
    // Tall enough to show most of the 26 page fields without scrolling.
    m_srcList->setMinimumHeight(300);
    m_orvelList->setMinimumHeight(300);
    m_map->resize(640, 360);
    m_map->hide();

    connect(m_openF, &QPushButton::clicked, this, &ImportWindow::openFile);
    connect(add, &QPushButton::clicked, this, &ImportWindow::addMapping);
    connect(remove, &QPushButton::clicked, this, &ImportWindow::removeMapping);
    connect(autoMapButton, &QPushButton::clicked, this, &ImportWindow::autoMap);
    connect(ok, &QPushButton::clicked, this, &ImportWindow::readData);
    connect(cancel, &QPushButton::clicked, this, [this] { showMapPanel(false); });
    connect(close, &QPushButton::clicked, this, [this] { closeWindow(false); });
    connect(m_find, &QPushButton::clicked, this, &ImportWindow::filter);
    connect(m_importLA, &LabelButton::clicked, this, &ImportWindow::importRecords);
    connect(m_clear, &QPushButton::clicked, this, &ImportWindow::clear);
    connect(m_cancelLa, &LabelButton::clicked, this, [this] { closeWindow(true); });

    chooseOne(m_ebfBu, {m_csvBy, m_ebfBu, m_vcfBy});
    choose(m_allFLa, m_selectedLA);
    setInfo(QStringLiteral("IMPORT  Ready"));
}

void ImportWindow::open() {
    const QRect frame = m_host.bookFrame();
    if (frame.isValid()) {
        const QPoint beside(frame.left() + 400 / 15, frame.top() + 800 / 15);
        move(keptInside(beside, size(), screenAreaAt(beside, size())));
    }
    showMapPanel(false);
    setInfo(QStringLiteral("IMPORT  Ready"));
    show();
    raise();
    activateWindow();
}

bool ImportWindow::mapPanelInView() const {
    return m_map->isVisibleTo(this) && m_map->y() < MapPanelAway;
}

void ImportWindow::showMapPanel(bool inView) {
    if (!inView) {
        m_map->move(0, MapPanelAway);
        m_map->hide();
        return;
    }
    // The panel lies below the status label, so every notice of reading stays in sight.
    fitMappingLists();
    const int top = m_info->geometry().bottom() + 4;
    m_map->move(0, top);
    const QSize needed(std::max(width(), m_map->width()),
                       std::max(height(), top + m_map->height()));
    if (needed != size())
        resize(needed);
    m_map->show();
    m_map->raise();
}

void ImportWindow::fitMappingLists() {
    const auto fit = [](QListWidget* list) {
        int widest = 0;
        const QFontMetrics metrics(list->font());
        for (int row = 0; row < list->count(); ++row)
            widest = std::max(widest, metrics.horizontalAdvance(list->item(row)->text()));
        const int frame =
            2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width() + 8;
        list->setMinimumWidth(std::max(160, widest + frame));
    };
    fit(m_srcList);
    fit(m_orvelList);
    m_map->adjustSize();
}

void ImportWindow::rememberFolder(const QString& path) {
    m_host.setExchangeFolder(QFileInfo(path).absolutePath());
}

void ImportWindow::showSummary() {
    m_session.services().prompter.ask(
        {ImportTitle, m_summary.text(), PromptIcon::Information, PromptButtons::Ok});
}

void ImportWindow::setInfo(const QString& text, bool blue) {
    m_info->setText(text);
    setInfoColour(m_info, blue);
}

void ImportWindow::pause(double seconds) {
    m_session.services().clock.pause(seconds);
}

void ImportWindow::tell(const QString& title, const QString& text) {
    m_session.services().prompter.ask({title, text, PromptIcon::Exclamation, PromptButtons::Ok});
}

Yield ImportWindow::yielder() {
    return [] { QCoreApplication::processEvents(); };
}

TabProgress ImportWindow::progress(const QString& busyText) {
    return [this, busyText](qsizetype listed) {
        if (listed > BusyNoticeAfter)
            setInfo(busyText);
        QCoreApplication::processEvents();
    };
}

void ImportWindow::openFile() {
    if (m_busy)
        return;
    if (isChosen(m_vcfBy)) {
        const QString path = m_dialogs.openFileName(
            QStringLiteral("Open vCard File"),
            QStringLiteral("Open vCard IMPORT File (*.vcf *.vcard)|*.vcf;*.vcard"),
            QStringLiteral(".vcf"), m_host.exchangeFolder());
        if (path.isEmpty())
            return;
        rememberFolder(path);
        m_importFilePath = path;
        readVCards();
        return;
    }
    const bool eab = isChosen(m_ebfBu);
    const QString path =
        eab ? m_dialogs.openFileName(QStringLiteral("Open ORVELAN Encrypted Adress Book File"),
                                     QStringLiteral("Open ORVELAN IMPORT File (*.eab)|*.eab"),
                                     QStringLiteral(".eab"), m_host.exchangeFolder())
            : m_dialogs.openFileName(QStringLiteral("Open ORVELAN MPORT File"),
                                     QStringLiteral("Open Generic IMPORT File (*.csv)|*.csv"),
                                     QStringLiteral(".csv"), m_host.exchangeFolder());
    if (path.isEmpty())
        return;
    rememberFolder(path);
    m_importFilePath = path;
    if (eab) {
        readContainer();
        return;
    }
    showMapPanel(true);
    readHeader();
}

void ImportWindow::reloadFieldList() {
    const int current = m_orvelList->currentRow();
    m_orvelList->clear();
    for (const QString& line : m_mapping.lines())
        m_orvelList->addItem(line);
    if (current >= 0)
        m_orvelList->setCurrentRow(current);
    if (mapPanelInView())
        showMapPanel(true);
}

void ImportWindow::readHeader() {
    // A new file starts with empty lists: no columns of an earlier file stay behind.
    m_mapping.setColumns({});
    m_srcList->clear();
    reloadFieldList();
    if (m_importFilePath.right(3).toUpper() != QStringLiteral("CSV")) {
        tell(ImportTitle, QStringLiteral("Can't Read Import File - Check that a Valid File has "
                                         "been Opened    "));
        showMapPanel(false);
        return;
    }
    m_busy = true;
    setInfo(QStringLiteral("Reading Header.."));
    pause(0.7);
    int error = importFileError(m_importFilePath);
    CsvText text = CsvText::fromFile(error ? QString() : m_importFilePath);
    if (!error)
        error = text.readError();
    if (error == RuntimeError::BadFileNameOrNumber || error == RuntimeError::FileNotFound) {
        tell(QStringLiteral("ORVELAN Import OS-12") + QString::number(error),
             QStringLiteral(
                 "Import Error:  Can't Find or Open the current Import-Records File      "));
        setInfo({});
        m_busy = false;
        return;
    }
    if (error == RuntimeError::PathFileAccessError || error == RuntimeError::PathNotFound ||
        error == RuntimeError::PermissionDenied) {
        tell(QStringLiteral("ORVELAN Import OS-14") + QString::number(error),
             QStringLiteral(
                 "Import Error: No Access, or Can't Find the Import-File Record Path     "));
        setInfo({});
        m_busy = false;
        return;
    }
    if (error)
        tell(QStringLiteral("ORVELAN Import OS-15") + QString::number(error), ReadingError);
    m_mapping.setColumns(csvColumns(text));
    m_srcList->addItems(m_mapping.columnNames());
    reloadFieldList();
    showMapPanel(true);
    setInfo(QStringLiteral("Ok"));
    pause(0.7);
    setInfo({});
    m_busy = false;
}

void ImportWindow::addMapping() {
    QList<int> columns;
    for (const QListWidgetItem* item : m_srcList->selectedItems())
        columns.append(m_srcList->row(item));
    std::sort(columns.begin(), columns.end());
    const int field = m_orvelList->currentItem() && m_orvelList->currentItem()->isSelected()
                          ? m_orvelList->currentRow()
                          : -1;
    FieldMapping::Outcome outcome;
    if (columns.size() == 2) {
        // Joined as "Last, First": the column that names the given name comes after the comma.
        const auto given = [&](int c) {
            const QString& name = m_mapping.columnNames()[c];
            return name.contains(QStringLiteral("First"), Qt::CaseInsensitive) ||
                   name.contains(QStringLiteral("Given"), Qt::CaseInsensitive);
        };
        if (given(columns[1]) && !given(columns[0]))
            std::swap(columns[0], columns[1]);
        outcome = m_mapping.addJoined(columns[0], columns[1], field);
    } else {
        const int column = m_srcList->currentItem() && m_srcList->currentItem()->isSelected()
                               ? m_srcList->currentRow()
                               : -1;
        outcome = m_mapping.add(column, field);
    }
    if (outcome != FieldMapping::Outcome::Done) {
        tell(MapTitle, FieldMapping::messageFor(outcome));
        return;
    }
    reloadFieldList();
}

void ImportWindow::removeMapping() {
    const int field = m_orvelList->currentItem() && m_orvelList->currentItem()->isSelected()
                          ? m_orvelList->currentRow()
                          : -1;
    if (!m_mapping.remove(field)) {
        tell(MapTitle, FieldMapping::removeRefusedMessage());
        return;
    }
    reloadFieldList();
}

void ImportWindow::autoMap() {
    if (m_busy)
        return;
    m_busy = true;
    setInfo(QStringLiteral("Wait..."));
    pause(0.3);
    m_mapping.autoMap();
    reloadFieldList();
    setInfo(QStringLiteral("Ok"));
    pause(0.4);
    setInfo(QStringLiteral("IMPORT Ready..."));
    m_busy = false;
}

void ImportWindow::readData() {
    if (m_busy)
        return;
    if (m_mapping.sourceColumns()[0] < 0) {
        // Every record would be refused for want of a name: the panel stays for the mapping.
        tell(ImportTitle, QStringLiteral("Can't Read Import File:  No column of the file is mapped "
                                         "to Name, so every record would be refused. Map a column "
                                         "to Name with Add or Auto, then OK    "));
        return;
    }
    m_busy = true;
    setInfo(QStringLiteral("Passing File..."));
    pause(0.2);
    CsvText text = CsvText::fromFile(m_importFilePath);
    const int error = text.readError();
    if (error == RuntimeError::BadFileNameOrNumber || error == RuntimeError::FileNotFound) {
        tell(
            QStringLiteral("ORVELAN Import OS-22") + QString::number(error),
            QStringLiteral("Import Error:  Can't Find the Import-File Record Header or Data     "));
        m_busy = false;
        return;
    }
    m_summary = stageCsv(text, m_mapping, m_staging, m_session.services().clock.now(), yielder());
    if (text.readError()) {
        readFailed(text.readError());
        return;
    }
    m_summary.fileName = QFileInfo(m_importFilePath).fileName();
    if (m_summary.stagingWriteFailures > 0) {
        // Nothing can be listed from staging files that were not written.
        setInfo({});
        m_busy = false;
        tell(ImportTitle, QStringLiteral("Import Error: The staging files in %1 can't be written; "
                                         "nothing has been read     ")
                              .arg(QDir::toNativeSeparators(m_session.folder().dataBookDir())));
        return;
    }
    if (m_summary.refusedTotal() > 0) {
        setInfo(QStringLiteral("Bad Record Format Found"));
        pause(0.5);
    }
    if (m_summary.overlongLines == 0 &&
        m_summary.refusedCount(ImportSummary::Refusal::Damaged) == 0) {
        setInfo(QStringLiteral("Import File Read Ok"));
    } else {
        setInfo(QStringLiteral("Read Error(s) in File"));
        pause(0.5);
    }
    pause(0.5);
    if (m_summary.recordsWithReplacements > 0) {
        setInfo(QStringLiteral("%1 Record(s) had characters that can't be read")
                    .arg(m_summary.recordsWithReplacements));
        pause(1.5);
    }
    showMapPanel(false);
    m_recordListLoaded = true;
    m_imported.clear();
    m_busy = false;
    list();
    // When nothing can be imported the user hears now why, not after an empty import.
    if (m_summary.staged == 0)
        showSummary();
}

void ImportWindow::readContainer() {
    int error = 0;
    const EabLayout layout = eabLayout(m_importFilePath, error);
    if (layout.status == EabRead::Status::Refused) {
        // Nothing is staged from a file that is not an exchange file; the staging stays as it was.
        tell(ImportTitle, QStringLiteral("Import Error: The file is not an ORVELAN Encrypted "
                                         "Address Book file, or can't be read     "));
        return;
    }
    m_summary = {};
    m_summary.fileName = QFileInfo(m_importFilePath).fileName();
    m_summary.fileDamaged = layout.status == EabRead::Status::Damaged;
    m_summary.stagingWriteFailures = m_staging.startLetterTabs();
    error = scanEab(m_importFilePath, layout, [&](int tab, QByteArrayView records) {
        m_summary.stagingWriteFailures +=
            m_staging.appendLetterRecords(tab, records, &m_summary.hiddenRemoved);
        return true;
    });
    if (error) {
        readFailed(error);
        return;
    }
    m_recordListLoaded = true;
    m_imported.clear();
    if (layout.status == EabRead::Status::Damaged)
        tell(ImportTitle, QStringLiteral("Import Warning: The Encrypted Address Book file is "
                                         "damaged; only its whole records have been read     "));
    list();
    m_summary.read = m_summary.staged = m_listed.size();
}

void ImportWindow::readFailed(int error) {
    // Nothing of a file that could not be read to its end is listed or imported.
    m_staging.removeLetterTabs();
    m_summary = {};
    m_recordListLoaded = false;
    m_imported.clear();
    m_listed.clear();
    m_list1->clear();
    setInfo({});
    m_busy = false;
    tell(QStringLiteral("ORVELAN Import OS-15") + QString::number(error),
         QStringLiteral("Import Error: The import file could not be read to its end (it was cut "
                        "short or can't be read); nothing has been read     "));
}

void ImportWindow::readVCards() {
    // Cards need no mapping: each lands on its page fields as the list then shows.
    m_busy = true;
    setInfo(QStringLiteral("Reading vCards..."));
    pause(0.2);
    m_summary =
        stageVCardFiles({m_importFilePath}, m_staging, m_session.services().clock.now(), yielder());
    m_recordListLoaded = true;
    m_imported.clear();
    m_busy = false;
    const bool noteworthy = m_summary.refusedTotal() || m_summary.valuesCut() ||
                            m_summary.leftOut.count || m_summary.damaged.count ||
                            m_summary.groups || m_summary.hiddenRemoved ||
                            !m_summary.unreadable.isEmpty();
    if (m_summary.stagingWriteFailures)
        tell(ImportTitle, QStringLiteral("Import Error: The staging files in %1 can't be written")
                              .arg(m_session.folder().dataBookDir()));
    else if (noteworthy)
        tell(ImportTitle, m_summary.text());
    list();
}

void ImportWindow::showList(QList<ListedRecord> listed) {
    // A record already imported is not offered again.
    listed.removeIf([&](const ListedRecord& r) { return m_imported.contains(stagedKey(r)); });
    m_listed = std::move(listed);
    const QList<ListedRecord>& shown = m_listed;
    m_list1->clear();
    QStringList lines;
    lines.reserve(shown.size());
    for (const ListedRecord& entry : shown)
        lines.append(entry.line);
    m_list1->addItems(lines);
    publishResults(shown, m_session.searchResults());
}

void ImportWindow::list() {
    m_busy = true;
    setInfo(QStringLiteral("Listing..."));
    pause(0.2);
    m_list1->clear();
    showList(m_staging.list({}, progress(QStringLiteral("Loading..."))));
    const qsizetype count = m_listed.size();
    if (count == 0) {
        setInfo(QStringLiteral("Nothing Found to Import"), true);
        pause(0.6);
        setInfo({});
    } else {
        setInfo(QString::number(count) + (count == 1 ? QStringLiteral(" Page to Import")
                                                     : QStringLiteral(" Pages to Import")));
    }
    m_busy = false;
}

void ImportWindow::filter() {
    if (m_busy)
        return;
    if (!m_recordListLoaded) {
        tell(ImportTitle,
             QStringLiteral("No Record List Found:  Import File has not yet been Opened    "));
        return;
    }
    m_busy = true;
    setInfo(QStringLiteral("Searching..."));
    pause(0.2);
    m_list1->clear();
    showList(m_staging.list(m_findTb->text(), progress(QStringLiteral("Listing.."))));
    const qsizetype count = m_listed.size();
    if (count == 0) {
        setInfo(QStringLiteral("Nothing  Found"), true);
        pause(0.6);
        setInfo({});
    } else if (count == 1) {
        setInfo(QStringLiteral("1  Page Listed"));
    } else {
        setInfo(QStringLiteral("Listed:  %1  Pages").arg(count));
    }
    m_busy = false;
}

void ImportWindow::importRecords() {
    if (m_busy)
        return;
    if (!m_recordListLoaded || m_list1->count() == 0) {
        tell(
            ImportTitle,
            QStringLiteral("Can't Import:  There is no Import-File currently OPEN or Listed     "));
        return;
    }
    QList<ListedRecord> chosen;
    if (isChosen(m_selectedLA)) {
        chosen = selectedRecords(m_list1, m_listed);
        if (chosen.isEmpty()) {
            tell(ImportTitle,
                 QStringLiteral("Can't Import:  There are no Listed-Files currently SELECTED    "));
            return;
        }
    } else {
        chosen = m_listed;
    }
    m_busy = true;
    m_session.showFirstPageOnActivate = true;
    setInfo(QStringLiteral("Importing Files..."));
    pause(0.2);
    const ImportOutcome outcome = importAgainstBook(
        m_session.folder(), m_session.services().clock, chosen,
        ImportDuplicates(m_duplicates->currentData().toInt()), m_summary, yielder());
    m_summary.recordImport(outcome.perTab, outcome.written, outcome.failures);
    if (outcome.error)
        m_summary.writeProblem = writeErrorMessage(outcome.error);
    if (!outcome.ok()) {
        // Never "Done" when a record was not written: the summary says how many, and why.
        setInfo(QStringLiteral("IMPORT  Ready"));
        m_busy = false;
        showSummary();
        return;
    }
    forgetImported(chosen);
    setInfo(QStringLiteral("Done"));
    pause(0.2);
    setInfo({});
    pause(0.2);
    setInfo(QStringLiteral("IMPORT  Ready"));
    m_busy = false;
    showSummary();
}

qint64 ImportWindow::stagedKey(const ListedRecord& record) {
    return (qint64(record.tab) << 48) | record.record;
}

void ImportWindow::forgetImported(const QList<ListedRecord>& imported) {
    // Imported records leave the list, so a second IMPORT cannot file them again; once every
    // staged record is in the book the staging files go and the list is clear.
    for (const ListedRecord& r : imported)
        m_imported.insert(stagedKey(r));
    QList<ListedRecord> rest = m_listed;
    showList(std::move(rest));
    QList<ListedRecord> staged = m_staging.list();
    staged.removeIf([&](const ListedRecord& r) { return m_imported.contains(stagedKey(r)); });
    if (staged.isEmpty()) {
        m_recordListLoaded = false;
        m_staging.removeLetterTabs();
        m_imported.clear();
    }
}

void ImportWindow::clear() {
    if (m_busy)
        return;
    if (!m_recordListLoaded) {
        tell(ImportTitle, QStringLiteral("Record-List Already Clear!  There is no Import-File "
                                         "currently OPEN     "));
        return;
    }
    const PromptAnswer answer = m_session.services().prompter.ask(
        {QStringLiteral("SORVELAN Import"),
         QStringLiteral("This will CLOSE the current Import-File and Clear the Records List   "),
         PromptIcon::Exclamation, PromptButtons::OkCancel});
    if (answer != PromptAnswer::Ok)
        return;
    m_recordListLoaded = false;
    m_staging.removeLetterTabs();
    m_imported.clear();
    m_listed.clear();
    m_list1->clear();
}

void ImportWindow::closeWindow(bool recount) {
    if (m_busy)
        return;
    if (recount)
        m_session.store().selectTabFile();
    hide();
    Q_EMIT closed();
}

void ImportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        closeWindow(true);
        return;
    }
    if (event->key() == Qt::Key_F1) {
        m_host.openHelpPage(QStringLiteral("useage_imp.htm"));
        return;
    }
    DraggableWindow::keyPressEvent(event);
}

} // namespace orvelan
