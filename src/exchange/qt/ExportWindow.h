#pragma once

#include "exchange/RecordList.h"
#include "exchange/qt/ExchangeWidgets.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace orvelan {

class ExchangeHost;
class FileDialogs;
class Session;

// The export window frmExport: lists the pages that hold a text and writes all or the selected
// ones as a comma-separated file or an exchange file.
class ExportWindow final : public DraggableWindow {
    Q_OBJECT
public:
    ExportWindow(Session& session, FileDialogs& dialogs, ExchangeHost& host,
                 QWidget* parent = nullptr);

    // Remembers the store's position, shows the window beside the main window, modal.
    void open();

    void find();
    void exportFile();
    void clear();
    void closeWindow();

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void setInfo(const QString& text, bool blue = false);
    void pause(double seconds);
    void tell(const QString& text);

    Session& m_session;
    FileDialogs& m_dialogs;
    ExchangeHost& m_host;
    QList<ListedRecord> m_listed;
    QList<int> m_unreadTabs;   // tabs the last listing could not read
    qint64 m_damagedFound = 0; // damaged pages the last search passed over
    bool m_busy = false;

    struct Position {
        int tab = 1;
        qint64 page = 1;
    } m_saved;

    QLineEdit* m_text2 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLabel* m_info = nullptr;
    LabelButton* m_findLa = nullptr;
    LabelButton* m_allFLa = nullptr;
    LabelButton* m_selectedLA = nullptr;
    LabelButton* m_csvBy = nullptr;
    LabelButton* m_ebfBu = nullptr;
    LabelButton* m_ansiBy = nullptr; // comma-separated text in Windows-1252 (the default)
    LabelButton* m_utf8By = nullptr; // or in UTF-8
    LabelButton* m_vcfBy = nullptr;
    LabelButton* m_doExportLA = nullptr;
    LabelButton* m_clearLa = nullptr;
    LabelButton* m_cancelLa = nullptr;
};

} // namespace orvelan
