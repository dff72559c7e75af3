#pragma once
#include "platform/Print.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

// Printing on Linux, for every backend: a print job renders its pages into
// a PDF document (cairo) and hands it to a CUPS printer, or leaves it in a
// folder when there is no printer. Built when cairo and the CUPS library
// are found; without them every job here is null and no printer is found.
namespace platform {

// The resolution the print jobs give their page sizes in.
enum { PRINT_DOTS_PER_INCH = 300 };

// An A4 page in pixels at that resolution, portrait.
Size a4PageSize(int dotsPerInch);

// How long a print may wait for the print server, from the moment it was
// asked for until the server has taken the document: its printer's lookup
// and the hand-over together. The environment variable
// QUARNEL_PRINT_TIMEOUT_MS sets another (100 to 600000), for tests; any
// other value in it is named on standard error, once, with the limit kept.
enum { PRINT_SERVER_LIMIT_MS = 10000 };
int printServerLimitMs();

// When a job stops waiting for the print server: at `until`, or at once
// once another thread sets `stop`.
struct PrintDeadline {
    std::chrono::steady_clock::time_point until;
    const std::atomic<bool>* stop = nullptr;
    int limitMs = PRINT_SERVER_LIMIT_MS; // named in the messages

    bool stopped() const { return stop && stop->load(); }
    bool passed() const { return stopped() || std::chrono::steady_clock::now() >= until; }
    // From now, limitMs milliseconds.
    static PrintDeadline after(int limitMs, const std::atomic<bool>* stop = nullptr);
};

// A job whose pages are PDF pages of the portrait size (pixels at
// dotsPerInch; setLandscape turns it), each picture scaled onto its page as
// asked. The document is left in the print folder as it is when the job is
// made (printFolder()) as "<document name>.pdf" ("<name>-2.pdf" and so on
// when that name is taken), and standard error tells where. A job that goes
// with its document open ends it first. Null when built without cairo.
std::unique_ptr<PrintJob> createPdfPrintJob(Size portrait, int dotsPerInch);

// A job for the system's default printer (CUPS) at PRINT_DOTS_PER_INCH,
// whose page is the paper the printer is set to print on - the user's own
// choice for it ("lpoptions -o media=..."), else the queue's default - less
// its widest margins, so that all of a page prints. The printer is looked
// up now and takes the document when it ends, both before the deadline:
// the print server's answers are waited for no longer (give or take the
// second libcups waits at most before it asks again). A document that no
// printer took - there is none, it refused the document, or the server did
// not answer in time - is left as a PDF in `folder`, a host path (the
// current directory when empty), and standard error says why and where;
// its page is A4 unless the printer's paper was known. The job reads
// nothing that the engine shares, so that it may run on any thread. Null
// when built without cairo.
std::unique_ptr<PrintJob> createSystemPrintJob(const PrintDeadline& deadline, const std::string& folder);

// The print folder (printFolder()) as a host path; empty for the current
// directory.
std::string hostPrintFolder();

// The file that the last job without a printer left, or "" (tests).
std::string lastPrintedFile();

} // namespace platform
