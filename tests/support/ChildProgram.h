#pragma once
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testsupport {

// How long a test waits for a program it started to show what it waits
// for (a window, a frame, a line, a file) or to end, before it fails: a
// bound for a program that never does it, not a time it is expected to
// take. An idle machine takes a second or a few; one loaded some six times
// over its cores, under the sanitizers and with the X server starved as
// well, took up to 45 s to show the demo's first picture full screen. The
// bound costs time only when a test fails.
constexpr int PATIENCE_SECONDS = 300;
constexpr int PATIENCE_MS = PATIENCE_SECONDS * 1000;

// The environment of the programs started while it exists: no display, no
// phone service and no debugging output unless given, and the values given;
// the old one comes back when it goes.
class ChildEnvironment {
public:
    explicit ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& values);
    ~ChildEnvironment();
    ChildEnvironment(const ChildEnvironment&) = delete;
    ChildEnvironment& operator=(const ChildEnvironment&) = delete;

private:
    struct Saved {
        std::string name;
        bool present;
        std::string value;
    };
    void keep(const std::string& name);
    std::vector<Saved> saved;
};

// In a child between fork and exec: every signal back to its default
// disposition and none blocked, so that a program started by a test
// behaves the same whether the tests run under nohup, a shell's trap or
// a terminal. Only calls that are safe after fork.
void defaultSignalsInChild();

// std::system for a test: the shell command runs in a child started as
// above; its standard output is appended to *output when given. The wait
// status (sys/wait.h), -1 when no shell could be started.
int shell(const std::string& command, std::string* output = nullptr);

// A program run as a process of its own in a folder, with its standard
// output and error appended to a file, started with default signals;
// killed when it goes.
class ChildProgram {
public:
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
                 const std::string& output);
    ~ChildProgram() { kill(); }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Above 0 while the process runs or has not been waited for.
    pid_t id() const { return pid; }
    // The exit code once the program ends; -1 when it has not ended in
    // time (it is then killed) or ended by a signal.
    int wait(int timeoutMs = 30000);
    // The wait status (sys/wait.h) once the program ends; -1 when it has
    // not ended in time (it is then killed).
    int waitStatus(int timeoutMs = 30000);
    void kill();

private:
    pid_t pid;
};

} // namespace testsupport
