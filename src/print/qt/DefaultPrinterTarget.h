#pragma once

#include "print/PrintSurface.h"
#include "store/BookFolder.h"

namespace orvelan {

// The system's default printer, without a dialog; with no printer installed, a PDF file in the
// book folder's Prints/ folder, whose path the job reports. Both print through the same surface
// as the command-line tool.
class DefaultPrinterTarget final : public PrintTarget {
public:
    explicit DefaultPrinterTarget(QString printsFolder) : m_printsFolder(std::move(printsFolder)) {}
    // PDF files go to the book folder's Prints/.
    static DefaultPrinterTarget forBook(const BookFolder& folder);
    PrintJob open(const QString& documentName) override;

    // Why a printer queue will not take a job ("The printer queue "office" is not accepting
    // jobs (ready)."), empty when it will. `stopped` is the queue's stopped state; `accepting`
    // what `lpstat -a` says of it (empty when unknown).
    static QString queueRefusal(const QString& name, bool stopped, const QString& accepting);

private:
    QString m_printsFolder;
};

} // namespace orvelan
