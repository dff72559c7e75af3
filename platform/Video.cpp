#include "platform/Video.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {
using Guard = std::lock_guard<std::mutex>;
// Stream time units (100 ns) in a millisecond.
constexpr int64_t UNITS_PER_MS = 10000;
} // namespace

void VideoTimeline::setRunning(bool on)
{
    Guard g(lock);
    if (on == running)
        return;
    base = timeLocked();
    since = clock.tickCount();
    running = on;
}

bool VideoTimeline::isRunning()
{
    Guard g(lock);
    return running;
}

void VideoTimeline::setTime(int64_t t)
{
    Guard g(lock);
    base = clamped(t);
    since = clock.tickCount();
}

int64_t VideoTimeline::time()
{
    Guard g(lock);
    return timeLocked();
}

// The tick difference is taken in 32 bits, so that the clock's wrap does
// not turn it negative; a time at the end of int64_t stays there.
int64_t VideoTimeline::timeLocked()
{
    int64_t t = base;
    if (running && __builtin_add_overflow(t, int64_t(uint32_t(clock.tickCount() - since)) * UNITS_PER_MS, &t))
        t = std::numeric_limits<int64_t>::max();
    return clamped(t);
}

int64_t VideoTimeline::clamped(int64_t t) const
{
    t = std::max<int64_t>(t, 0);
    return length >= 0 ? std::min(t, length) : t;
}

} // namespace platform
