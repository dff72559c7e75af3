#include "platform/print/PdfPrint.h"

namespace platform {

Size a4PageSize(int dotsPerInch)
{
    // 210 x 297 mm, rounded to the nearest pixel.
    return Size{int((2100L * dotsPerInch + 127) / 254), int((2970L * dotsPerInch + 127) / 254)};
}

std::unique_ptr<PrintJob> createSystemPrintJob()
{
    std::string printer;
    Size page;
    if (!findDefaultPrinter(&printer, &page, PRINT_DOTS_PER_INCH)) {
        printer.clear();
        page = a4PageSize(PRINT_DOTS_PER_INCH);
    }
    return createPdfPrintJob(page, PRINT_DOTS_PER_INCH, printer);
}

} // namespace platform
