#pragma once
#include <functional>
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
// A signal that was ignored when the object was made (nohup) stays
// ignored; the dispositions from before come back when it goes. One lives
// at a time: a second one made meanwhile does nothing.
class EndSignals {
public:
    enum { REPEAT_MS = 1000, GRACE_MS = 5000 };

    EndSignals(std::function<void()> wake, std::function<void(int signal)> overdue);
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // The signal that asked first; 0 while none has.
    int requested() const;

private:
    void watch();

    bool installed = false;
    int stopRead = -1, stopWrite = -1; // closing stopWrite ends the watcher
    std::function<void()> onRequest;
    std::function<void(int)> onOverdue;
    std::thread watcher;
};

// A descriptor that turns readable when a signal asks the program to end,
// and stays so while the EndSignals that noted it lives; -1 while none
// lives. Never read from it or close it.
int endRequestHandle();

} // namespace platform
