// Printing without cairo and CUPS: no job, no printer.
#include "platform/print/PdfPrint.h"

namespace platform {

std::unique_ptr<PrintJob> createPdfPrintJob(Size, int) { return nullptr; }

std::unique_ptr<PrintJob> createSystemPrintJob(const PrintDeadline&, const std::string&) { return nullptr; }

std::string lastPrintedFile() { return std::string(); }

} // namespace platform
