#include "platform/qt/QtFileDialogs.h"

#include "platform/ScreenArea.h"

#include <QApplication>
#include <QFileDialog>
#include <QScreen>

#include <algorithm>

namespace orvelan {

namespace {

// "description|pattern" becomes the name filter QFileDialog shows: "description".
QString nameFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    return bar < 0 ? filter : filter.left(bar);
}

} // namespace

QPoint fileDialogPlace(const QRect& anchorFrame, const QSize& dialogSize, const QRect& area) {
    int x = anchorFrame.right() + 1;
    if (x + dialogSize.width() > area.right() + 1 &&
        anchorFrame.left() - dialogSize.width() >= area.left())
        x = anchorFrame.left() - dialogSize.width();
    // Too large for the area: its top left corner stays visible.
    return keptInside({x, anchorFrame.top()}, dialogSize, area);
}

QString QtFileDialogs::run(bool save, const QString& title, const QString& filter,
                           const QString& defaultExt, const QString& dir) {
    QWidget* parent = m_anchor ? m_anchor.data() : QApplication::activeWindow();
    QFileDialog dialog(parent, title, dir, nameFilter(filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog); // so it can be placed
    dialog.setOption(QFileDialog::ReadOnly, false);
    QString suffix = defaultExt;
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (m_anchor) {
        const QRect frame = m_anchor->frameGeometry();
        const QScreen* screen = m_anchor->screen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        dialog.move(area.isValid()
                        ? fileDialogPlace(frame, dialog.sizeHint().expandedTo(dialog.size()), area)
                        : QPoint(frame.right() + 1, frame.top()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtFileDialogs::openFileName(const QString& title, const QString& filter,
                                    const QString& defaultExt, const QString& dir) {
    return run(false, title, filter, defaultExt, dir);
}

QString QtFileDialogs::saveFileName(const QString& title, const QString& filter,
                                    const QString& defaultExt, const QString& dir) {
    return run(true, title, filter, defaultExt, dir);
}

} // namespace orvelan
