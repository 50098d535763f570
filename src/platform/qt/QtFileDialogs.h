#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

namespace orvelan {

// Where a file dialog of the given size goes: right of the anchor window, top edges level;
// left of it when the right side has no room; always inside the screen's free area, so its
// buttons stay within reach.
QPoint fileDialogPlace(const QRect& anchorFrame, const QSize& dialogSize, const QRect& area);

// QFileDialog, placed beside the anchor window (the main window) as the book's windows are.
class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* anchor = nullptr) : m_anchor(anchor) {}
    void setAnchor(QWidget* anchor) { m_anchor = anchor; }

    QString openFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& dir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& dir) override;

private:
    QString run(bool save, const QString& title, const QString& filter, const QString& defaultExt,
                const QString& dir);
    QPointer<QWidget> m_anchor;
};

} // namespace orvelan
