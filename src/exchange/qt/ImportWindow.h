#pragma once

#include <QSet>

#include "exchange/FieldMapping.h"
#include "exchange/ImportStaging.h"
#include "exchange/ImportSummary.h"
#include "exchange/qt/ExchangeWidgets.h"

class QFrame;
class QLabel;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orvelan {

class ExchangeHost;
class FileDialogs;
class Session;

// The import window frmImport: opens a comma-separated or exchange file, maps the columns of a
// comma-separated file in the panel picMAP, lists the staged records, filters them and files
// them into the tabs.
class ImportWindow final : public DraggableWindow {
    Q_OBJECT
public:
    ImportWindow(Session& session, FileDialogs& dialogs, ExchangeHost& host,
                 QWidget* parent = nullptr);

    // Shows the window beside the main window, modal, with "IMPORT  Ready".
    void open();

    void openFile();
    void addMapping();
    void removeMapping();
    void autoMap();
    void readData();
    void filter();
    void importRecords();
    void clear();
    void closeWindow(bool recount);

    bool recordListLoaded() const { return m_recordListLoaded; }
    bool mapPanelInView() const;
    // What the last file read and the last import did.
    const ImportSummary& summary() const { return m_summary; }

Q_SIGNALS:
    // The window has closed; the main window reads Session::showFirstPageOnActivate when it is
    // next activated.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void readHeader();
    void readContainer();
    // Ends a read of a file that could not be read to its end, with a message.
    void readFailed(int error);
    void readVCards();
    void list();
    void showList(QList<ListedRecord> listed);
    static qint64 stagedKey(const ListedRecord& record);
    void forgetImported(const QList<ListedRecord>& imported);
    void reloadFieldList();
    void setInfo(const QString& text, bool blue = false);
    void pause(double seconds);
    void tell(const QString& title, const QString& text);
    void showMapPanel(bool inView);
    // Widens the mapping lists so that every line shows whole.
    void fitMappingLists();
    void showSummary();
    // The chosen file's folder becomes the one the next file dialog opens in.
    void rememberFolder(const QString& path);
    Yield yielder();
    // Shows `busyText` after each tab once more than BusyNoticeAfter records are listed.
    TabProgress progress(const QString& busyText);

    Session& m_session;
    FileDialogs& m_dialogs;
    ExchangeHost& m_host;
    ImportStaging m_staging;
    FieldMapping m_mapping;
    QString m_importFilePath;
    bool m_recordListLoaded = false;
    bool m_busy = false;
    QList<ListedRecord> m_listed;
    QSet<qint64> m_imported; // staged records already imported (stagedKey)
    ImportSummary m_summary;

    LabelButton* m_csvBy = nullptr;
    LabelButton* m_ebfBu = nullptr;
    LabelButton* m_vcfBy = nullptr;
    LabelButton* m_allFLa = nullptr;
    LabelButton* m_selectedLA = nullptr;
    LabelButton* m_importLA = nullptr;
    LabelButton* m_cancelLa = nullptr;
    QPushButton* m_openF = nullptr;
    QPushButton* m_find = nullptr;
    QPushButton* m_clear = nullptr;
    QLineEdit* m_findTb = nullptr;
    QComboBox* m_duplicates = nullptr;
    QLabel* m_info = nullptr;
    QListWidget* m_list1 = nullptr;
    QFrame* m_map = nullptr;
    QListWidget* m_srcList = nullptr;
    QListWidget* m_orvelList = nullptr;
};

} // namespace orvelan
