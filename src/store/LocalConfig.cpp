#include "store/LocalConfig.h"

#include "store/AtomicFile.h"

#include <QFile>

namespace orvelan {
namespace {

// The key a line names, or an empty view for a blank line, a comment or a line without "=".
QByteArrayView keyOfLine(QByteArrayView line) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#'))
        return {};
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArrayView() : line.first(equals).trimmed();
}

bool sameKey(QByteArrayView lineKey, QStringView key) {
    return !lineKey.isEmpty() && QString::fromUtf8(lineKey).compare(key, Qt::CaseInsensitive) == 0;
}

} // namespace

QString LocalConfig::value(QStringView key) const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (sameKey(keyOfLine(line), key))
            return QString::fromUtf8(line.mid(line.indexOf('=') + 1).trimmed());
    }
    return {};
}

int LocalConfig::setValue(QStringView key, const QString& value) const {
    QByteArray contents;
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    file.close();
    const QByteArray newLine = key.toUtf8() + '=' + value.trimmed().toUtf8() + '\n';
    QByteArray written;
    bool replaced = false;
    for (qsizetype start = 0; start < contents.size();) {
        qsizetype end = contents.indexOf('\n', start);
        end = end < 0 ? contents.size() : end + 1;
        const QByteArrayView line = QByteArrayView(contents).sliced(start, end - start);
        if (!replaced && sameKey(keyOfLine(line), key)) {
            written += newLine;
            replaced = true;
        } else {
            written += line;
        }
        start = end;
    }
    if (!replaced) {
        if (!written.isEmpty() && !written.endsWith('\n'))
            written += '\n';
        written += newLine;
    }
    return replaceFileAtomically(m_path, written);
}

} // namespace orvelan
