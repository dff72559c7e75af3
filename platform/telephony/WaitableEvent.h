#pragma once

namespace platform {

// A flag that threads wait on, set by another: with manual reset it stays
// set until reset; with automatic reset the wait that sees it set clears it.
// Any thread may set, reset or wait.
class WaitableEvent {
public:
    explicit WaitableEvent(bool manualReset, bool initiallySet = false);
    ~WaitableEvent();
    WaitableEvent(const WaitableEvent&) = delete;
    WaitableEvent& operator=(const WaitableEvent&) = delete;

    void set();
    void reset();
    bool isSet();

    // Waits until one of the events is set, for at most timeoutMs (forever
    // when negative); the index of the first one set, -1 on time-out.
    static int waitAny(WaitableEvent* const* events, int count, int timeoutMs);

private:
    bool manual;
    bool signalled;
};

} // namespace platform
