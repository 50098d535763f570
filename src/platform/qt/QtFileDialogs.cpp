#include "platform/qt/QtFileDialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace orvelan {

namespace {

// "description|pattern" becomes the name filter QFileDialog shows: "description".
QString nameFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    return bar < 0 ? filter : filter.left(bar);
}

} // namespace

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
        dialog.move(frame.right() + 1, frame.top());
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
