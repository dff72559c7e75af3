#pragma once
#include <cstdint>

namespace platform {

// Processor counters, scheduling priorities and sleeping, with the values
// the engine passes around (those of the Windows calls it was written for).

// The processor's time-stamp counter (RDTSC on x86). Other processors have
// no cycle counter a program may read; there it counts nanoseconds.
uint64_t ReadTimeStampCounter();

// The high-resolution counter: CLOCK_MONOTONIC in nanoseconds, so the
// frequency is 10^9 per second. Both are always available on Linux.
bool QueryPerformanceFrequency(int64_t* frequency);
bool QueryPerformanceCounter(int64_t* count);

enum : uint32_t {
    IDLE_PRIORITY_CLASS = 0x40,
    BELOW_NORMAL_PRIORITY_CLASS = 0x4000,
    NORMAL_PRIORITY_CLASS = 0x20,
    ABOVE_NORMAL_PRIORITY_CLASS = 0x8000,
    HIGH_PRIORITY_CLASS = 0x80,
    REALTIME_PRIORITY_CLASS = 0x100
};

// Linux has no priority classes. The nice value stands for them: idle 19,
// below normal 10, normal 0, above normal -5, high -10, real time -20
// (Linux keeps it per thread; this is the calling thread's). A nice value
// outside that table answers 0, the failure value, so a caller that reads,
// changes and restores never loses a value it could not name. Raising the
// priority needs privileges; without them the set fails and changes nothing.
uint32_t GetPriorityClass();
bool SetPriorityClass(uint32_t priorityClass);

enum {
    THREAD_PRIORITY_NORMAL = 0,
    THREAD_PRIORITY_TIME_CRITICAL = 15,
    THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF
};

// The calling thread's scheduling policy: normal is the default
// time-sharing policy, time critical the first-in-first-out real-time policy
// at its highest priority. Any other policy reads as
// THREAD_PRIORITY_ERROR_RETURN, and only those two values can be set (the
// real-time one needs privileges).
int GetThreadPriority();
bool SetThreadPriority(int priority);

// Blocks the calling thread; 0 only gives up the rest of its time slice.
void Sleep(uint32_t ms);

} // namespace platform
