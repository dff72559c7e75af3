#pragma once
#include "platform/Print.h"

#include <memory>
#include <string>

// Printing on Linux, for every backend: a print job renders its pages into
// a PDF document (cairo) and hands it to a CUPS printer, or leaves it in the
// print folder when there is no printer. Built when cairo and the CUPS
// library are found; without them every job here is null and no printer
// is found.
namespace platform {

// The resolution the print jobs give their page sizes in.
enum { PRINT_DOTS_PER_INCH = 300 };

// An A4 page in pixels at that resolution, portrait.
Size a4PageSize(int dotsPerInch);

// A job whose pages are PDF pages of the portrait size (pixels at
// dotsPerInch; setLandscape turns it), each picture scaled onto its page as
// asked. When the document ends the file goes to the CUPS printer named
// `printer` and is deleted; with no printer named, or one that refuses the
// file, the file stays in the print folder (printFolder()) as "<document
// name>.pdf" ("<name>-2.pdf" and so on when that name is taken) and
// standard error tells where. A job that goes with its document open ends
// it first. Null when built without cairo.
std::unique_ptr<PrintJob> createPdfPrintJob(Size portrait, int dotsPerInch, const std::string& printer);

// The system's default printer (CUPS) and its default page size, portrait,
// in pixels at dotsPerInch (A4 when the printer tells none). False when
// there is no default printer or no CUPS to ask.
bool findDefaultPrinter(std::string* name, Size* portrait, int dotsPerInch);

// A job for the default printer, or, without one, a job that leaves a PDF
// of an A4 page in the print folder; null when built without cairo.
std::unique_ptr<PrintJob> createSystemPrintJob();

// The file that the last job without a printer left, or "" (tests).
std::string lastPrintedFile();

} // namespace platform
