#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

// The engine's millisecond tick: milliseconds since the system started,
// 32 bits wide and wrapping like the Windows tick count (titles store tick
// based values). Everything that reads time goes through the current clock,
// so tests can replace it with a manual one. Any thread may read it.
class Clock {
public:
    virtual ~Clock() {}
    virtual uint32_t tickCount() = 0;
    // Seconds since 1970-01-01 UTC, as the C library's time() counts them.
    virtual int64_t unixTime();
};

// Reads the system's monotonic time since boot.
class SystemClock : public Clock {
public:
    uint32_t tickCount() override;
};

// Told, on the thread that moved a manual clock, that it moved forward.
// What a listener does there (a headless mixer rendering the elapsed sound,
// the periodic timers firing what fell due) is done when advance returns,
// which is what makes a run on a manual clock repeatable.
class ClockListener {
public:
    virtual ~ClockListener() {}
    // now: the new tick; elapsed: milliseconds since the previous tick (> 0).
    virtual void clockAdvanced(uint32_t now, uint32_t elapsed) = 0;
};

// A clock that only moves when told; for tests. Reading it is thread-safe;
// moving it is meant for one thread at a time. A set() that does not move
// the tick forward (same value, or backwards) tells no listener.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now(start) {}
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    uint32_t tickCount() override { return now.load(std::memory_order_acquire); }
    void set(uint32_t ms) { moved(now.exchange(ms, std::memory_order_acq_rel), ms); }
    void advance(uint32_t ms)
    {
        uint32_t before = now.fetch_add(ms, std::memory_order_acq_rel);
        moved(before, before + ms);
    }
    // Its calendar time stands still too; 0 until set.
    int64_t unixTime() override { return seconds.load(std::memory_order_acquire); }
    void setUnixTime(int64_t s) { seconds.store(s, std::memory_order_release); }

    // Listeners are called in the order they were added, on the thread that
    // moved the clock; removing one waits until a call to it in progress on
    // another thread has returned. A listener may add or remove listeners.
    void addListener(ClockListener* listener);
    void removeListener(ClockListener* listener);

    // Milliseconds the clock moved forward in all since it was made.
    uint64_t elapsedTotal() const { return total.load(std::memory_order_acquire); }

private:
    void moved(uint32_t before, uint32_t after);

    std::atomic<uint32_t> now;
    std::atomic<int64_t> seconds{0};
    std::atomic<uint64_t> total{0};
    std::recursive_mutex listenersLock;
    std::vector<ClockListener*> listeners;
};

// The clock of a headless run: a manual clock that the run moves by a fixed
// step once a frame, so that the same run gives the same ticks every time
// and goes as fast as the machine allows. Its calendar time starts at a
// fixed instant and moves with the tick (whole seconds of elapsed time).
class VirtualClock : public ManualClock {
public:
    // 16 ms: 62.5 frames a second.
    static constexpr uint32_t DEFAULT_STEP_MS = 16;
    // A tick of 0 reads as "never" to parts of the engine (a key's press
    // time); one minute after boot is a plain, non-zero start.
    static constexpr uint32_t DEFAULT_START_MS = 60000;
    // 2024-01-01 00:00:00 UTC.
    static constexpr int64_t DEFAULT_START_UNIX = 1704067200;

    // A step of 0 becomes 1.
    explicit VirtualClock(uint32_t stepMs = DEFAULT_STEP_MS, uint32_t start = DEFAULT_START_MS,
                          int64_t startUnix = DEFAULT_START_UNIX);

    uint32_t step() const { return stepMs; }
    void setStep(uint32_t ms) { stepMs = ms ? ms : 1; }
    // One frame: the clock moves by the step.
    void nextFrame() { nextFrame(stepMs); }
    // One frame that moves the clock by ms (a run paced by the real clock
    // moves it by the real time passed).
    void nextFrame(uint32_t ms)
    {
        ++frameCount;
        advance(ms);
    }
    uint64_t frames() const { return frameCount; }

    // The start instant plus the whole seconds advanced since.
    int64_t unixTime() override { return startUnix + int64_t(elapsedTotal() / 1000); }

private:
    uint32_t stepMs;
    int64_t startUnix;
    uint64_t frameCount = 0;
};

// The clock in use; the system clock unless one was installed. Installing
// null puts the system clock back. The caller keeps ownership.
Clock* currentClock();
void setClock(Clock* clock);

inline uint32_t GetTickCount() { return currentClock()->tickCount(); }
inline int64_t GetUnixTime() { return currentClock()->unixTime(); }

// Installs a clock for the lifetime of the object (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock* clock) : previous(currentClock()) { setClock(clock); }
    ~ScopedClock() { setClock(previous); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous;
};

} // namespace platform
