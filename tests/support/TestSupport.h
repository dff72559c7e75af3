#pragma once
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A fresh folder under the system temp dir, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& relative) const { return root + "/" + relative; }
    // Writes bytes to a file below the folder, making parent folders.
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::string root;
};

// Restores the process's working directory when it goes.
class CwdGuard {
public:
    CwdGuard();
    ~CwdGuard();

private:
    std::string saved;
};

// Whether a loopback port of that kind (SOCK_STREAM, SOCK_DGRAM) can be
// bound now; its number when port is 0 and it could; -1 when not.
int bindable(int type, int port);
// A loopback TCP port that nothing listens on now; 0 when none was given.
int freePort();

// Collects what the engine writes to the debugger output.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    // The lines that hold `part`, without their line ends.
    std::vector<std::string> holding(const std::string& part) const;
    std::vector<std::string> lines;
};

// Makes every write of this process past `bytes` into a file fail, as a
// full disk or a crash in the middle of a save would cut it; the earlier
// limit comes back when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long savedCurrent, savedMaximum;
    void (*savedSignal)(int);
};

// Writes a title's files below dir with CR LF line ends, as titles made on
// Windows have them.
void writeTitle(const TempDir& dir, std::initializer_list<std::pair<std::string, std::string>> files);
// The records of an application with the one episode E of the one scene S
// (a snapshot is written of episodes only).
std::string oneScene();

void makeDirs(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Switches the C library to a locale with a comma as decimal separator
// (built on the fly when the system has none); false when impossible.
bool useCommaDecimalLocale();
void useCLocale();

} // namespace testsupport
