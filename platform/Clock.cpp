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

void ManualClock::addListener(ClockListener* listener)
{
    std::lock_guard<std::recursive_mutex> guard(listenersLock);
    listeners.push_back(listener);
}

void ManualClock::removeListener(ClockListener* listener)
{
    std::lock_guard<std::recursive_mutex> guard(listenersLock);
    for (size_t i = 0; i < listeners.size(); ++i)
        if (listeners[i] == listener) {
            listeners.erase(listeners.begin() + long(i));
            return;
        }
}

// The list is walked by index under its lock, so that a listener that
// removes itself or another one while it is called is not visited again.
void ManualClock::moved(uint32_t before, uint32_t after)
{
    uint32_t elapsed = after - before;
    if (int32_t(elapsed) <= 0)
        return;
    total.fetch_add(elapsed, std::memory_order_acq_rel);
    std::lock_guard<std::recursive_mutex> guard(listenersLock);
    std::vector<ClockListener*> called;
    for (size_t i = 0; i < listeners.size(); ++i) {
        ClockListener* l = listeners[i];
        bool done = false;
        for (ClockListener* c : called)
            done = done || c == l;
        if (done)
            continue;
        called.push_back(l);
        l->clockAdvanced(after, elapsed);
        i = size_t(-1); // the list may have changed: walk it again, skipping those called
    }
}

VirtualClock::VirtualClock(uint32_t step, uint32_t start, int64_t unixStart)
    : ManualClock(start), stepMs(step ? step : 1), startUnix(unixStart)
{
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
