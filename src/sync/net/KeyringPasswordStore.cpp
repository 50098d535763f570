#include "sync/net/KeyringPasswordStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QTimer>

namespace orvelan {

namespace {

const QString Service = QStringLiteral("ORVELAN Secure Address Book");
constexpr int KeyringWaitMs = 10000;

// Runs a keychain job to its end; false when it failed or the keyring did not answer.
bool runJob(QKeychain::Job& job) {
    // Without a desktop session bus there is no keyring to ask.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    job.setAutoDelete(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(KeyringWaitMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec();
    return finished && job.error() == QKeychain::NoError;
}

} // namespace

bool KeyringPasswordStore::read(const QString& key, QString& password) {
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(key);
    if (!runJob(job))
        return false;
    password = job.textData();
    return true;
}

bool KeyringPasswordStore::write(const QString& key, const QString& password) {
    QKeychain::WritePasswordJob job(Service);
    job.setKey(key);
    job.setTextData(password);
    return runJob(job);
}

} // namespace orvelan
