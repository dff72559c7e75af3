#pragma once
// A title installed into a home folder of its own, as the maker's installer
// leaves it: the program folder with the uninstaller and its "install.ini",
// the key store's entries, the menu's desktop entries (with another program
// of the same company beside them) and the shared uninstaller, here a
// stand-in that records its arguments.
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <map>
#include <string>
#include <vector>

namespace installtest {

class InstalledTitle {
public:
    InstalledTitle();
    ~InstalledTitle() { wait(0); }

    // Every file and folder below the home folder: path below it -> bytes
    // ("<folder>" for a folder).
    std::map<std::string, std::string> snapshot() const;
    // What changed in the home folder since a snapshot, a line a path in
    // order: "- " gone, "+ " new, "~ " other bytes.
    std::string changesSince(const std::map<std::string, std::string>& before) const;

    // Runs the uninstaller copied into the program folder with `args`,
    // `input` on its standard input, and the environment of a user whose
    // home is this one (no XDG variables, no display unless one is given),
    // changed by `env` ("NAME=value" sets, "NAME" unsets). Its exit code,
    // or -1 when it did not end within 30 seconds (it is then killed).
    int run(const std::vector<std::string>& args, const std::string& input = std::string(),
            const std::vector<std::string>& env = std::vector<std::string>());
    // Starts it the same way without waiting; wait() gives its exit code.
    void start(const std::vector<std::string>& args, const std::vector<std::string>& env);
    int wait(int seconds);
    // What it wrote to its standard output and error.
    std::string output() const { return tmp.read("out.txt"); }
    std::string errors() const { return tmp.read("err.txt"); }
    // The arguments the shared uninstaller was started with, one a line;
    // empty when it was not started.
    std::string handOver() const { return testsupport::readFile(home + "/handover.txt"); }

    // How the next runs are started. As an ordinary user: a super-user
    // gives up overriding file permissions, so that a read-only folder
    // is read-only to it too; when it cannot, the run ends with
    // cannotRunAsOrdinaryUser. A file size limit in bytes (0: none), past
    // which a write raises SIGXFSZ, which ends a program that does not
    // ignore it.
    bool asOrdinaryUser = false;
    long fileSizeLimit = 0;
    enum { cannotRunAsOrdinaryUser = 125 };

    testsupport::TempDir tmp;
    std::string home;
    std::string program; // the title's folder
    std::string menu;    // the user's applications folder
    std::string userStore, machineStore;

private:
    int pid = -1;
};

// The texts of the stores as the installer writes them, and the machine
// store as it must be once the title's uninstall entry is gone.
extern const char* const userStoreText;
extern const char* const machineStoreText;
extern const char* const machineStoreAfter;

// Checks that the uninstaller took away from a freshly installed title (of
// which `before` is a snapshot) exactly its menu entries and folder and its
// uninstall entry, and then became the shared uninstaller.
void expectUninstalled(const InstalledTitle& title, const std::map<std::string, std::string>& before);

} // namespace installtest
