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

private:
    QString m_printsFolder;
};

} // namespace orvelan
