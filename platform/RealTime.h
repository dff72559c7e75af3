#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// A headless run goes as fast as the machine allows on its virtual clock,
// which is right for a title alone and wrong for one that talks to peers
// living in real time. What talks to them holds a RealTimeHold while it
// does (a network server listening, a network client connected, a
// telephone line open); the host looks once a frame and, from the first
// frame after one was taken, paces its frames with a FramePacer. Neither
// side knows the other.
namespace platform {

// One object's claim to real time. Any thread may set or read it; it lets
// go when it is destroyed.
class RealTimeHold {
public:
    RealTimeHold() = default;
    ~RealTimeHold() { set(false); }
    RealTimeHold(const RealTimeHold&) = delete;
    RealTimeHold& operator=(const RealTimeHold&) = delete;

    // Holds (true) or lets go (false); setting what is set changes nothing.
    void set(bool on);
    bool isHeld() const { return held.load(std::memory_order_acquire); }

    // The holds of the process now.
    static int count();
    // How many times a hold was taken in the process so far, so that one
    // taken and let go again between two looks is seen too.
    static uint64_t taken();

private:
    std::atomic<bool> held{false};
};

// Something arrived for the next frame (a network message, a report of
// the telephone line): a frame pacer that sleeps runs its next frame
// sooner. Any thread; without a pacer it does nothing that matters.
void wakeFrame();

// Paces frames by the monotonic clock: a frame is due every step
// milliseconds. wait() sleeps until the next one is due and answers the
// whole milliseconds passed since the previous frame came, the fractions
// carried over, so that what a run adds up follows the real clock without
// drifting. A frame more than a step late (a scene that took a second to
// load) restarts the schedule from itself rather than bringing a burst of
// frames to catch up. wakeFrame ends the sleep early, for a frame at once
// but never sooner than a quarter step (at least 1 ms) after the previous
// one, so that a flood of messages cannot make the frames spin; the
// regular frames keep their schedule. One thread calls wait.
class FramePacer {
public:
    using Time = std::chrono::steady_clock::time_point;

    // Where a pacer reads the time and sleeps: the monotonic clock unless
    // another is given.
    class Clock {
    public:
        virtual ~Clock() = default;
        virtual Time now() = 0;
        // Sleeps until `until` or until `woken` is notified (wakeFrame
        // notifies it), whichever comes first; `held` is let go meanwhile.
        virtual void sleepUntil(std::unique_lock<std::mutex>& held, std::condition_variable& woken, Time until) = 0;
    };

    // A step of 0 becomes 1. The previous frame counts as just come. The
    // clock, when given, outlives the pacer.
    explicit FramePacer(uint32_t stepMs, Clock* clock = nullptr);

    uint32_t wait();

private:
    Clock& clock;

    std::chrono::nanoseconds step;
    std::chrono::nanoseconds gap;     // the shortest time between two frames
    std::chrono::nanoseconds carried; // real time passed and not yet answered
    Time last;                        // when the previous frame came
    Time due;                         // when the next regular frame is due
    uint64_t wakesSeen;
};

} // namespace platform
