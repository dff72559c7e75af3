#pragma once
#include "platform/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Periodic timers whose callbacks run on a thread of their own (the
// multimedia timers of the streamed music's 50 ms refill). The same code
// serves every backend; what differs is the clock it follows:
// - on a manual clock (a headless run, tests) timers fire only when the
//   clock moves forward, and the thread that moved it returns from advance
//   only after every callback that fell due has run, so a run is
//   repeatable;
// - otherwise (the system clock) the thread waits in real time.
//
// A timer first fires one period after it was started, then every period.
// When the clock jumps by many periods at once a timer fires at most
// MAX_CATCH_UP times for that jump and then counts its period from the
// present. Timers that fall due together fire in the order of their due
// times, then of their ids. The resolution is accepted and not used.
//
// Callbacks run one at a time. A callback may start and kill timers (its
// own included: killing itself returns at once); it must not move a manual
// clock, and must not add or remove clock listeners.
class ThreadPacer;

class PeriodicTimers : private ClockListener {
public:
    using Callback = void (*)(uint32_t id, void* user);
    enum { MAX_CATCH_UP = 10 };

    // Follows the given manual clock.
    explicit PeriodicTimers(ManualClock& clock);
    // Follows the current clock (Clock.h) in real time.
    PeriodicTimers();
    // Kills every timer (waiting for a running callback); not from a callback.
    ~PeriodicTimers();
    PeriodicTimers(const PeriodicTimers&) = delete;
    PeriodicTimers& operator=(const PeriodicTimers&) = delete;

    // A timer of periodMs (1 to 1,000,000) calling callback(id, user); its
    // id, never 0, or 0 when the period is out of range or the callback null.
    uint32_t start(uint32_t periodMs, uint32_t resolutionMs, Callback callback, void* user);
    // Stops the timer; once kill returns its callback is not running and
    // never runs again (called from that very callback it returns at once).
    // False for an unknown id.
    bool kill(uint32_t id);
    // Timers running.
    int count();
    // A pacer for a worker thread of the caller's that follows the same
    // clock as these timers (see ThreadPacer).
    std::unique_ptr<ThreadPacer> makePacer(uint32_t periodMs);

private:
    struct Timer {
        uint32_t id;
        uint32_t period;
        uint32_t due;
        Callback callback;
        void* user;
    };

    void clockAdvanced(uint32_t now, uint32_t elapsed) override;
    void run();
    // Fires what is due at `now`; under the lock, which it leaves around each
    // callback.
    void fireDue(std::unique_lock<std::mutex>& held, uint32_t now);
    Clock& clockNow();

    ManualClock* manual;
    std::mutex lock;
    std::condition_variable wake;    // to the timer thread
    std::condition_variable settled; // from the timer thread
    std::vector<Timer> timers;
    uint32_t nextId = 1;
    uint32_t running = 0; // id of the callback in progress
    uint64_t asked = 0, answered = 0;
    bool stopping = false;
    bool changed = false;
    std::thread thread;
    std::thread::id threadId;
};

// The periodic sleep of a worker thread that decodes in step with the
// clock (the video player's): wait() returns once a period has passed, or
// false once stop() was called. It follows its clock as the timers above
// do: on a manual clock a period passes only when the clock moves, and the
// thread that moved it returns from advance only after the worker ran the
// pass that the move allowed and waits again (or was stopped), so a run on
// a manual clock is repeatable; a move shorter than the period carries its
// milliseconds over to the next one, and a longer move allows one pass. On
// any other clock the worker sleeps in real time.
class ThreadPacer : private ClockListener {
public:
    ThreadPacer(ManualClock& clock, uint32_t periodMs);
    explicit ThreadPacer(uint32_t periodMs);
    // Stops; the worker must be gone (joined) before the pacer is.
    ~ThreadPacer();
    ThreadPacer(const ThreadPacer&) = delete;
    ThreadPacer& operator=(const ThreadPacer&) = delete;

    // The worker's sleep between two passes.
    bool wait();
    // Wakes the worker for good and releases a thread waiting for its pass
    // (any thread).
    void stop();

private:
    void clockAdvanced(uint32_t now, uint32_t elapsed) override;

    ManualClock* manual;
    uint32_t period;
    std::mutex lock;
    std::condition_variable wake;
    bool stopped = false;
    bool granted = false; // a manual move allowed a pass not yet taken
    bool inPass = false;  // the worker is between two waits
    uint32_t carried = 0; // milliseconds of manual moves not yet a period
};

} // namespace platform
