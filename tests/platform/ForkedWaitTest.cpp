// A forked wait ends the children forked on its thread when a signal asks
// the program to end, and never a process that took the pid of one that
// was reaped before.
#include "platform/Signals.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Whether the next process forked gets that pid, as a checkpoint restorer
// asks for one (the system's last pid given set to the one before).
bool nextPidIs(pid_t pid)
{
    FILE* last = std::fopen("/proc/sys/kernel/ns_last_pid", "w");
    if (!last)
        return false;
    const bool written = std::fprintf(last, "%d", int(pid - 1)) > 0;
    return std::fclose(last) == 0 && written;
}

// A process of the test's own that lives until it is killed or the pipe
// `alive` is closed (the test program ends), at that pid when the system
// gives it (other programs fork meanwhile); -1 when not. Forked on a thread
// of its own, so that no forked wait takes it for one of its children.
pid_t processAt(pid_t pid, const int alive[2])
{
    pid_t made = -1;
    std::thread([&] {
        for (int attempt = 0; attempt < 20 && made != pid; ++attempt) {
            if (made > 0) {
                kill(made, SIGKILL);
                waitpid(made, nullptr, 0);
            }
            if (!nextPidIs(pid))
                return;
            made = fork();
            if (made == 0) {
                // Until the test program ends.
                char byte;
                close(alive[1]);
                while (read(alive[0], &byte, 1) != 0) {
                }
                _exit(0);
            }
        }
    }).join();
    if (made > 0 && made != pid) {
        kill(made, SIGKILL);
        waitpid(made, nullptr, 0);
        made = -1;
    }
    return made;
}

// A child of the wait's thread ends and is reaped (a box closed) before a
// signal asks the program to end; its pid goes to another process meanwhile.
// The end request reaches the wait, which must leave that process alone.
// Rounds, since the wait's watcher may take up the child before or after
// it was reaped.
TEST(ForkedWaitTest, AChildReapedBeforeTheEndRequestLeavesItsPidAlone)
{
    if (!nextPidIs(getpid()))
        GTEST_SKIP() << "the next pid cannot be chosen here (not root)";
    int alive[2];
    ASSERT_EQ(pipe(alive), 0);
    int rounds = 0;
    for (int round = 0; round < 40; ++round) {
        platform::EndSignals signals(nullptr, nullptr);
        signals.ended();
        platform::ForkedWait wait;
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        ASSERT_GT(child, 0);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);
        const pid_t other = processAt(child, alive);
        if (other < 0)
            continue;
        ++rounds;
        raise(SIGTERM);
        EXPECT_TRUE(wait.endAsked());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        int status = 0;
        const pid_t ended = waitpid(other, &status, WNOHANG);
        EXPECT_EQ(ended, 0) << "round " << round << ": the process at the reaped child's pid was killed";
        kill(other, SIGKILL);
        if (ended == 0)
            waitpid(other, nullptr, 0);
        if (ended != 0)
            break;
    }
    close(alive[0]);
    close(alive[1]);
    EXPECT_GT(rounds, 0) << "no process ever got a reaped child's pid";
}

// A child still showing its box when the request comes is killed, at once.
TEST(ForkedWaitTest, AChildOfTheWaitEndsWithTheRequest)
{
    platform::EndSignals signals(nullptr, nullptr);
    signals.ended();
    platform::ForkedWait wait;
    const pid_t child = fork();
    if (child == 0) {
        for (;;)
            pause();
    }
    ASSERT_GT(child, 0);
    const auto start = std::chrono::steady_clock::now();
    raise(SIGTERM);
    int status = 0;
    pid_t ended = 0;
    while (ended == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_EQ(ended, child) << "not killed";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(wait.endAsked());
}

} // namespace
