#pragma once

#include <QString>

namespace orvelan {

// The book folder's orvelan.conf: local choices, one "Key=value" a line. Keys are read without
// regard to case, blanks around "=" are allowed, blank lines and lines starting with "#" are
// skipped, and the first line naming a key counts.
class LocalConfig {
public:
    explicit LocalConfig(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // The value of `key`, trimmed; empty when the file or the key is missing.
    QString value(QStringView key) const;

    // Sets `key` to `value`, replacing the first line that names it or adding a line at the end;
    // every other line stays as it was. The file is replaced as a whole (private when new).
    // Returns 0 or the runtime error number of the failed write.
    int setValue(QStringView key, const QString& value) const;

private:
    QString m_path;
};

} // namespace orvelan
