#pragma once
#include "platform/Print.h"

#include <functional>
#include <memory>
#include <thread>

namespace platform {

// Prints documents on the system's default printer (createSystemPrintJob,
// PdfPrint.h) one after another on a thread of its own, so that whoever
// hands them over never waits for the print server. Each document may
// wait for the server printServerLimitMs() from the moment it was handed
// over; one that no printer took by then is left as a PDF in the print
// folder of that moment, and standard error names it. At most
// MAX_PENDING documents wait or print at a time.
//
// When the spooler goes, it stops waiting for the server: the document
// under way and those still waiting are left as PDFs at once. It waits for
// its thread CLOSING_GRACE_MS at most - a wait that libcups does not bound,
// such as looking up the name of a remote server, may last longer; the
// thread is then left to end with the program, and touches nothing that
// the program destroys as it ends.
class PrintSpooler {
public:
    enum { MAX_PENDING = 8, CLOSING_GRACE_MS = 3000 };

    PrintSpooler();
    ~PrintSpooler();
    PrintSpooler(const PrintSpooler&) = delete;
    PrintSpooler& operator=(const PrintSpooler&) = delete;

    // Hands a document over: `draw` is called on the spooler's thread with
    // the job. False, with a line on standard error, when MAX_PENDING
    // documents are pending already.
    bool print(std::function<void(PrintJob&)> draw);
    // The documents handed over that are not printed or left yet.
    int pending();

private:
    struct State;
    static void serve(std::shared_ptr<State> state);

    std::shared_ptr<State> state;
    std::thread worker;
};

} // namespace platform
