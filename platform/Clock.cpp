#include "platform/Clock.h"

#include <atomic>
#include <ctime>

namespace platform {

int64_t Clock::unixTime() { return int64_t(std::time(nullptr)); }

uint32_t SystemClock::tickCount()
{
    timespec ts;
    // Boot time counts the time spent suspended, as the Windows tick does.
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

namespace {
SystemClock systemClock;
std::atomic<Clock*> installed{nullptr};
} // namespace

Clock* currentClock()
{
    Clock* c = installed.load(std::memory_order_acquire);
    return c ? c : &systemClock;
}

void setClock(Clock* clock)
{
    installed.store(clock, std::memory_order_release);
}

} // namespace platform
