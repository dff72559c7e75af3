#include "support/ChildProgram.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

ChildEnvironment::ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const char* name : {"QUARNEL_PHONE", "QUARNEL_DEBUG", "DISPLAY", "WAYLAND_DISPLAY"}) {
        keep(name);
        unsetenv(name);
    }
    for (const auto& v : values) {
        keep(v.first);
        setenv(v.first.c_str(), v.second.c_str(), 1);
    }
}

ChildEnvironment::~ChildEnvironment()
{
    for (auto s = saved.rbegin(); s != saved.rend(); ++s) {
        if (s->present)
            setenv(s->name.c_str(), s->value.c_str(), 1);
        else
            unsetenv(s->name.c_str());
    }
}

void ChildEnvironment::keep(const std::string& name)
{
    const char* old = std::getenv(name.c_str());
    saved.push_back(Saved{name, old != nullptr, old ? old : ""});
}

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
    const int status = waitStatus(timeoutMs);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ChildProgram::waitStatus(int timeoutMs)
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
    return status;
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
