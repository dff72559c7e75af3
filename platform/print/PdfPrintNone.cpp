// Printing without cairo and CUPS: no job, no printer.
#include "platform/print/PdfPrint.h"

namespace platform {

std::unique_ptr<PrintJob> createPdfPrintJob(Size, int, const std::string&) { return nullptr; }

bool findDefaultPrinter(std::string*, Size*, int) { return false; }

std::string lastPrintedFile() { return std::string(); }

} // namespace platform
