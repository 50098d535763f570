#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

namespace orvelan {

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
