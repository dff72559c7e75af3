#pragma once
// The host program started as a process of its own on an X server of the
// test's own (Xvfb), as a person starts it in a window; skipped without
// Xvfb. Include it after GoogleTest (Xvfb.h says why).
#include "support/ChildProgram.h"
#include "support/TestSupport.h"
#include "support/Xvfb.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class HostInWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveXvfb())
            GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
        ASSERT_NE(x.display, nullptr) << "Xvfb did not start: " << x.failure;
    }
    // The program's whole process group goes: a child it forked (the
    // window system's message box is shown from one) must not outlive the
    // test and hold its output open.
    void TearDown() override
    {
        if (group > 0)
            kill(-group, SIGKILL);
        if (host > 0)
            waitpid(host, nullptr, 0);
    }

    // Starts the program in `folder` on the test's display, with SDL's
    // silent sound driver, in a process group of its own; its standard
    // error goes to err.txt, its standard output to out.txt.
    void start(const std::string& folder, std::vector<std::string> switches)
    {
        std::string err = tmp.file("err.txt");
        host = fork();
        if (host == 0) {
            setpgid(0, 0);
            testsupport::defaultSignalsInChild();
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 2);
            int out = open(tmp.file("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            setenv("DISPLAY", x.name.c_str(), 1);
            unsetenv("WAYLAND_DISPLAY");
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            // Under the sanitizers: the window system's libraries that SDL
            // loads and unloads again keep memory to the end (the D-Bus
            // connection among them). The engine's own code is checked for
            // leaks in the headless runs and in the SDL backend's tests.
            const char* asan = std::getenv("ASAN_OPTIONS");
            std::string options = std::string(asan ? asan : "") + ":detect_leaks=0";
            setenv("ASAN_OPTIONS", options.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(QUARNEL_HOST_PROGRAM)};
            for (std::string& s : switches)
                argv.push_back(&s[0]);
            argv.push_back(nullptr);
            execv(QUARNEL_HOST_PROGRAM, argv.data());
            _exit(127);
        }
        ASSERT_GT(host, 0);
        setpgid(host, host);
        group = host;
    }
    // The program's exit code once it ended, -1 when it did not within the
    // time given.
    int waitForExit(int seconds = PATIENCE_SECONDS)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (waitpid(host, &status, WNOHANG) == host) {
                host = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    Xvfb x;
    TempDir tmp;
    pid_t host = -1;
    pid_t group = -1;
};

} // namespace testsupport
