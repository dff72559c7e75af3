#include "platform/RealTime.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

std::atomic<int> holds{0};
std::atomic<uint64_t> takes{0};

// Made once and never destroyed: a receive thread may still wake frames
// while the program's statics go.
struct Wakes {
    std::mutex lock;
    std::condition_variable signal;
    uint64_t count = 0;
};

Wakes& wakes()
{
    static Wakes* w = new Wakes;
    return *w;
}

class SteadyClock : public FramePacer::Clock {
public:
    FramePacer::Time now() override { return std::chrono::steady_clock::now(); }
    void sleepUntil(std::unique_lock<std::mutex>& held, std::condition_variable& woken, FramePacer::Time until) override
    {
        woken.wait_until(held, until);
    }
};

FramePacer::Clock& steadyClock()
{
    static SteadyClock* c = new SteadyClock;
    return *c;
}

} // namespace

void RealTimeHold::set(bool on)
{
    if (held.exchange(on, std::memory_order_acq_rel) == on)
        return;
    holds.fetch_add(on ? 1 : -1, std::memory_order_acq_rel);
    if (on)
        takes.fetch_add(1, std::memory_order_acq_rel);
}

int RealTimeHold::count() { return holds.load(std::memory_order_acquire); }

uint64_t RealTimeHold::taken() { return takes.load(std::memory_order_acquire); }

void wakeFrame()
{
    Wakes& w = wakes();
    {
        std::lock_guard<std::mutex> guard(w.lock);
        ++w.count;
    }
    w.signal.notify_all();
}

FramePacer::FramePacer(uint32_t stepMs, Clock* given)
    : clock(given ? *given : steadyClock()), step(std::chrono::milliseconds(std::max<uint32_t>(stepMs, 1))),
      gap(std::max<std::chrono::nanoseconds>(step / 4, std::chrono::milliseconds(1))), carried(0),
      last(clock.now()), due(last + step), wakesSeen(0)
{
    std::lock_guard<std::mutex> guard(wakes().lock);
    wakesSeen = wakes().count;
}

uint32_t FramePacer::wait()
{
    Wakes& w = wakes();
    Time now;
    {
        std::unique_lock<std::mutex> held(w.lock);
        for (;;) {
            now = clock.now();
            const bool woken = w.count != wakesSeen;
            if (now >= due || (woken && now >= last + gap))
                break;
            clock.sleepUntil(held, w.signal, woken ? std::min(due, last + gap) : due);
        }
        wakesSeen = w.count;
    }
    if (now >= due + step)
        due = now + step;
    else if (now >= due)
        due += step;
    const std::chrono::nanoseconds passed = now - last + carried;
    last = now;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(passed);
    carried = passed - ms;
    return uint32_t(ms.count());
}

} // namespace platform
