#pragma once

#include "platform/FileDialogs.h"

#include <QList>
#include <QStringList>

namespace orvelan::test {

// Answers file dialogs from a script and remembers every dialog it was asked to show. With the
// script empty it answers as if the user cancelled.
class ScriptedFileDialogs final : public FileDialogs {
public:
    struct Request {
        bool save = false;
        QString title;
        QString filter;
        QString defaultExt;
        bool operator==(const Request&) const = default;
    };

    void answerNext(const QString& path) { m_script.append(path); }
    const QList<Request>& shown() const { return m_shown; }
    // The folder each dialog opened in.
    const QStringList& folders() const { return m_folders; }

    QString openFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& dir) override {
        m_folders.append(dir);
        return answer({false, title, filter, defaultExt});
    }
    QString saveFileName(const QString& title, const QString& filter, const QString& defaultExt,
                         const QString& dir) override {
        m_folders.append(dir);
        return answer({true, title, filter, defaultExt});
    }

private:
    QString answer(const Request& request) {
        m_shown.append(request);
        return m_script.isEmpty() ? QString() : m_script.takeFirst();
    }
    QStringList m_script;
    QList<Request> m_shown;
    QStringList m_folders;
};

} // namespace orvelan::test
