#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace orvelan::test {

// The text of a PDF as pdftotext lays it out with a fixed pitch of 6 points (Courier at 10
// points): a character at x twips lands in column x / 120 + 1. One list of lines per page.
// Empty when pdftotext is not installed.
inline QList<QStringList> pdfPages(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), QStringLiteral("-fixed"), QStringLiteral("6"),
                         path, QStringLiteral("-")});
    process.waitForFinished(60000);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    QList<QStringList> pages;
    for (const QString& page : text.split(u'\f')) {
        if (!page.trimmed().isEmpty())
            pages.append(page.split(u'\n'));
    }
    return pages;
}

inline bool havePdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The line of `page` that contains `text`, or an empty string.
inline QString lineWith(const QStringList& page, const QString& text) {
    for (const QString& line : page) {
        if (line.contains(text))
            return line;
    }
    return {};
}

} // namespace orvelan::test
