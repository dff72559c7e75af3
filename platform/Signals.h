#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// The signals that ask a program to end: SIGTERM (a service manager, a
// container, kill), SIGINT (Ctrl+C) and SIGHUP (the terminal went away).
// While an EndSignals lives, the first of them is only noted: the program
// looks at requested() and ends its own way, and `wake` is called once, on
// a thread of the object's own, so that a loop asleep until its next frame
// hears of it at once. Waits that must not hold the end up poll
// endRequestHandle() beside what they wait for.
//
// The same signal again within REPEAT_MS of the first is the same request
// (timeout(1) sends its signal to the program and then to its group, a
// closed terminal's SIGHUP may come from the kernel and from the shell);
// any other signal, or the same one later, ends the program at once, by
// that signal. When the end has not come GRACE_MS after the first signal
// (a script that never gives its frame back), `overdue` is called on the
// object's thread with the signal: it is to say so and end the program.
//
// GRACE_MS counts the title's own time: once ended() says the end has
// come it is over, and a wait of the teardown with a bound of its own
// (TeardownWait) on the thread that made the object, the one that runs
// the title's end, does not count against it.
//
// A signal that was ignored when the object was made (nohup) stays
// ignored; the dispositions from before come back when it goes, unless
// ignoreWhenGone() was called. A child the process forks has the three
// signals at their default again (it does not share the handler's
// state, and must end when it is told to). One lives at a time: a second
// one made meanwhile does nothing.
class EndSignals {
public:
    enum { REPEAT_MS = 1000, GRACE_MS = 5000 };

    EndSignals(std::function<void()> wake, std::function<void(int signal)> overdue);
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // The signal that asked first; 0 while none has.
    int requested() const;
    // The title's end has come: `overdue` is not called any more.
    void ended();

    // For a program that ends when its run does: when the object goes the
    // three signals are ignored, not given back their dispositions from
    // before. The run's end has come and the exit code is decided; a
    // signal repeated while the process exits (or held back meanwhile, as
    // a leak checker holds signals) must not end it by the default
    // disposition. Call it before the object is made.
    static void ignoreWhenGone();

private:
    void watch();

    bool installed = false;
    int stopRead = -1, stopWrite = -1; // closing stopWrite ends the watcher
    std::atomic<bool> hasEnded{false};
    std::function<void()> onRequest;
    std::function<void(int)> onOverdue;
    std::thread watcher;
};

// A wait of the program's teardown that has a bound of its own (a child
// program given its time to end before it is killed): the time spent while
// one lives on the thread that made the EndSignals does not count against
// EndSignals::GRACE_MS. One on another thread (a plug-in's own thread
// tearing down what it started) counts as the title's time: the title's
// end is not under way while it waits.
class TeardownWait {
public:
    TeardownWait();
    ~TeardownWait();
    TeardownWait(const TeardownWait&) = delete;
    TeardownWait& operator=(const TeardownWait&) = delete;

private:
    const bool setAside; // its time is not counted against the bound
};

// A wait for a child process that a library forks on the calling thread
// and waits for until it ends (SDL shows a message box from a forked copy
// of the program): while one lives, such a child is killed when a signal
// asks the program to end, so that the wait returns at once, and when the
// thread that made it ends (the program killed), so that no copy of the
// program outlives it. One at a time; another made meanwhile does nothing.
class ForkedWait {
public:
    ForkedWait();
    ~ForkedWait();
    ForkedWait(const ForkedWait&) = delete;
    ForkedWait& operator=(const ForkedWait&) = delete;

    // Whether a signal has asked the program to end (a child of the wait
    // is then killed, or was ended by the signal itself).
    bool endAsked() const;

private:
    void watch();

    bool active = false;
    int pidRead = -1, pidWrite = -1;   // a socket pair: the child sends a pidfd of itself
    int stopRead = -1, stopWrite = -1; // closing stopWrite ends the watcher
    std::atomic<bool> asked{false};
    std::mutex startLock;
    std::condition_variable started;
    bool watching = false;
    std::thread watcher;
};

// A descriptor that turns readable when a signal asks the program to end,
// and stays so while the EndSignals that noted it lives; -1 while none
// lives. Never read from it or close it.
int endRequestHandle();

} // namespace platform
