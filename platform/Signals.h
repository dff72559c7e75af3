#pragma once
#include <functional>
#include <thread>

namespace platform {

// The signals that ask a program to end: SIGTERM (a service manager, a
// container, kill), SIGINT (Ctrl+C) and SIGHUP (the terminal went away).
// While an EndSignals lives, the first of them is only noted: the program
// looks at requested() and ends its own way, and `wake`, called once on a
// thread of the object's own, lets it know at once (a loop asleep until its
// next frame). A second one ends the program at once, by that signal. The
// handler itself only notes the signal and writes a byte to a pipe, as
// async-signal-safety asks. The signals' dispositions before it come back
// when it goes. One lives at a time: a second one made meanwhile does
// nothing.
class EndSignals {
public:
    explicit EndSignals(std::function<void()> wake);
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // The signal that asked first; 0 while none has.
    int requested() const;

private:
    void watch();

    bool installed = false;
    int readEnd = -1;
    std::function<void()> onRequest;
    std::thread watcher;
};

} // namespace platform
