#pragma once

#include <QString>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(QStringView text, std::ostream* out) {
    PrintTo(text.toString(), out);
}
inline std::ostream& operator<<(std::ostream& out, QStringView text) {
    return out << text.toString().toStdString();
}
