#pragma once

#include "telephony/DialView.h"

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

namespace orvelan {

class DialController;
class Settings;

// The telephony area of the options panel: the information list `lstLineInfo`, the line
// selector `cboLineSel`, the dialog buttons `cmdConfigDlg` and `cmdDialProps`, the fold button
// `ConfShowTAPIBu`, the headings `Label4` and `Label23`, the line selector's label `TapiLineLa`
// and three frame lines (`Line1` .. `Line3`).
// It starts folded. Positions follow the panel's twips (15 per pixel).
class TapiConsoleWidget : public QWidget, public TapiConsole {
    Q_OBJECT

public:
    explicit TapiConsoleWidget(QWidget* parent = nullptr);

    // The controller that owns the telephony line, and the settings that keep the line choice.
    void attach(DialController* controller, Settings* settings);

    void addInfo(const QString& text) override;
    void addLineEntry(const QString& text) override;
    QStringList lineEntries() const override;
    void selectLineEntry(int index) override;

    bool isFolded() const;
    void fold();
    void unfold();
    // "Use TAPI" in the panel makes the area available: line selector enabled, fold button and
    // heading shown. "Use Serial" and "Auto-Dial OFF" fold it (caption "Show") and hide the fold
    // button, the headings and the frame lines, with the line selector disabled.
    void setConsoleAvailable(bool available);

    QListWidget* lineInfoList() const { return m_list; }
    QComboBox* lineSelector() const { return m_selector; }

private:
    void listChosenLine();
    void toggleFold();
    void showDisabledText();
    static QPoint twips(int left, int top);

    DialController* m_controller = nullptr;
    Settings* m_settings = nullptr;
    QListWidget* m_list;
    QComboBox* m_selector;
    QPushButton* m_configButton;
    QPushButton* m_propertiesButton;
    QPushButton* m_showButton;
    QLabel* m_unfoldedHeading;
    QLabel* m_foldedHeading;
    QLabel* m_lineLabel; // "TAPI Line#" beside the folded line selector
    QList<QFrame*> m_frameLines;
};

} // namespace orvelan
