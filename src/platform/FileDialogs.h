#pragma once

#include <QString>

namespace orvelan {

// The open and save file dialogs. `filter` is "description|pattern" ("Open Generic IMPORT File
// (*.csv)|*.csv"), `defaultExt` the extension a name without one gets (".csv"). An empty result
// means the user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt, const QString& dir) = 0;
    // Replacing an existing file needs the user's confirmation.
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& defaultExt, const QString& dir) = 0;
};

} // namespace orvelan
