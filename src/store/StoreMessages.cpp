#include "store/StoreMessages.h"

#include "store/RuntimeError.h"
#include "store/TabTable.h"

namespace orvelan {

namespace {

const QString& missingFilesText() {
    static const QString text = QStringLiteral(
        "Ensure that all data files are in the ORVELAN File folder.  You can create a new data "
        "set by starting ORVELAN with the command line arguments [ /DRST ] this will create 1 new "
        "blank page for each tab.");
    return text;
}

QString knownReadError(int error) {
    switch (error) {
    case 9:
        return QStringLiteral("Can't Resolve Index Pointer(s)   ");
    case 52:
        return QStringLiteral("Data or Config record Not Found   ");
    case 53:
        return QStringLiteral("File Data or Config Record Path Not Found    ");
    case 54:
        return QStringLiteral("Can't Resolve Target Pointer   ");
    case 57:
        return QStringLiteral("Windows is Reporting: DEVICE I/O Error   ");
    case 59:
        return QStringLiteral("Unexpected Record Size in File   ");
    case 63:
        return QStringLiteral("Can't Resolve Record page Number   ");
    case 68:
        return QStringLiteral("Windows is Reporting: DEVICE UNAVAILABLE   ");
    case 70:
        return QStringLiteral("Windows is Reporting: Permission Denied   ");
    case 71:
        return QStringLiteral("DEVICE UNAVAILABLE or Disk NOT Ready   ");
    case 75:
    case 76:
        return QStringLiteral("Data Path or Config Record Not Found   ");
    default:
        return {};
    }
}

} // namespace

QString damagedPageText(int tab, qint64 page) {
    return QStringLiteral("page %1 of tab %2 is damaged and cannot be read")
        .arg(page)
        .arg(QString::fromLatin1(tabLabel(tab)).trimmed());
}

QString damagedLeftOutNotice(qint64 damaged) {
    if (damaged == 0)
        return {};
    return damaged == 1 ? QStringLiteral("1 damaged page could not be read and was left out.")
                        : QStringLiteral("%1 damaged pages could not be read and were left out.")
                              .arg(damaged);
}

QString plainCopyNotice() {
    return QStringLiteral("The book is encrypted, but this copy is not: anyone who gets it can "
                          "read it.");
}

QString writeErrorMessage(int error) {
    return QStringLiteral("Could not write the file. ") + describeRuntimeError(error);
}

QString readErrorMessage(int error) {
    const QString known = knownReadError(error);
    if (!known.isEmpty())
        return known;
    return QStringLiteral("Can't GETPAGE() :  20") + QString::number(error) +
           QStringLiteral("-6558  ");
}

StoreFailureMessages messagesFor(const StoreFailure& failure) {
    StoreFailureMessages messages;
    const QString number = QString::number(failure.error);
    if (failure.operation == StoreFailure::Operation::GetPage &&
        failure.error == RuntimeError::PageDamaged) {
        messages.continuable = true;
        messages.first = {QStringLiteral("ORVELAN Error: ") + failure.fileName,
                          damagedPageText(failure.tab, failure.page), PromptIcon::Critical,
                          PromptButtons::OkCancel};
        messages.onCancel = {QStringLiteral("ORVELAN Error"), missingFilesText(),
                             PromptIcon::Information, PromptButtons::Ok};
        return messages;
    }
    if (failure.operation == StoreFailure::Operation::GetPage) {
        const QString known = knownReadError(failure.error);
        messages.continuable = !known.isEmpty();
        messages.first = {QStringLiteral("ORVELAN Error: ") + failure.fileName +
                              QStringLiteral(" #20") + number,
                          (known.isEmpty() ? QStringLiteral("Unexpected Error: ")
                                           : QStringLiteral("File Read/Write Error: ")) +
                              readErrorMessage(failure.error),
                          PromptIcon::Critical, PromptButtons::OkCancel};
        messages.onCancel = {QStringLiteral("ORVELAN Error"), missingFilesText(),
                             PromptIcon::Information, PromptButtons::Ok};
        return messages;
    }
    // A failed write says so, and why (the disk is full, no permission ...); the read texts
    // stay for reads.
    const QString text = QStringLiteral("ERROR: Can't Write File(s): ") + failure.fileName +
                         QStringLiteral("  ") + describeRuntimeError(failure.error);
    messages.first = {QStringLiteral("ORVELAN Error: 06") + number + QStringLiteral(":2011"), text,
                      PromptIcon::Critical, PromptButtons::Ok};
    return messages;
}

} // namespace orvelan
