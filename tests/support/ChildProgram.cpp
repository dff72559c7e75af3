#include "support/ChildProgram.h"

#include <cerrno>
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

void defaultSignalsInChild()
{
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int number = 1; number < NSIG; ++number)
        if (number != SIGKILL && number != SIGSTOP)
            sigaction(number, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

int shell(const std::string& command, std::string* output)
{
    int fds[2] = {-1, -1};
    if (output && pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        defaultSignalsInChild();
        if (output && dup2(fds[1], 1) < 0)
            _exit(127);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (output) {
        close(fds[1]);
        char buffer[4096];
        ssize_t n;
        while (child > 0 && ((n = read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)))
            if (n > 0)
                output->append(buffer, size_t(n));
        close(fds[0]);
    }
    if (child < 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return status;
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
        defaultSignalsInChild();
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
