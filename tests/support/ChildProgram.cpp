#include "support/ChildProgram.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder, const std::string& output)
{
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

int ChildProgram::wait(int timeoutMs)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > end) {
            kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (pid <= 0)
        return -1;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProgram::kill()
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace testsupport
