#pragma once
#include <cstdint>

namespace platform {

// The engine's millisecond tick: milliseconds since the system started,
// 32 bits wide and wrapping like the Windows tick count (titles store tick
// based values). Everything that reads time goes through the current clock,
// so tests can replace it with a manual one.
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

// A clock that only moves when told; for tests.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now(start) {}
    uint32_t tickCount() override { return now; }
    void set(uint32_t ms) { now = ms; }
    void advance(uint32_t ms) { now += ms; }
    // Its calendar time stands still too; 0 until set.
    int64_t unixTime() override { return seconds; }
    void setUnixTime(int64_t s) { seconds = s; }

private:
    uint32_t now;
    int64_t seconds = 0;
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
