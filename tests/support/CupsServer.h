#pragma once
// A CUPS print server of the test's own: cupsd with its configuration, its
// spool and its logs in a temporary folder, listening on a socket there
// (never on a port, never the system's server). Its one queue, "Quarnel",
// is the default; its paper is A4 unless a job asks for A5, 4x6 or Letter,
// with margins of 18 points on A4, 12 on A5, 9 on 4x6 and none on Letter
// (4x6 has no legacy name, only its standard and its usual one); its jobs go through the
// filters of cups-filters (pdftopdf), which fit a page onto the paper as a
// printer would, into one PDF file. Debian: cups-daemon and
// cups-filters-core-drivers (scripts/deps.sh).
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class CupsServer {
public:
    // Whether a server can be started here; why not otherwise.
    static bool available(std::string* why);

    // Starts the server and waits until it answers (ready()).
    CupsServer();
    // For a test that prints through a server of its own: the test is
    // skipped where none can be started or poppler's tools are missing, and
    // fails (fatally) when the server does not start; null then. Else the server,
    // with the environment set so that the program asks it (CUPS_SERVER)
    // and finds no printer of the user's own (HOME set to `home`, PRINTER
    // and LPDEST unset).
    static std::unique_ptr<CupsServer> startForTest(const std::string& home);
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    bool ready() const { return started; }
    // The value of CUPS_SERVER for its clients.
    std::string socket() const { return folder.file("cups.sock"); }
    // The PDF file of the last job printed.
    std::string printed() const { return folder.file("printed.pdf"); }
    // The server's log, for messages of failed tests.
    std::string log() const;

    // Stops the server as a hung one: it accepts connections and answers
    // nothing (SIGSTOP); resume() lets it go on.
    void stop();
    void resume();

    struct Job {
        int id = 0;
        int state = 0; // IPP job-state: 9 completed
        std::string name;
        std::string media; // as the client asked for it; empty when it did not
    };
    // The jobs the server has had, oldest first.
    std::vector<Job> jobs() const;
    // Waits up to `seconds` for `count` jobs to be completed (or to end
    // otherwise); false when they were not.
    bool waitForJobs(size_t count, int seconds) const;

private:
    TempDir folder;
    std::unique_ptr<ChildProgram> cupsd;
    bool started = false;
    bool stopped = false;
};

} // namespace testsupport
