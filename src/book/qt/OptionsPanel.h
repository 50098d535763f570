#pragma once

#include "book/OptionsLogic.h"
#include "platform/BookWindow.h"
#include "store/Session.h"

#include <QFrame>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QPushButton;
class QVBoxLayout;

namespace orvelan {

// The options panel `ConfigPBC` inside the main window. It shows the settings, stores them back
// when it closes, and starts the whole-book operations.
class OptionsPanel : public QFrame {
    Q_OBJECT
public:
    OptionsPanel(Session& session, BookWindow* book, QWidget* parent = nullptr);

    // Each load of the main window.
    void fillFromSettings();
    // PassLa or Ctrl+O.
    void open();
    // Ok, Esc: stores the panel into the settings, writes the file and hides the panel.
    void closeAndStore();
    bool isOpen() const { return isVisible(); }

    // The telephony line information panel goes here; its line selector, when it has the
    // object name cboLineSel, is enabled and disabled with the dialing method.
    void setTapiArea(QWidget* area);
    QWidget* tapiArea() const { return m_tapiArea; }

    OptionsState state() const;

Q_SIGNALS:
    void opened();
    void closed();
    void importRequested();
    void exportRequested();
    void syncRequested();
    void trashRequested();
    void duplicatesRequested();
    void tapiShowRequested();
    void dialPropertiesRequested();
    void lineConfigRequested();
    // The TAPI console closes when another dialing method than TAPI is chosen.
    void tapiConsoleClosed();
    // After every change of the dialing method: whether the telephony area is available.
    void dialLayoutApplied(bool tapiAvailable);

private:
    void display(const OptionsState& state);
    void applyDialLayout(const DialLayout& layout);
    void usePasswordToggled(bool on);
    void clearPasswordToggled(bool on);
    // "Encrypt the book with the master password": encrypts or decrypts the open book.
    void encryptBookToggled(bool on);
    void removeBlankPages();
    // The home region of telephone numbers lives in orvelan.conf, not in the settings file.
    void storePhoneRegion();

    Session& m_session;
    BookWindow* m_book;
    QCheckBox* m_dialFieldFollows;
    QCheckBox* m_usePassword;
    QCheckBox* m_allowExt;
    QCheckBox* m_enableMinimise;
    QCheckBox* m_finishWithoutPrompting;
    QCheckBox* m_clearPassword;
    QCheckBox* m_defaultEncryption;
    QCheckBox* m_encryptBook;
    QComboBox* m_dialMethod;
    QComboBox* m_port;
    QComboBox* m_phoneRegion;
    QPointer<QPushButton> m_showTapi;
    QWidget* m_tapiHolder;
    QVBoxLayout* m_tapiLayout;
    QWidget* m_tapiArea = nullptr;
    bool m_filling = false;
};

} // namespace orvelan
