#pragma once

#include "sync/PasswordStore.h"

#include <QHash>

namespace orvelan::test {

// A desktop keyring kept in memory.
class MemoryKeyring final : public PasswordStore {
public:
    bool read(const QString& key, QString& password) override {
        if (!entries.contains(key))
            return false;
        password = entries.value(key);
        return true;
    }
    bool write(const QString& key, const QString& password) override {
        entries.insert(key, password);
        return true;
    }
    QHash<QString, QString> entries;
};

} // namespace orvelan::test
