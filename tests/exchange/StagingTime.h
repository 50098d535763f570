#pragma once
// The moment every exchange test stages its pages at.

#include <QDateTime>

inline const QDateTime Now(QDate(2026, 3, 4), QTime(9, 7));
