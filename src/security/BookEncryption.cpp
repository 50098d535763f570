#include "security/BookEncryption.h"

#include "store/AtomicFile.h"
#include "store/ConversionJournal.h"
#include "store/PageRecord.h"
#include "store/RuntimeError.h"
#include "store/Settings.h"
#include "store/StoreMessages.h"
#include "store/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace orvelan {

namespace {

Unlocking opened(const BookFolder& folder, std::shared_ptr<BookKey> key) {
    Unlocking result;
    folder.sealing().open(std::move(key));
    result.ok = true;
    return result;
}

Unlocking wrongPassword() {
    Unlocking result;
    result.wrongPassword = true;
    result.error = QStringLiteral("The password does not open this book (or its book.key is "
                                  "damaged). Nothing was changed.");
    return result;
}

std::optional<BookKeyFile> keyFileOrError(const BookFolder& folder, Unlocking& result) {
    auto file = readBookKey(folder, result.error);
    return file;
}

// The form a conversion writes its twins in.
struct Forms {
    const RecordSealer* from = nullptr; // null: plain
    const RecordSealer* to = nullptr;
};

// Writes the twin of one record file in the other form. False with `error` set.
bool convertRecordFile(const RecordFileOfTab& file, const Forms& forms, qint64& pages,
                       const std::function<void(qint64)>& advanced, QString& error) {
    BookSealing source(forms.from ? BookSealing::State::Open : BookSealing::State::Plain);
    if (forms.from) {
        // A non-owning view of the key for this scan.
        source.open(std::shared_ptr<const RecordSealer>(std::shared_ptr<void>(), forms.from));
    }
    const TabFile reader(file.path, file.tab, source);
    AtomicFileWriter writer(Conversion::twinPath(file.path));
    if (const int failed = writer.open()) {
        error = QStringLiteral("Cannot write %1: %2")
                    .arg(Conversion::twinPath(file.path), describeRuntimeError(failed));
        return false;
    }
    QByteArray sealed(RecordSealer::SealedRecordSize, Qt::Uninitialized);
    qint64 damagedPage = 0;
    const int scanned = reader.scan(
        [&](qint64 page, QByteArrayView record) {
            ++pages;
            advanced(reader.storedRecordSize());
            if (!forms.to)
                return writer.write(record);
            forms.to->sealRecord(file.tab, page, record, sealed.data());
            return writer.write(sealed);
        },
        [&](qint64 page) {
            if (!damagedPage)
                damagedPage = page;
        });
    if (damagedPage) {
        error = QStringLiteral("%1 (in %2); nothing was changed.")
                    .arg(damagedPageText(file.tab, damagedPage), file.path);
        return false;
    }
    const int failed = scanned ? scanned : writer.error() ? writer.error() : writer.commit();
    if (failed) {
        error =
            QStringLiteral("Cannot convert %1: %2").arg(file.path, describeRuntimeError(failed));
        return false;
    }
    return true;
}

bool convertWholeFile(const WholeSealedFile& file, const Forms& forms, QString& error) {
    QFile in(file.path);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read %1: %2").arg(file.path, in.errorString());
        return false;
    }
    QByteArray contents = in.readAll();
    if (forms.from) {
        auto opened = forms.from->openFile(file.label, contents);
        if (!opened) {
            error = QStringLiteral("%1 is damaged and cannot be read; nothing was changed.")
                        .arg(file.path);
            return false;
        }
        contents = std::move(*opened);
    }
    if (forms.to)
        contents = forms.to->sealFile(file.label, contents);
    if (const int failed = replaceFileAtomically(Conversion::twinPath(file.path), contents)) {
        error = QStringLiteral("Cannot write %1: %2")
                    .arg(Conversion::twinPath(file.path), describeRuntimeError(failed));
        return false;
    }
    return true;
}

// The twin of ossabusr.dat with the master password field as the new form wants it.
bool convertSettings(const BookFolder& folder, const QByteArray& password, bool sealing,
                     QString& error) {
    const QString path = folder.settingsPath();
    const QString twin = Conversion::twinPath(path);
    Settings settings = SettingsFile(path).read();
    settings.setRaw(Settings::MasterPassword, password);
    if (sealing) // an encrypted book always asks for its password when it opens
        settings.setFlag(Settings::UsePasswordOnStartUp, true);
    int failed = QFileInfo::exists(path) ? copyFileAtomically(path, twin) : 0;
    if (!failed)
        failed = SettingsFile(twin).write(settings);
    if (failed) {
        error = QStringLiteral("Cannot write %1: %2").arg(twin, describeRuntimeError(failed));
        return false;
    }
    return true;
}

// Writes every twin in the other form, then the marker, then completes. On a failure before
// the marker the twins are removed and the book stays as it was.
ConversionOutcome convertBook(const BookFolder& folder, const Forms& forms, const char* target,
                              const QByteArray& settingsPassword,
                              const ConversionProgress& progress) {
    ConversionOutcome outcome;
    const auto files = recordFiles(folder);
    qint64 total = 0;
    for (const RecordFileOfTab& file : files)
        total += QFileInfo(file.path).size();
    qint64 done = 0;
    int shown = -1;
    const auto advanced = [&](qint64 bytes) {
        done += bytes;
        const int percent = total ? int(done * 100 / total) : 100;
        if (progress && percent != shown) {
            shown = percent;
            progress(percent / 100.0);
        }
    };
    bool ok = true;
    for (const RecordFileOfTab& file : files) {
        qint64 pages = 0;
        ok = convertRecordFile(file, forms, pages, advanced, outcome.error);
        if (!ok)
            break;
        if (file.path == folder.tabFilePath(file.tab))
            outcome.pages += pages;
    }
    for (const WholeSealedFile& file : wholeSealedFiles(folder)) {
        if (ok)
            ok = convertWholeFile(file, forms, outcome.error);
    }
    if (ok)
        ok = convertSettings(folder, settingsPassword, forms.to != nullptr, outcome.error);
    if (ok && forms.to) {
        const QString twin = Conversion::twinPath(folder.sealedMarkerPath());
        if (const int failed = replaceFileAtomically(
                twin, QByteArrayLiteral("The records of this book are sealed with the key in "
                                        "../book.key, which the master password opens.\n"))) {
            outcome.error =
                QStringLiteral("Cannot write %1: %2").arg(twin, describeRuntimeError(failed));
            ok = false;
        }
    }
    if (ok) {
        if (const int failed = markConversion(folder, target)) {
            outcome.error = QStringLiteral("Cannot write %1: %2")
                                .arg(Conversion::markerPath(folder), describeRuntimeError(failed));
            ok = false;
        }
    }
    if (!ok) {
        completeInterruptedConversion(folder); // no marker: the twins go
        return outcome;
    }
    completeInterruptedConversion(folder, &outcome.error);
    outcome.ok = outcome.error.isEmpty();
    return outcome;
}

} // namespace

Unlocking unlockBook(const BookFolder& folder, QStringView password) {
    Unlocking result;
    const auto file = keyFileOrError(folder, result);
    if (!file)
        return result;
    auto key = file->unlockWithPassword(password);
    return key ? opened(folder, std::move(key)) : wrongPassword();
}

Unlocking unlockBookWithRecoveryKey(const BookFolder& folder, QStringView recoveryKey) {
    Unlocking result;
    const auto file = keyFileOrError(folder, result);
    if (!file)
        return result;
    auto key = file->unlockWithRecoveryKey(recoveryKey);
    if (!key) {
        result = wrongPassword();
        result.error = QStringLiteral("The recovery key does not open this book.");
        return result;
    }
    return opened(folder, std::move(key));
}

Unlocking unlockBookWithKey(const BookFolder& folder, QByteArrayView rawKey) {
    Unlocking result;
    const auto file = keyFileOrError(folder, result);
    if (!file)
        return result;
    if (rawKey.size() != qsizetype(GuardedKey::Size))
        return wrongPassword();
    auto guarded = std::make_unique<GuardedKey>();
    std::memcpy(guarded->data(), rawKey.data(), GuardedKey::Size);
    auto key = std::make_shared<BookKey>(file->bookId, std::move(guarded));
    // A remembered key is taken only when it still opens a page of the book (or the book has
    // none): a key of another book must not write pages that nothing can read.
    for (int tab = 0; tab < 26; ++tab) {
        BookSealing trial(BookSealing::State::Open);
        trial.open(key);
        const TabFile first(folder.tabFilePath(tab), tab, trial);
        const TabFile::Read read = first.readPage(1);
        if (read.damaged())
            return wrongPassword();
        if (!read.record.isEmpty())
            break;
    }
    return opened(folder, std::move(key));
}

QByteArray rawBookKey(const BookFolder& folder) {
    const auto sealer = folder.sealing().sealer();
    const auto* key = dynamic_cast<const BookKey*>(sealer.get());
    if (!key)
        return {};
    return QByteArray(reinterpret_cast<const char*>(key->key().data()), GuardedKey::Size);
}

ConversionOutcome encryptBook(const BookFolder& folder, QStringView password, bool withRecoveryKey,
                              const ConversionProgress& progress, KdfLimits limits) {
    ConversionOutcome outcome;
    if (folder.sealing().encrypted()) {
        outcome.error = QStringLiteral("The book is already encrypted.");
        return outcome;
    }
    if (passwordBytes(password).size() < 3) {
        outcome.error = QStringLiteral("A master password of at least 3 characters is needed to "
                                       "encrypt the book.");
        return outcome;
    }
    // Records set aside by 'check --repair' are plain copies: they are looked at (and removed)
    // before the book is sealed, or they would stay readable beside it.
    if (!QDir(folder.reserveDir() + QStringLiteral("/damaged"))
             .entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden)
             .isEmpty()) {
        outcome.error = QStringLiteral("%1/damaged holds pages set aside by 'check --repair', "
                                       "which encrypting would leave readable: look at them and "
                                       "remove them first.")
                            .arg(folder.reserveDir());
        return outcome;
    }
    completeInterruptedConversion(folder);
    const auto key = BookKey::generate();
    BookKeyFile keyFile = BookKeyFile::withPassword(*key, password, limits);
    if (withRecoveryKey)
        outcome.recoveryKey = keyFile.setRecoveryKey(*key);
    if (const int failed = writeBookKey(Conversion::newKeyPath(folder), keyFile)) {
        outcome.error = QStringLiteral("Cannot write %1: %2")
                            .arg(Conversion::newKeyPath(folder), describeRuntimeError(failed));
        QFile::remove(Conversion::newKeyPath(folder));
        return outcome;
    }
    const QString recovery = outcome.recoveryKey;
    outcome =
        convertBook(folder, {nullptr, key.get()}, Conversion::ToSealed, QByteArray(), progress);
    if (outcome.ok) {
        outcome.recoveryKey = recovery;
        folder.sealing().open(key);
    }
    return outcome;
}

ConversionOutcome decryptBook(const BookFolder& folder, QStringView password,
                              const ConversionProgress& progress) {
    ConversionOutcome outcome;
    const auto sealer = folder.sealing().sealer();
    if (!sealer) {
        outcome.error = folder.sealing().encrypted()
                            ? QStringLiteral("The book is locked; unlock it first.")
                            : QStringLiteral("The book is not encrypted.");
        return outcome;
    }
    // The password goes back into ossabusr.dat only where the settings file can hold it.
    qsizetype unmappable = 0;
    QByteArray stored = toWindows1252(QString::fromUtf8(passwordBytes(password)), &unmappable);
    if (unmappable || stored.size() > 64)
        stored.clear();
    outcome = convertBook(folder, {sealer.get(), nullptr}, Conversion::ToPlain, stored, progress);
    if (outcome.ok)
        folder.sealing().setPlain();
    return outcome;
}

namespace {

// Rewraps the book key, opened from book.key by `unlock`, under `newPassword`.
ConversionOutcome
rewrapBookKey(const BookFolder& folder, QStringView newPassword, KdfLimits limits,
              const std::function<std::shared_ptr<BookKey>(const BookKeyFile&)>& unlock,
              const QString& refused) {
    ConversionOutcome outcome;
    QString why;
    auto file = readBookKey(folder, why);
    if (!file) {
        outcome.error = why;
        return outcome;
    }
    if (passwordBytes(newPassword).size() < 3) {
        outcome.error = QStringLiteral("Passwords of less than 3 characters are not permitted.");
        return outcome;
    }
    const auto key = unlock(*file);
    if (!key) {
        outcome.error = refused;
        outcome.wrongPassword = true;
        return outcome;
    }
    file->setPassword(*key, newPassword, limits);
    if (const int failed = writeBookKey(folder.bookKeyPath(), *file)) {
        outcome.error = QStringLiteral("Cannot write %1: %2")
                            .arg(folder.bookKeyPath(), describeRuntimeError(failed));
        return outcome;
    }
    folder.sealing().open(key);
    outcome.ok = true;
    return outcome;
}

} // namespace

ConversionOutcome changeBookPassword(const BookFolder& folder, QStringView oldPassword,
                                     QStringView newPassword, KdfLimits limits) {
    return rewrapBookKey(
        folder, newPassword, limits,
        [&](const BookKeyFile& file) { return file.unlockWithPassword(oldPassword); },
        wrongPassword().error);
}

ConversionOutcome changeBookPasswordWithRecoveryKey(const BookFolder& folder,
                                                    QStringView recoveryKey,
                                                    QStringView newPassword, KdfLimits limits) {
    return rewrapBookKey(
        folder, newPassword, limits,
        [&](const BookKeyFile& file) { return file.unlockWithRecoveryKey(recoveryKey); },
        QStringLiteral("The recovery key does not open this book."));
}

ConversionOutcome addRecoveryKey(const BookFolder& folder, QStringView password) {
    ConversionOutcome outcome;
    QString why;
    auto file = readBookKey(folder, why);
    if (!file) {
        outcome.error = why;
        return outcome;
    }
    const auto key = file->unlockWithPassword(password);
    if (!key) {
        outcome.error = wrongPassword().error;
        outcome.wrongPassword = true;
        return outcome;
    }
    outcome.recoveryKey = file->setRecoveryKey(*key);
    if (const int failed = writeBookKey(folder.bookKeyPath(), *file)) {
        outcome.error = QStringLiteral("Cannot write %1: %2")
                            .arg(folder.bookKeyPath(), describeRuntimeError(failed));
        outcome.recoveryKey.clear();
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

} // namespace orvelan
