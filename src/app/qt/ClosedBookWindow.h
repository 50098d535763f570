#pragma once

#include "platform/BookWindow.h"
#include "platform/Twips.h"

#include <QWidget>

class QLabel;

namespace orvelan {

class LabelButton;

// The floating closed book `Cuva`: a borderless window moved by dragging its background.
// It only reports what the user asks for; the run of the program decides what happens.
class ClosedBookWindow : public QWidget, public ClosedBook {
    Q_OBJECT
public:
    explicit ClosedBookWindow(QWidget* parent = nullptr);

    // ClosedBook
    void placeAt(int leftTwips, int topTwips) override;
    int leftTwips() const override;
    int topTwips() const override;
    void showWindow() override;
    void unload() override;
    void setCaption(const QString& caption) override;
    void minimise() override;

    QString caption() const { return windowTitle(); }
    // Which picture each button shows: true for the pointer-over picture.
    bool minimiseButtonOver() const { return m_miniOver; }
    bool closeButtonOver() const { return m_closeOver; }

Q_SIGNALS:
    void openRequested();
    void finishRequested();
    void minimiseRequested();
    void helpRequested();
    // The window became the active one (the search window hides then).
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showButtonPictures(bool miniOver, bool closeOver);

    LabelButton* m_book;
    QLabel* m_captionLabel;
    QLabel* m_miniPicture;
    QLabel* m_closePicture;
    LabelButton* m_miniLabel;
    LabelButton* m_closeLabel;
    LabelButton* m_finishLabel;
    TwipsPlace m_place;
    bool m_miniOver = false;
    bool m_closeOver = false;
};

} // namespace orvelan
