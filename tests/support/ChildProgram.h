#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A program run as a process of its own in a folder, with its standard
// output and error appended to a file; killed when it goes.
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
    void kill();

private:
    pid_t pid;
};

} // namespace testsupport
