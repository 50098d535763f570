#pragma once

#include <QWidget>

namespace orvelan {

// A page of the open book: cream paper with a shadow towards the spine.
class PagePanel : public QWidget {
    Q_OBJECT
public:
    enum class Side { Left, Right };
    PagePanel(const QString& objectName, Side side, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Side m_side;
};

// The leather cover that lies over the right page while the book is closed at tab 0.
class CoverPanel : public QWidget {
    Q_OBJECT
public:
    CoverPanel(const QString& objectName, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A small drawn picture that acts as a button: the close-book image, the call picture, the mail
// and web launchers draw their own symbol.
class PictureButton : public QWidget {
    Q_OBJECT
public:
    enum class Symbol { Book, Phone };
    PictureButton(const QString& objectName, Symbol symbol, QWidget* parent);
    QSize sizeHint() const override { return {22, 22}; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Symbol m_symbol;
};

// Paints the desk, the book's boards and the thumb tabs behind the tab labels.
void paintBookBackground(QWidget& window, const QRect& pagesRect,
                         const QList<QWidget*>& visibleTabs);

} // namespace orvelan
